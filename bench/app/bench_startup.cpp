// Start-up of the program until its window is shown (splash off, offscreen), and one commit of
// the muzzle velocity through the dispatcher with the output panel shown.
#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/app.h"
#include "app/control_ids.h"
#include "app/dispatch.h"
#include "app/program.h"
#include "app/splash.h"

namespace {

using namespace velora;

// A home folder with a saved preferences file whose splash and update check are off.
struct Home {
    QTemporaryDir dir;
    Home() {
        const std::string home = dir.path().toStdString();
        setenv("HOME", home.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
        setenv("XDG_DATA_HOME", (home + "/data").c_str(), 1);
        std::filesystem::create_directories(home + "/config/Velora");
        std::ofstream(home + "/config/Velora/Velora.prefs") << "\nAutoLogoCheck = 0\nAutoUpdateCheck = 0\nmode = 1\n";
    }
};

void quiet_dialogs(App& app) {
    app.dialogs.message = [](const MessageRequest&) { return MessageAnswer::Ok; };
    app.dialogs.save_file = [](const SaveFileRequest&) { return std::string(); };
    app.dialogs.open_url = [](const std::string&) {};
}

void StartUpToWindowShown(benchmark::State& state) {
    Home home;
    for (auto _ : state) {
        CalcState s;
        App app(s);
        quiet_dialogs(app);
        start_program(app);
        benchmark::DoNotOptimize(app.window.window->isVisible());
        state.PauseTiming();
        app.dispatching = false;
        app.window.window->hide();
        state.ResumeTiming();
    }
}
BENCHMARK(StartUpToWindowShown)->Unit(benchmark::kMillisecond)->Iterations(10);

// The 101 rounds of event handling before the first pass (to be 101 ms however each pause
// oversleeps).
void SettlingRounds(benchmark::State& state) {
    for (auto _ : state) handle_events_rounds(101);
}
BENCHMARK(SettlingRounds)->Unit(benchmark::kMillisecond)->Iterations(10);

void CommitMuzzleVelocityWithPanel(benchmark::State& state) {
    Home home;
    CalcState s;
    App app(s);
    quiet_dialogs(app);
    start_program(app);
    app.window.window->activateWindow();
    for (int i = 0; i < 100 && !app.window.window->isActiveWindow(); ++i) QApplication::processEvents();
    auto* field = qobject_cast<QLineEdit*>(control(app.window, FieldMV));
    int i = 0;
    for (auto _ : state) {
        field->setFocus();
        field->setText(QString::number(780 + (i++ % 20)));
        dispatch_event(app, {EventKind::Menu, KeyReturn});
    }
    if (s.MV < 780.0f || s.MV >= 800.0f) state.SkipWithError("the commit did not reach the state");
}
BENCHMARK(CommitMuzzleVelocityWithPanel)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
