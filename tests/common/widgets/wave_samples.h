#pragma once

#include <QByteArray>

namespace samples {

// A RIFF/WAVE file of a mono 16-bit sine tone at 44100 Hz.
QByteArray tone_wave(int frequency, int milliseconds, int amplitude);

} // namespace samples
