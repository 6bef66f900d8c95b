#pragma once

namespace common {
class OperatorDialogs;
class SoundOutput;
} // namespace common

namespace display {

// Start-up of the display: program folder, stored server address and its release at exit, the
// window with its created and resized handlers, then the message loop. Gives the exit code.
int display_entry(common::OperatorDialogs& dialogs, common::SoundOutput& sound);

} // namespace display
