#pragma once
// A warning that the agent sees at most once in the owner's life (a full
// disk fails every save alike). The box opens after the bus message that
// caused it has been handled, never inside its dispatch.
//
// Threading: user-interface thread only.

#include <QString>

namespace QVPlugin {

class CTellOnce
{
public:
    // Queues the warning, unless one was queued before.
    void Tell(const QString &text);

private:
    bool m_told = false;
};

} // namespace QVPlugin
