#pragma once
// Certificates made at test time with the openssl tool: a test CA, a
// "localhost" certificate that it signed, and the faulty certificates that a
// client must refuse. Made once per test process, in a temporary folder that
// lives until the process ends.

#include <QString>

namespace harness {

struct CertPair
{
    QString cert;
    QString key;
};

struct TestPki
{
    bool ok = false;
    QString error; // what failed, with openssl's output

    QString caCert;         // the test CA that clients are told to trust
    CertPair localhost;     // signed by the test CA for "localhost", valid now
    CertPair selfSigned;    // "localhost", signed by itself
    CertPair expired;       // signed by the test CA, no longer valid
    CertPair notYetValid;   // signed by the test CA, valid only in the future
    CertPair wrongHost;     // signed by the test CA for another name
    CertPair unknownCa;     // "localhost", signed by a CA nobody trusts

    // Made on first use; later calls return the same set.
    static const TestPki &Shared();
};

} // namespace harness
