#pragma once

#include "common/text/gbktext.h"

// The display's one program-wide value: the host both links connect to, read from ip.txt when the
// window is created and replaced by the set-server icon. Everything else lives in the controls.
namespace display {

extern common::GbkText server_address;

void init_server_address();
void free_server_address();

} // namespace display
