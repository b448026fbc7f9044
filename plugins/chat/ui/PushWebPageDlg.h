#pragma once
// Asks for the address of a web page to push to a visitor: as a link in the
// chat ("Send As Link") or opened in the visitor's browser ("Open New
// Window"). "Verify" opens the address on the agent's own machine, for
// http and https addresses only. On OK the caller reads Url() and AsLink().
// User-interface thread only.

#include <QDialog>

#include <functional>

class QLineEdit;
class QUrl;

class CPushWebPageDlg : public QDialog
{
    Q_OBJECT
public:
    // Opens an address on the agent's machine; tests replace it.
    using Opener = std::function<void(const QUrl &url)>;

    explicit CPushWebPageDlg(QWidget *parent = nullptr);

    void SetOpener(Opener opener) { m_open = std::move(opener); }

    QString Url() const;
    bool AsLink() const { return m_asLink; }

private:
    void Choose(bool asLink);
    void Verify();

    QLineEdit *m_url;
    bool m_asLink = false;
    Opener m_open;
};
