// The logo splash: a borderless window without a taskbar entry whose shape is the logo's own
// alpha channel, shown centred on the primary screen at start and at exit.
#pragma once

#include <QElapsedTimer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace velora {

// Replaces the red, green and blue of every RGBA pixel by channel × alpha / 255 (integer,
// truncated), keeping alpha; rows outer, columns inner. `pixels` holds height rows of
// width × 4 bytes each.
void premultiply_alpha(std::vector<std::uint8_t>& pixels, int width, int height);

// The logo embedded in the program, as a PNG.
std::vector<std::uint8_t> logo_png();

// The splash window; empty while hidden.
struct Splash {
    std::unique_ptr<QWidget> window;
    QElapsedTimer shown;  // started when the logo appeared
};

// Opens the splash afresh (a logo that cannot be decoded shows nothing). `hide_logo` closes it.
void show_logo(Splash& splash);
void hide_logo(Splash& splash);

// Keeps the windows responsive until at least `milliseconds` have passed since the logo appeared,
// handling their events with a 1 ms pause between rounds; nothing is dispatched to the calculator.
// Ends early as soon as `stop` says so (the program is asked to end meanwhile).
void wait_since_logo(const Splash& splash, int milliseconds, const std::function<bool()>& stop = {});

// One round of handling window events followed by a pause, `rounds` times, one round per
// millisecond: the rounds end `rounds` milliseconds after they began (or as soon as the last one
// is done, when handling the events took longer).
void handle_events_rounds(int rounds);

}  // namespace velora
