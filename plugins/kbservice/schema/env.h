// The SOAP header and fault types of the runtime, generated into the global
// namespace where the gSOAP library looks for them.
#import "soap12.h"
