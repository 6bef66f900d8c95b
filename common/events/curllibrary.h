#pragma once

// libcurl's process-wide set-up, shared by the FTP client and the HTTP routine: it runs once, on
// the first transfer of either, and stays until the program ends.
namespace common {

// False when libcurl could not be set up; no transfer can run then.
bool curl_library_ready();

} // namespace common
