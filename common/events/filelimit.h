#pragma once

// The open files this process may hold.
namespace common {

// Raises the soft limit to the hard one, so that the bound of connections per peer address, not a
// desktop session's usual 1,024 files, is what a hostile peer meets. Nothing is reported when it
// cannot.
void raise_open_file_limit();

} // namespace common
