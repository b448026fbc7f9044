#pragma once
// CHTMLPageExternal: window.external of the visitor pane's own History page
// (given through CQVHtmlViewPane::SetExternal and a Granted load). Its
// button asks for the visitor's earlier chats with GetHistory(); the page
// may also read the program's version. Pages of visitors never get it.
// Owned by the visitor pane; user-interface thread only.

#include <QObject>
#include <QString>

class CHTMLPageExternal : public QObject
{
    Q_OBJECT
public:
    // The visitor pane: what GetHistory() asks of it.
    class Owner
    {
    public:
        virtual ~Owner() = default;
        // Sends the "visitor-history" query for the visitor shown, if any.
        virtual void RetrieveHistory() = 0;
    };

    // Not owned; the owner outlives the object.
    explicit CHTMLPageExternal(Owner *owner, QObject *parent = nullptr);

    Q_INVOKABLE void GetHistory();
    // The running program's version ("5.0.0.0"); empty when unreadable.
    Q_INVOKABLE QString GetQVAgentVersion() const;

private:
    Owner *m_owner;
};
