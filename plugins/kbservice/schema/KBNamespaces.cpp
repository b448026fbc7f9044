#include "plugins/kbservice/schema/KBNamespaces.h"

#include <stdsoap2.h>

#define KB_BASE "http://kb.quelvar.example/"

// The runtime's default table, which libgsoap++ links to by name; every
// context of ours uses it.
SOAP_NMAC struct Namespace namespaces[] = {
    {"SOAP-ENV", "http://www.w3.org/2003/05/soap-envelope", nullptr, nullptr},
    {"SOAP-ENC", "http://www.w3.org/2003/05/soap-encoding", nullptr, nullptr},
    {"xsi", "http://www.w3.org/2001/XMLSchema-instance", "http://www.w3.org/*/XMLSchema-instance", nullptr},
    {"xsd", "http://www.w3.org/2001/XMLSchema", "http://www.w3.org/*/XMLSchema", nullptr},
    {"ns2", KB_BASE "kbSoap", nullptr, nullptr},
    {"ns1", KB_BASE, nullptr, nullptr},
    {"ns3", KB_BASE "kbSoap12", nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr},
};

namespace KBService {

static_assert(sizeof(KB_BASE) == sizeof(kBaseUri));
const Namespace *const kNamespaces = namespaces;

} // namespace KBService
