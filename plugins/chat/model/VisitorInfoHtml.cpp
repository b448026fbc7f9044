#include "plugins/chat/model/VisitorInfoHtml.h"

#include "plugins/chat/model/NameValueCollection.h"
#include "plugins/chat/model/NetworkText.h"
#include "plugins/chat/model/Visitor.h"
#include "plugins/chat/model/WebAddress.h"
#include "skins/HTMLBuilder.h"

#include <QStringList>

namespace Tessary {

namespace {

const QLatin1String kHeaderBackground("#006FB1");
const QLatin1String kHeaderText("#FFFFFF");

const QLatin1String kTableOpen("<TABLE class='qvTable' cellSpacing=0 cellPadding=0 width='100%' border='0'>");
const QLatin1String kTableClose("</TABLE><DIV class=qvTableBottomMargin></DIV>");

// The header cell that the router writes into the geolocation rows, and
// the one in the pane's colours that replaces it.
const QLatin1String kGeolocationHeader(
    "<TD colSpan=2 class=qvTblHeader style='PADDING-LEFT: 10px'><SPAN style='FONT-WEIGHT: bold; FONT-SIZE: 13px; "
    "COLOR: #ffffff'>Geolocation</SPAN><br><SPAN style='FONT-WEIGHT: bold; FONT-SIZE: 10px; COLOR: #ffffff'>Note: "
    "This information may be inaccurate</SPAN></TD>");
const QLatin1String kGeolocationHeaderColoured(
    "<TD colSpan=2 style='PADDING-LEFT: 10px; background-color:%1; color:%2;FONT-WEIGHT: bold; FONT-SIZE: "
    "13px;'>Geolocation<br><SPAN style='FONT-WEIGHT: bold; FONT-SIZE: 10px;'>Note: This information may be "
    "inaccurate</SPAN></TD>");

// Text as HTML; the apostrophe too, the page's attributes being quoted
// with it.
QString Html(const QString &text)
{
    return text.toHtmlEscaped().replace(QLatin1Char('\''), QLatin1String("&#39;"));
}

// The sections' rows; odd and even rows alternate across sections.
class CTableWriter
{
public:
    void Header(const QString &title)
    {
        m_html += QStringLiteral("<tr><TD style='PADDING-LEFT: 10px; background-color:%1; color:%2;FONT-WEIGHT: "
                                 "bold; FONT-SIZE: 13px;' colSpan=2>%3</TD></tr>")
                      .arg(kHeaderBackground, kHeaderText, title);
    }
    // Both already HTML.
    void Row(const QString &label, const QString &value)
    {
        m_html += QStringLiteral("<TR class=%1 vAlign=top><TD width='20%'><P class=qvCell>%2</P></TD><TD "
                                 "style='BORDER-RIGHT: #cccccc 1px solid'><P class=qvCell>%3</P></TD></TR>")
                      .arg(m_alternate ? QLatin1String("qvRowAlt") : QLatin1String("qvRow"), label, value);
        m_alternate = !m_alternate;
    }
    void Open(const QString &title)
    {
        m_html += kTableOpen;
        Header(title);
    }
    void Close() { m_html += kTableClose; }
    void Append(const QString &html) { m_html += html; }
    const QString &Html() const { return m_html; }

private:
    QString m_html;
    bool m_alternate = false;
};

void WriteSurvey(CTableWriter &table, const CVisitor &visitor)
{
    if (visitor.survey().empty())
        return;
    // The collection decodes each value once; decoding again would turn an
    // answer such as "C%2B%2B" into "C  ".
    const NameValueCollection answers(QByteArrayView(visitor.survey()), NameValueCollection::NamesAsSent);
    table.Open(QStringLiteral("Survey"));
    for (auto it = answers.Pairs().cbegin(); it != answers.Pairs().cend(); ++it) {
        const QByteArray &name = it.key();
        if (name == "qvvVID" || name == "QVVVID")
            continue;
        QString label;
        if (name == "qvvDEPT" || name == "QVVDEPT") {
            if (it.value().isEmpty())
                continue;
            label = QStringLiteral("Department");
        } else {
            label = Html(CapText(FromNetworkText(name)));
        }
        const QString value = CapText(FromNetworkText(it.value()));
        table.Row(label, value.isEmpty() ? QStringLiteral("&nbsp;") : Html(value));
    }
    table.Close();
}

void WriteVisitorInformation(CTableWriter &table, const CVisitor &visitor)
{
    if (!visitor.fields().HasData())
        return;
    const auto &tracking = visitor.Tracking();
    QString browser = visitor.TrackingValue("appname");
    const QString userAgent = visitor.TrackingValue("userAgent");
    if (!userAgent.isEmpty())
        browser += QStringLiteral(" (") + userAgent + QLatin1Char(')');

    const std::pair<const char *, QString> rows[] = {
        {"IP&nbsp;Address", visitor.TrackingValue("REMOTE_ADDR")},
        {"Host&nbsp;Name", visitor.TrackingValue("REMOTE_HOST")},
        {"Referrer", tracking.empty() ? QString() : tracking.front().referrer},
        {"Current&nbsp;Page&nbsp;Title", tracking.empty() ? QString() : tracking.back().title},
        {"Current&nbsp;Page", tracking.empty() ? QString() : tracking.back().url},
        {"Browser", browser},
    };
    table.Open(QStringLiteral("Visitor Information"));
    for (const auto &[label, value] : rows) {
        if (!value.isEmpty())
            table.Row(QLatin1String(label), Html(value));
    }
    table.Close();
}

void WriteKeywords(CTableWriter &table, const CVisitor &visitor)
{
    if (visitor.Tracking().empty() || visitor.Tracking().front().referrer.isEmpty())
        return;
    const QString &referrer = visitor.Tracking().front().referrer;
    QStringList keywords;
    ReferrerKeywords(referrer, keywords);
    const bool anyWord =
        std::any_of(keywords.cbegin(), keywords.cend(), [](const QString &word) { return !word.trimmed().isEmpty(); });
    if (!anyWord)
        return;
    table.Open(QStringLiteral("Keywords"));
    table.Row(Html(ReferrerSite(referrer)), Html(keywords.join(QStringLiteral(", "))));
    table.Close();
}

QString GetGeolocation(const QString &address, CVisitor &visitor, const GeolocationRequest &askGeolocation)
{
    if (address.isEmpty())
        return QString();
    if (!visitor.geolocation().empty())
        return FromNetworkText(QByteArrayView(visitor.geolocation()));
    // The page is drawn again on every update of the visitor: one request
    // waits for its answer rather than a flood of them.
    if (askGeolocation && !visitor.GeolocationPending()) {
        visitor.SetGeolocationAsked();
        askGeolocation(address);
    }
    return QString();
}

} // namespace

QString VisitorInfoHtml(CVisitor *visitor, const GeolocationRequest &askGeolocation)
{
    if (!visitor)
        return QString();
    CTableWriter table;
    WriteSurvey(table, *visitor);
    WriteVisitorInformation(table, *visitor);
    WriteKeywords(table, *visitor);
    QString geolocation = GetGeolocation(visitor->TrackingValue("REMOTE_ADDR"), *visitor, askGeolocation);
    if (!geolocation.isEmpty()) {
        geolocation.replace(kGeolocationHeader, QString(kGeolocationHeaderColoured).arg(kHeaderBackground, kHeaderText));
        table.Append(geolocation);
    }
    return table.Html();
}

QString VisitorDetailsPage(CVisitor *visitor, const GeolocationRequest &askGeolocation)
{
    return CHTMLBuilder(QStringLiteral(":/tessary/HTML/10043"))
        .Replace("%TABLE%", VisitorInfoHtml(visitor, askGeolocation))
        .GetHTML();
}

QString VisitorHistoryPage()
{
    return CHTMLBuilder(QStringLiteral(":/tessary/HTML/10070")).GetHTML();
}

} // namespace Tessary
