#pragma once

#include "common/text/gbktext.h"

// Outside programs that this program starts and ends.
namespace common {

// Starts file (relative to the program folder) detached, without a shell and without parameters,
// remembering it under its name. verb is "open" (or empty); another verb starts nothing. Nothing is
// reported. The started program finds this process named in ORUVAN_STARTER ("pid start-time", the
// start time field of /proc/<pid>/stat), to end when it is gone.
void shell_execute(const GbkText& verb, const GbkText& file);

// Ends the process that shell_execute started under that name (letter case ignored): SIGTERM, then
// SIGKILL after a short grace. It never ends a process this program did not start. True when one
// was ended.
bool terminate_process(const GbkText& name);

} // namespace common
