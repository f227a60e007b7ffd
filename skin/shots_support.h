#pragma once
// What the screenshot programs share: waiting for the window system, taking a picture of a
// screen area, and counting what went wrong for the exit status.
#include <QDir>
#include <QEventLoop>
#include <QGuiApplication>
#include <QImage>
#include <QRect>
#include <QScreen>
#include <QTimer>
#include <cstdio>

namespace shots {

inline int failures = 0;

// Lets the window system map, place and paint for `ms` milliseconds.
inline void Pump(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// The screen area as the X server shows it, saved as `name` in `dir`.
inline void Shot(const QRect& area, const QDir& dir, const char* name) {
    const QImage image = QGuiApplication::primaryScreen()
                             ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                             .toImage();
    const bool ok = !image.isNull() && image.save(dir.filePath(QString::fromUtf8(name)));
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(dir.filePath(name)));
    failures += !ok;
}

inline void Check(bool ok, const char* what) {
    std::printf("%s: %s\n", ok ? "ok" : "FAILED", what);
    failures += !ok;
}

}  // namespace shots
