#pragma once

#include "common/text/bytedata.h"

// Sound playback. The programs hold it through this interface so that tests can count the sounds.
namespace common {

class SoundOutput
{
public:
    virtual ~SoundOutput() = default;

    // wav: the whole bytes of a RIFF/WAVE file. Stops any sound that plays, starts this one and
    // returns at once; true when playback started.
    virtual bool play_sound(const ByteData& wav) = 0;
};

} // namespace common
