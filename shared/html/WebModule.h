#pragma once
// The web module's loader. libostrel_web.so holds everything that uses Qt
// WebEngine; it lies in the "web" folder beside the plug-ins (the host loads
// every library in their own folder at start) and is loaded the first time
// a web view is asked for, after the process has been given the GL context
// the engine draws through. Until then neither the engine nor the GL driver
// is in the process.
//
// Threading: user-interface thread only.

namespace QVWebModule {

// The module's entry point of that name; null when the module cannot be
// loaded (logged).
void *Resolve(const char *symbol);

} // namespace QVWebModule
