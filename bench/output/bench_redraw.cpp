// Redrawing the output panel after an edit: the range table into its two lists and the plot onto
// the window's canvas, for the first-run inputs. One frame is 16 ms.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include <QApplication>
#include <QImage>
#include <QListWidget>

#include "output/plot_draw.h"
#include "output/plot_layout.h"
#include "output/range_table.h"
#include "output/table_view.h"
#include "tests/output/output_fixture.h"

namespace velora {
namespace {

// Text needs a GUI application; without a display it draws off-screen.
void ensure_application() {
    static int argc = 1;
    static char name[] = "bench_output";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
        return new QApplication(argc, argv);
    }();
    (void)app;
}

void BM_FillTable(benchmark::State& st) {
    const CalcState s = testing::first_run_state();
    const auto r = testing::results_for(s);
    for (auto _ : st) benchmark::DoNotOptimize(fill_table(s, *r));
}
BENCHMARK(BM_FillTable);

void BM_PlotLayout(benchmark::State& st) {
    const CalcState s = testing::first_run_state();
    const auto r = testing::results_for(s);
    for (auto _ : st) benchmark::DoNotOptimize(layout_plot(s, *r, 390, 528));
}
BENCHMARK(BM_PlotLayout);

// What the window does after every recalculation while the panel shows.
void BM_RedrawTableAndPlot(benchmark::State& st) {
    ensure_application();
    const CalcState s = testing::first_run_state();
    const auto r = testing::results_for(s);
    QListWidget header, rows;
    setup_table_lists(header, rows);
    QImage canvas(390, 528, QImage::Format_RGB32);
    for (auto _ : st) {
        show_table(header, rows, fill_table(s, *r));
        draw_plot(canvas, s, *r);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_RedrawTableAndPlot)->Unit(benchmark::kMillisecond);

// The longest table the menu offers: a step of 1 yard to a far target.
void BM_RedrawLongTable(benchmark::State& st) {
    ensure_application();
    CalcState s = testing::first_run_state();
    s.TableStep = 1.0f;
    s.TR = 300.0f;
    const auto r = testing::results_for(s);
    QListWidget header, rows;
    setup_table_lists(header, rows);
    QImage canvas(390, 528, QImage::Format_RGB32);
    for (auto _ : st) {
        show_table(header, rows, fill_table(s, *r));
        draw_plot(canvas, s, *r);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_RedrawLongTable)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velora
