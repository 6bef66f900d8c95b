#include "tests/common/widgets/wave_samples.h"

#include <cmath>

#include <QtEndian>

namespace samples {
namespace {

void put32(QByteArray& out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

void put16(QByteArray& out, quint16 value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

} // namespace

QByteArray tone_wave(int frequency, int milliseconds, int amplitude)
{
    const int rate = 44100;
    const int frames = rate * milliseconds / 1000;
    QByteArray out("RIFF");
    put32(out, 36 + frames * 2);
    out.append("WAVEfmt ");
    put32(out, 16);
    put16(out, 1);
    put16(out, 1);
    put32(out, rate);
    put32(out, rate * 2);
    put16(out, 2);
    put16(out, 16);
    out.append("data");
    put32(out, frames * 2);
    for (int i = 0; i < frames; ++i)
        put16(out, quint16(qint16(amplitude * std::sin(2 * M_PI * frequency * i / rate))));
    return out;
}

} // namespace samples
