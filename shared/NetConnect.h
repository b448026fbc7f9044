#pragma once
// A TCP connect that never blocks its caller: the host's name is looked up
// on the resolver's thread (glibc's getaddrinfo_a), then each address is
// tried with a non-blocking connect. The caller drives it: it waits on what
// Wait() names and calls Step() again, so its own deadline and cancel reach
// every part of the connect.
//
// A look-up still running when the connect is dropped is cancelled; one
// that cannot be cancelled any more is kept until the resolver has finished
// with it and freed by a later connect of the same module (what the last
// connect of a module leaves behind is freed by nothing).
//
// One thread at a time per object.

#include <string>
#include <vector>

class CNetConnect
{
public:
    enum class State {
        Resolving,  // wait with WaitForLookup()
        Connecting, // wait until Socket() is writable
        Connected,  // TakeSocket()
        LookupFailed,
        ConnectFailed,
    };

    // Starts the look-up; lookupFlags are added to AI_NUMERICSERV (for
    // example AI_ADDRCONFIG). The socket is non-blocking and close-on-exec.
    CNetConnect(const std::string &host, int port, int lookupFlags = 0);
    ~CNetConnect();
    CNetConnect(const CNetConnect &) = delete;
    CNetConnect &operator=(const CNetConnect &) = delete;

    // Moves on as far as it can without waiting.
    State Step();
    State Current() const { return m_state; }
    // Sleeps until the look-up finished or ms passed.
    void WaitForLookup(int ms) const;
    // The socket being connected (Connecting), or -1.
    int Socket() const { return m_fd; }
    // The connected socket, now the caller's.
    int TakeSocket();
    // The look-up's gai_strerror text or the connect's strerror text.
    std::string ErrorText() const;
    // The last connect's errno (0 for a failed look-up).
    int Error() const { return m_error; }

private:
    struct Lookup;

    // Frees the look-ups left to the resolver that it has finished with.
    static void FreeFinishedLookups();
    void TryNextAddress();

    State m_state = State::Resolving;
    Lookup *m_lookup = nullptr;
    std::vector<std::vector<char>> m_addresses; // sockaddr blobs still to try
    size_t m_nextAddress = 0;
    int m_fd = -1;
    int m_error = 0;
    int m_lookupError = 0;
};
