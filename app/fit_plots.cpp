#include "app/fit_plots.h"

#include <QPainter>
#include <QTabWidget>
#include <QWidget>

#include "output/fit_plot_draw.h"

namespace velora {

namespace {

class FitPlotView : public QWidget {
public:
    FitPlotView(QWidget* parent, const char* name) : QWidget(parent), name_(QString::fromUtf8(name)) {
        setMinimumSize(320, 220);
        setFocusPolicy(Qt::TabFocus);
        setAccessibleName(name_);
        show_plot({}, false);
    }

    void show_plot(FitPlot plot, bool dark) {
        plot_ = std::move(plot);
        dark_ = dark;
        setAccessibleDescription(plot_.empty() ? QStringLiteral("Nothing to draw: fit first.")
                                               : QString::fromStdString(plot_.title + ". " + plot_.description));
        setToolTip(accessibleDescription());
        update();
    }

    const FitPlot& plot() const { return plot_; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        draw_fit_plot(painter, QRectF(rect()), plot_, dark_);
        if (hasFocus()) {
            painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
            painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
        }
    }

private:
    QString name_;
    FitPlot plot_;
    bool dark_ = false;
};

}  // namespace

FitPlotViews build_fit_plots(QTabWidget* tabs) {
    FitPlotViews v;
    v.measurements = new FitPlotView(tabs, "Measurements and residuals");
    v.bc_mv = new FitPlotView(tabs, "BC against muzzle velocity");
    tabs->addTab(v.measurements, QStringLiteral("M&easurements"));
    tabs->addTab(v.bc_mv, QStringLiteral("&BC against Muzzle Velocity"));
    return v;
}

void show_fit_plots(const FitPlotViews& views, const StringFit* fit, const std::vector<FitShot>& shots, int law,
                    const ShotFitInputs& in, const ShotUnits& u, bool dark) {
    auto* measurements = static_cast<FitPlotView*>(views.measurements);
    auto* bc_mv = static_cast<FitPlotView*>(views.bc_mv);
    measurements->show_plot(fit ? measurement_plot(*fit, shots, law, in, u) : FitPlot{}, dark);
    bc_mv->show_plot(fit ? bc_mv_plot(*fit, shots, law, u) : FitPlot{}, dark);
}

const FitPlot& shown_fit_plot(const QWidget* view) { return static_cast<const FitPlotView*>(view)->plot(); }

}  // namespace velora
