#pragma once

#include <QColor>
#include <QList>
#include <QPointF>
#include <QWidget>

// A picture box with a user coordinate system: what is drawn on it is kept as
// data in user coordinates (coloured polylines) and painted in paintEvent, so
// it is sharp at any screen scale, fills whatever size the layout gives it and
// repaints after a resize without anyone redrawing it. Setting a new drawing
// replaces the old one; the surface keeps the last drawing until then.
class PlotSurface : public QWidget {
    Q_OBJECT
public:
    // One polyline in one colour.
    struct Stroke {
        QColor colour;
        QList<QPointF> points;
        bool operator==(const Stroke&) const = default;
    };

    // The coordinate system (left and top user coordinates at the top left
    // corner, right and bottom at the bottom right) and what is drawn in it.
    struct Drawing {
        double left = 0, top = 1, right = 1, bottom = 0;
        QList<Stroke> strokes;
        bool operator==(const Drawing&) const = default;
    };

    explicit PlotSurface(QWidget* parent = nullptr);

    void setDrawing(Drawing drawing);
    const Drawing& drawing() const { return drawing_; }
    void clear();

    // Where a user coordinate lands in the widget's pixels.
    QPointF toPixels(QPointF user) const;

    QSize sizeHint() const override { return {360, 160}; }
    QSize minimumSizeHint() const override { return {120, 60}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Drawing drawing_;
};
