#pragma once

#include "common/text/gbktext.h"

// The local host's addresses.
namespace common {

// The IPv4 addresses of the interfaces that are up, in dotted form, non-loopback ones first, at
// most 10.
TextList local_ip_addresses();

} // namespace common
