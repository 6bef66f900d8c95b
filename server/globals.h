#pragma once

#include <array>

#include "common/text/gbktext.h"
#include "protocol/ports.h"

// The server's few program-wide values; everything else lives in the window's controls and is read
// afresh by every handler. A remembered address outlives the connection it names.
namespace server {

// Indexed by machine number 1-8, as the hand-in ports and the protocol count them; slot 0 stays empty.
using MachineSlots = std::array<common::GbkText, protocol::kMachineCount + 1>;

extern int countdown;                    // seconds left of the running question
extern MachineSlots machine_client;      // slot n: last peer on hand-in port 19730 + n
extern common::GbkText screen_client;    // last peer of the display's picture channel
extern common::GbkText examiner_client;  // last examiner peer on port 19740
extern common::TextList local_addresses; // replaced by the QR panel

void init_globals();
void free_globals();

} // namespace server
