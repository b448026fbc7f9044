#pragma once
// The people of one roster or one chat, by full JID, in the order they
// came, kept from their first presence that is not offline until an
// offline presence or Clear(). Views follow it through the three signals.
// Owns its contacts; a pointer it hands out is valid until `removed` has
// been emitted for it. User-interface thread only.

#include "bus/ChatPayloads.h"

#include <QObject>

#include <memory>
#include <vector>

// What the agent sees of a contact: its nick, or its bare JID when its
// presence named nobody.
QString ContactName(const QVPlugin::ChatContact &contact);

class CContactList : public QObject
{
    Q_OBJECT
public:
    // Presences of more people than this are ignored: any account can
    // send presence.
    static constexpr int kMaxContacts = 1000;

    explicit CContactList(QObject *parent = nullptr);
    ~CContactList() override;

    // The contact with exactly this JID (node, domain and resource).
    QVPlugin::ChatContact *Find(const QVPlugin::Jid &jid) const;
    // The first contact whose bare JID is the bare form of this one.
    QVPlugin::ChatContact *FindBare(const QVPlugin::Jid &jid) const;

    // A presence: adds an unknown contact that is not offline (unless the
    // list is full), updates a known one (an empty nick keeps the stored one) and removes a known one
    // that went offline.
    void Update(const QVPlugin::ChatContact &contact);
    // Emits `removed` for each contact in order, then empties the list.
    void Clear();

    int Count() const { return int(m_items.size()); }
    const QVPlugin::ChatContact *At(int index) const { return m_items.at(size_t(index)).get(); }

signals:
    void added(QVPlugin::ChatContact *contact);
    void changed(QVPlugin::ChatContact *contact);
    // Emitted while the contact still exists; it is deleted right after.
    void removed(QVPlugin::ChatContact *contact);

private:
    std::vector<std::unique_ptr<QVPlugin::ChatContact>> m_items;
};
