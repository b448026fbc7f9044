#pragma once
// Ports on 127.0.0.1 for test servers, chosen at run time.

#include <cstdint>

namespace harness {

// A port that was free a moment ago: the kernel picks it, the probe socket is
// closed again, and the caller binds it right away.
uint16_t FreeLocalPort();

// True once something accepts TCP connections on 127.0.0.1:port.
bool IsListening(uint16_t port);

} // namespace harness
