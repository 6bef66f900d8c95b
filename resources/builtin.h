#pragma once

#include "common/text/bytedata.h"

// The pictures, sounds and icon that both programs carry, as the bytes of their files.
namespace resources {

// ICO, 32 x 32, 32 bits per pixel: the window and notification icon.
common::ByteData program_icon();

// JPEG 500 x 276: a handwriting tile before its machine hands in.
common::ByteData tile_waiting_picture();

// PNG 128 x 128 RGBA on a transparent ground: the judge's right and wrong marks.
common::ByteData tick_picture();
common::ByteData cross_picture();

// PNG 128 x 128 RGBA: the display's set-server and maximise icons.
common::ByteData question_icon_picture();
common::ByteData box_icon_picture();

// JPEG 648 x 360: the display's logo until the server offers one.
common::ByteData default_logo_picture();

// JPEG 994 x 644: the display window's background.
common::ByteData display_background_picture();

// Whole RIFF/WAVE files, 2 channels of 16-bit PCM: the countdown's start and its last six seconds.
common::ByteData start_sound();
common::ByteData final_seconds_sound();

} // namespace resources
