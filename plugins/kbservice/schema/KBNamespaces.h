#pragma once
// The knowledge-base service's base URI and the namespace table of its
// messages, in the order the start tag of every envelope declares them.

struct Namespace;

namespace KBService {

// Every namespace, SOAP action and the default endpoint derive from it.
inline constexpr char kBaseUri[] = "http://kb.quelvar.example/";
inline constexpr char kDefaultEndpoint[] = "http://kb.quelvar.example/kb.asmx";

// SOAP-ENV, SOAP-ENC (SOAP 1.2), xsi, xsd (any year accepted on input), then
// the SOAP 1.1 binding (ns2), the target namespace (ns1) and the SOAP 1.2
// binding (ns3). Null-terminated.
extern const Namespace *const kNamespaces;

} // namespace KBService
