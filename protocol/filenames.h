#pragma once

#include <string>

#include "common/text/gbktext.h"

// The files the two programs exchange through the server's program folder, which the display
// reads over FTP. Plain ASCII names: the FTP server reads paths as UTF-8.
namespace protocol {

// Machine n's handwriting, stored by the machine and read by the server and the display.
inline common::GbkText hand_in_picture(int machine)
{
    return "ht" + std::to_string(machine) + ".jpg";
}

// The display's own copy of machine n's handwriting, in its program folder.
inline common::GbkText fetched_picture(int machine)
{
    return "htt" + std::to_string(machine) + ".jpg";
}

// The display background the operator picks on the server, and the display's copy of it.
inline const common::GbkText kServerLogo = "logo.jpg";
inline const common::GbkText kFetchedLogo = "logo.png";

// The display's one setting: the server's address, in its own program folder.
inline const common::GbkText kServerAddressFile = "ip.txt";

} // namespace protocol
