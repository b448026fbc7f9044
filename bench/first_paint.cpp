// Time from a click to its result painted on the X screen, for
// bench/first_click.sh and bench/first_preview.sh: grabs a region of the
// screen, clicks (xdotool), and polls the region until it shows something
// new that is not one flat colour (a blank or black page is not the result)
// and holds for two polls. With CLICKS 2 the first click of a double-click
// is made before the clock starts, which runs from the second; the first
// must change nothing in the region.
//
// Usage: bench_first_paint CLICK_X CLICK_Y REGION_X REGION_Y REGION_W REGION_H [timeout ms (15000)] [CLICKS (1)]
// Prints the milliseconds, or "timeout".
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QThread>

#include <cstdio>

namespace {

QImage Grab(const QRect &r)
{
    return QGuiApplication::primaryScreen()->grabWindow(0, r.x(), r.y(), r.width(), r.height()).toImage();
}

bool Flat(const QImage &image)
{
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            if (image.pixel(x, y) != first)
                return false;
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    if (argc < 7) {
        std::fprintf(stderr, "usage: %s click-x click-y x y w h [timeout-ms] [clicks]\n", argv[0]);
        return 2;
    }
    const QString cx = QString::fromLocal8Bit(argv[1]), cy = QString::fromLocal8Bit(argv[2]);
    const QRect region(atoi(argv[3]), atoi(argv[4]), atoi(argv[5]), atoi(argv[6]));
    const int timeout = argc > 7 ? atoi(argv[7]) : 15000;
    const bool doubleClick = argc > 8 && atoi(argv[8]) == 2;
    const QStringList click{QStringLiteral("mousemove"), cx, cy, QStringLiteral("click"), QStringLiteral("1")};

    const QImage before = Grab(region);
    if (doubleClick)
        QProcess::execute(QStringLiteral("xdotool"), click);
    QElapsedTimer clock;
    clock.start();
    QProcess::execute(QStringLiteral("xdotool"), click);
    QImage candidate;
    qint64 seen = -1;
    while (clock.elapsed() < timeout) {
        const QImage now = Grab(region);
        const qint64 at = clock.elapsed();
        if (now != before && !Flat(now)) {
            if (seen >= 0 && now == candidate) {
                std::printf("%lld\n", static_cast<long long>(seen));
                return 0;
            }
            candidate = now;
            seen = at;
        } else {
            seen = -1;
        }
        QThread::msleep(10);
    }
    std::printf("timeout\n");
    return 1;
}
