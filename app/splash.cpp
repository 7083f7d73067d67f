#include "app/splash.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QThread>

#include <chrono>
#include <thread>

#include "app/embedded.h"

namespace velora {

void premultiply_alpha(std::vector<std::uint8_t>& pixels, int width, int height) {
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            std::uint8_t* p = &pixels[(static_cast<size_t>(row) * width + column) * 4];
            const unsigned alpha = p[3];
            for (int channel = 0; channel < 3; ++channel)
                p[channel] = static_cast<std::uint8_t>(p[channel] * alpha / 255);
        }
    }
}

std::vector<std::uint8_t> logo_png() { return {LogoPng.begin(), LogoPng.end()}; }

void show_logo(Splash& splash) {
    hide_logo(splash);
    const std::vector<std::uint8_t> png = logo_png();
    QImage decoded;
    decoded.loadFromData(png.data(), static_cast<int>(png.size()), "PNG");
    const QImage rgba = decoded.convertToFormat(QImage::Format_RGBA8888);

    // Straight RGBA into premultiplied RGBA, the form a translucent window composes.
    const int w = rgba.width(), h = rgba.height();
    std::vector<std::uint8_t> pixels(static_cast<size_t>(w) * h * 4);
    for (int row = 0; row < h; ++row)
        std::copy_n(rgba.constScanLine(row), static_cast<size_t>(w) * 4,
                    pixels.begin() + static_cast<ptrdiff_t>(row) * w * 4);
    premultiply_alpha(pixels, w, h);
    const QImage premultiplied = QImage(pixels.data(), w, h, w * 4, QImage::Format_RGBA8888_Premultiplied).copy();

    auto window = std::make_unique<QLabel>();
    window->setWindowFlags(Qt::FramelessWindowHint | Qt::Tool | Qt::WindowStaysOnTopHint);
    window->setAttribute(Qt::WA_TranslucentBackground);
    window->setAttribute(Qt::WA_ShowWithoutActivating);
    window->setWindowTitle(QString());
    window->setPixmap(QPixmap::fromImage(premultiplied));
    window->setFixedSize(w, h);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect desktop = screen->geometry();
        window->move((desktop.width() - w) / 2, (desktop.height() - h) / 2);
    }
    window->show();
    splash.window = std::move(window);
    splash.shown.start();
}

void hide_logo(Splash& splash) {
    if (splash.window) splash.window->hide();
    splash.window.reset();
}

void wait_since_logo(const Splash& splash, int milliseconds, const std::function<bool()>& stop) {
    while (splash.shown.isValid() && splash.shown.elapsed() < milliseconds && !(stop && stop())) {
        QCoreApplication::processEvents();
        QThread::msleep(1);
    }
}

void handle_events_rounds(int rounds) {
    // Each round's pause ends a whole millisecond after the previous round's deadline, counted
    // from the start, rather than a millisecond after it began: a pause that oversleeps shortens
    // the next, so the rounds take `rounds` milliseconds in all instead of gathering every
    // oversleep.
    const auto start = std::chrono::steady_clock::now();
    for (int i = 1; i <= rounds; ++i) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_until(start + std::chrono::milliseconds(i));
    }
}

}  // namespace velora
