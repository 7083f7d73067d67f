// The plot's drawing surface in the window: it keeps the last drawing as an image, shows it, and
// hands that image to the PNG export and the plot printout.
#pragma once

#include <functional>

#include <QImage>
#include <QWidget>

#include "state/calc_state.h"
#include "solver/calc_results.h"

namespace velora {

class PlotCanvas : public QWidget {
public:
    explicit PlotCanvas(QWidget* parent = nullptr);

    // Draws the plot for the canvas's current size and shows it. Called after every recalculation
    // while the output panel shows; until then the canvas keeps its last drawing.
    void redraw(const CalcState& s, const CalcResults& r);

    // What the canvas shows (empty before the first drawing).
    const QImage& image() const { return image_; }

    // A right click (or the context-menu key) over the canvas, at this screen position.
    std::function<void(const QPoint& global_position)> on_context_menu;

protected:
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QImage image_;
};

}  // namespace velora
