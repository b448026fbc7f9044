#pragma once
// Form-encoded text ("a=1&b=x+y%21") as a look-up table: the visitor
// tracking data and survey answers that the chat service sends. Bad input
// gives whatever pairs can be cut from it; nothing is reported.
// A value; any thread.

#include <QByteArray>
#include <QByteArrayView>
#include <QMap>

class NameValueCollection
{
public:
    enum NameCase { UpperCaseNames, NamesAsSent };

    // A null text leaves the collection empty and HasData() false.
    explicit NameValueCollection(QByteArrayView text = QByteArrayView(), NameCase nameCase = UpperCaseNames);

    bool HasData() const { return m_hasData; }
    bool HasName(QByteArrayView name) const;
    // Null when the name is missing; valid while the collection lives.
    const QByteArray *GetValue(QByteArrayView name) const;
    // Empty when the name is missing.
    QByteArray Value(QByteArrayView name) const;
    // In ascending name order.
    const QMap<QByteArray, QByteArray> &Pairs() const { return m_pairs; }

private:
    QByteArray Key(QByteArrayView name) const;

    QMap<QByteArray, QByteArray> m_pairs;
    bool m_upperCaseNames;
    bool m_hasData = false;
};

namespace Tessary {

// "+" becomes a blank and "%xx" the byte with that hexadecimal value; a "%"
// followed by two characters that are not both hexadecimal digits is kept as
// it stands. A "%" cut short by the end of the text (one character or none
// after it) ends the value there: what stands before it is the result.
QByteArray UrlDecode(QByteArrayView text);

} // namespace Tessary
