#pragma once

#include "LogGraph.h"

#include <QImage>
#include <QWidget>

#include <optional>

class QRubberBand;

// Picture6: paints what LogGraph worked out. The graph is rendered once per
// change (new view, new size, new screen scale) into an image at the screen's
// own pixel density and painted from it; the drag rectangle Shape1 is a
// widget of its own over the graph, so dragging never redraws the graph.
//
// Graph coordinates: x is the point number, y the raw count (the top edge is
// the view's yTop, a quarter above the highest value).
class LogPlot : public QWidget {
    Q_OBJECT
public:
    explicit LogPlot(QWidget* parent = nullptr);

    // Shows a drawn view; scale turns raw counts into flow for the labels.
    void setView(const LogGraph::View& view, float scale);
    // Clears the graph (no view: the mouse does nothing).
    void clear();
    bool hasView() const { return view_.has_value(); }
    const LogGraph::View* view() const { return view_ ? &*view_ : nullptr; }

    // The rectangle the curve is drawn in, in widget pixels.
    QRectF plotArea() const;
    // Widget pixels to graph coordinates and back (only with a view).
    QPointF toGraph(const QPointF& pixel) const;
    QPointF toPixel(const QPointF& graph) const;

    // Shape1: the rectangle between two corners in graph coordinates, or hidden.
    void showShape(const QPointF& a, const QPointF& b);
    void hideShape();
    QRubberBand* shape() const { return shape_; }

    // The graph as last rendered (what the screen shows), rendering it first
    // when it is stale.
    const QImage& rendering();
    // How many times the graph was rendered (the drag must not add to it).
    int renderCount() const { return renders_; }

    QSize sizeHint() const override { return {640, 320}; }
    QSize minimumSizeHint() const override { return {200, 120}; }

signals:
    // Mouse events over the graph, in graph coordinates.
    void pressed(QPointF graph);
    void moved(QPointF graph);
    void released(QPointF graph);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void render();
    // toPixel for a plot area worked out once per drawing.
    QPointF map(const QRectF& area, const QPointF& graph) const;
    void drawAxes(QPainter& p, const QRectF& area) const;
    void drawCurve(QPainter& p, const QRectF& area) const;

    std::optional<LogGraph::View> view_;
    float scale_ = 0;
    QImage cache_;
    bool stale_ = true;
    int renders_ = 0;
    QRubberBand* shape_;
};
