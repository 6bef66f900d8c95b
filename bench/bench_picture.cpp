#include <benchmark/benchmark.h>

#include "common/widgets/picturedecoder.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>

namespace {

// A picture with some detail, so the encoder does real work: a gradient with strokes over it.
QByteArray sample(int width, int height, const char* format)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, (x * y) % 256));
    QPainter painter(&image);
    painter.setPen(QPen(Qt::black, 5));
    for (int i = 0; i < 20; ++i)
        painter.drawLine(i * width / 20, 0, width - i * width / 20, height);
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, 85);
    return bytes;
}

void BM_DecodeJpeg500x276(benchmark::State& state)
{
    const QByteArray jpeg = sample(500, 276, "JPG");
    for (auto _ : state)
        benchmark::DoNotOptimize(common::decode_picture(jpeg));
}
BENCHMARK(BM_DecodeJpeg500x276)->Unit(benchmark::kMillisecond);

void BM_DecodePng128x128(benchmark::State& state)
{
    const QByteArray png = sample(128, 128, "PNG");
    for (auto _ : state)
        benchmark::DoNotOptimize(common::decode_picture(png));
}
BENCHMARK(BM_DecodePng128x128)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
