#pragma once
// What the visitor pane reads from web addresses that visitors' browsers
// report: the site a visitor came from, the search words that brought the
// visitor, and whether an address is a web page the agent may open. Pure
// functions; any thread.

#include <QString>
#include <QStringList>

namespace Tessary {

// The address cut before its path ("http://www.example.com:8080/a?b" gives
// "http://www.example.com:8080"); an address without a path, or one that
// does not parse, is returned as it stands.
QString ReferrerSite(const QString &url);

// Appends the search words in the address: the values of the known search
// names of its query, in the order of those names; without a query, the
// last path piece as a "q" value unless it is a file name (a four- or
// five-letter extension such as ".htm" or ".html").
void ReferrerKeywords(const QString &url, QStringList &keywords);

// An absolute http or https address with a host: the only addresses the
// agent's machine opens for a visitor-reported or typed page.
bool IsWebAddress(const QString &url);

} // namespace Tessary
