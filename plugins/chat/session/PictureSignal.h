#pragma once
// Announces that the picture of an agent or contact has been fetched, so a
// chat window waiting for it can show it. The picture queue emits it;
// receivers on the user-interface thread get it queued when it is emitted
// from another thread.

#include "bus/Jid.h"

#include <QImage>
#include <QObject>

class CPictureSignal : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

signals:
    // picture is null when the fetched file did not load.
    void pictureArrived(const QVPlugin::Jid &jid, const QImage &picture);
};
