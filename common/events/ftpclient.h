#pragma once

#include "common/text/gbktext.h"

// The program's one FTP connection (libcurl). Both calls block without dispatching events; connect
// and stalled transfers give up after a few seconds, so an unresponsive host freezes the window
// only briefly.
namespace common {

// Closes the previous connection, then logs in. Active mode unless passive is asked for; type I.
bool ftp_connect(const GbkText& host, const GbkText& user, const GbkText& secret, int port = 21, bool passive = false);

// Fetches remote (a name in the login folder) into local (relative to the program folder) over
// the connection last opened, byte for byte, overwriting local. Written beside it and renamed, so
// a failed retrieval leaves an existing local file untouched and no partial file. False when not
// connected or on failure.
bool ftp_get_file(const GbkText& remote, const GbkText& local);

// Closes the connection (program end; also lets tests start afresh).
void ftp_disconnect();

} // namespace common
