// The hall display's two paths where the audience waits: the four handwriting pictures after a
// picture request (four 35 KB JPEGs from the real FTP server on this machine, target under 200 ms)
// and a countdown tick until its caption is painted (target under 16 ms, one frame).
// Runs itself in a private network namespace, since it listens on the contest's fixed ports.

#include <cstdlib>
#include <memory>
#include <vector>

#include <benchmark/benchmark.h>

#include "common/events/clientsocket.h"
#include "common/widgets/picturebox.h"
#include "common/widgets/translabel.h"
#include "protocol/messages.h"
#include "tests/display/linked_display.h"
#include "tests/support/ftpserverprocess.h"
#include "tests/support/pictures.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace {

// A noisy handwriting picture whose JPEG comes to about 35 KB, like a contestant's scan.
QByteArray picture_of_about_35_kb(int figure)
{
    QImage image = QImage::fromData(handwriting_jpeg(figure, Qt::black)).convertToFormat(QImage::Format_RGB32);
    QRandomGenerator noise(static_cast<quint32>(figure));
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); x += 3) {
            const int grey = 200 + noise.bounded(56);
            if (qGray(image.pixel(x, y)) > 128)
                image.setPixel(x, y, qRgb(grey, grey, grey));
        }
    QByteArray best;
    for (int quality = 95; quality >= 10; quality -= 5) {
        best = encoded_picture(image, "JPG", quality);
        if (best.size() <= 36 * 1024)
            break;
    }
    return best;
}

bool deliver(FakeServerPort& port, common::ClientSocket* link, const QByteArray& message)
{
    QSignalSpy arrived(link, &common::ClientSocket::dataArrived);
    return port.send_to_newest(message) && (arrived.count() > 0 || arrived.wait(10000));
}

void BM_ShowPicturesUntilShown(benchmark::State& state)
{
    QTemporaryDir server_folder;
    std::int64_t picture_bytes = 0;
    for (int n = 1; n <= 4; ++n) {
        QFile file(QDir(server_folder.path()).filePath(QStringLiteral("ht%1.jpg").arg(n)));
        const QByteArray picture = picture_of_about_35_kb(n);
        picture_bytes += picture.size();
        if (!file.open(QIODevice::WriteOnly) || file.write(picture) != picture.size())
            return state.SkipWithError("cannot write the server's pictures");
    }
    FtpServerProcess ftp(server_folder.path());
    if (!ftp.started())
        return state.SkipWithError("the FTP server did not start (root and a network namespace needed)");
    LinkedDisplay d;
    if (!d.linked)
        return state.SkipWithError("the display did not link to the stand-in server");

    const QByteArray request = QByteArray::fromStdString(protocol::kShowPictures);
    for (auto _ : state) {
        if (!deliver(d.photo_port, d.h.window->客户[1], request))
            return state.SkipWithError("the picture request did not arrive");
        d.h.window->repaint();
    }
    for (int n = 1; n <= 4; ++n)
        if (d.h.window->图片框[n]->image().isNull())
            return state.SkipWithError("a picture was not shown");
    state.counters["bytes_per_fetch"] = static_cast<double>(picture_bytes);
}
BENCHMARK(BM_ShowPicturesUntilShown)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(30);

void BM_TickUntilCaptionPainted(benchmark::State& state)
{
    LinkedDisplay d;
    if (!d.linked)
        return state.SkipWithError("the display did not link to the stand-in server");
    const protocol::QuestionFields fields{.time_limit = "30",
                                          .question = "拼音：biān fú",
                                          .answer = "蝙蝠",
                                          .grid = "2",
                                          .countdown_font = "400",
                                          .question_font = "50"};
    int n = 29;
    for (auto _ : state) {
        const QByteArray tick = QByteArray::fromStdString(protocol::tick(std::to_string(n), fields));
        if (!deliver(d.control_port, d.h.window->客户[2], tick))
            return state.SkipWithError("the tick did not arrive");
        d.h.window->透明标签[2]->repaint();
        n = n > 7 ? n - 1 : 29; // stays clear of the sounds and the time-up wait
    }
}
BENCHMARK(BM_TickUntilCaptionPainted)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(200);

} // namespace
