#include "PlotSurface.h"

#include <QPainter>
#include <QPainterPath>

namespace {
// The plotted area keeps this much room inside the frame so that a curve at
// the limits is not hidden under the frame line.
constexpr double Inset = 3.0;
constexpr int GridDivisions = 4;
// Opacity of the curves of a disabled picture: still readable, plainly not live.
constexpr double DimmedOpacity = 0.3;
} // namespace

PlotSurface::PlotSurface(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAutoFillBackground(false);
}

void PlotSurface::setDrawing(Drawing drawing) {
    drawing_ = std::move(drawing);
    update();
}

void PlotSurface::clear() {
    setDrawing({});
}

QPointF PlotSurface::toPixels(QPointF user) const {
    const QRectF area = QRectF(rect()).adjusted(Inset, Inset, -Inset, -Inset);
    const double w = drawing_.right - drawing_.left;
    const double h = drawing_.bottom - drawing_.top;
    const double x =
        w == 0 ? area.left() : area.left() + (user.x() - drawing_.left) / w * area.width();
    const double y =
        h == 0 ? area.top() : area.top() + (user.y() - drawing_.top) / h * area.height();
    return {x, y};
}

void PlotSurface::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);

    QPen grid(QColor(225, 225, 225));
    grid.setCosmetic(true);
    p.setPen(grid);
    for (int k = 1; k < GridDivisions; ++k) {
        const double x = frame.left() + frame.width() * k / GridDivisions;
        const double y = frame.top() + frame.height() * k / GridDivisions;
        p.drawLine(QPointF(x, frame.top()), QPointF(x, frame.bottom()));
        p.drawLine(QPointF(frame.left(), y), QPointF(frame.right(), y));
    }

    p.setRenderHint(QPainter::Antialiasing);
    p.setClipRect(rect());
    // A disabled picture shows old data: its curves are drawn faint.
    if (!isEnabled())
        p.setOpacity(DimmedOpacity);
    for (const Stroke& stroke : drawing_.strokes) {
        if (stroke.points.isEmpty())
            continue;
        QPen pen(stroke.colour, 1.25);
        pen.setCosmetic(true);
        pen.setJoinStyle(Qt::RoundJoin);
        p.setPen(pen);
        QPainterPath path(toPixels(stroke.points.first()));
        for (qsizetype i = 1; i < stroke.points.size(); ++i)
            path.lineTo(toPixels(stroke.points[i]));
        p.drawPath(path);
    }

    p.setRenderHint(QPainter::Antialiasing, false);
    p.setOpacity(1.0);
    p.setPen(QColor(140, 140, 140));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}
