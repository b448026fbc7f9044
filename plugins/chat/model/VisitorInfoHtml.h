#pragma once
// The pages of the visitor pane's Details and History tabs. The details
// table shows what is known of a visitor in sections (Survey, Visitor
// Information, Keywords, Geolocation); every value that the visitor's
// browser or answers supplied is HTML-escaped, so a hostile page title or
// survey answer stays text. The geolocation rows are the table the router
// built from the chat service's answer.
// User-interface thread only (the page templates go through the skin).

#include <QString>

#include <functional>

class CVisitor;

namespace Tessary {

// Asks the chat service for the geolocation of an IP address; the answer
// comes back later and is stored with the visitor.
using GeolocationRequest = std::function<void(const QString &address)>;

// The rows that go into the Details template; empty without a visitor. A
// visitor with an address but no stored geolocation gets one request, and
// no other while it waits for the answer (the visitor keeps that mark).
QString VisitorInfoHtml(CVisitor *visitor, const GeolocationRequest &askGeolocation);

// The Details page: the template with the skin's style sheet and the rows.
QString VisitorDetailsPage(CVisitor *visitor, const GeolocationRequest &askGeolocation);

// The History page shown until a history arrives: its button asks for the
// history through window.external.GetHistory().
QString VisitorHistoryPage();

} // namespace Tessary
