#pragma once

namespace common {
class OperatorDialogs;
} // namespace common

namespace server {

// Start-up of the server: program folder, globals and their release at exit, the window with its
// created handler, then the message loop. The program ends through the quit question; gives the
// exit code.
int server_entry(common::OperatorDialogs& dialogs);

} // namespace server
