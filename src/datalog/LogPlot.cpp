#include "LogPlot.h"

#include "link/DisplayFormat.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRubberBand>

#include <cmath>

namespace {

const QColor kBackground(0x10, 0x14, 0x18);
const QColor kGrid(0x3a, 0x40, 0x46);
const QColor kLabel(0xc8, 0xcc, 0xd0);
// Forward and reverse flow, the colours the program always drew them in.
const QColor kForward(0x00, 0xff, 0x00);
const QColor kReverse(0xff, 0x00, 0x00);
// Space around the curve for the labels, in logical pixels.
constexpr int kGap = 6;
// Grid lines across the flow range and along the points.
constexpr int kRows = 4;
constexpr int kColumns = 5;
// Above this many points per device pixel column, a column is drawn as one
// stroke from its lowest to its highest value (what the pixels would show
// anyway), so a 100,000-point log draws as fast as a short one.
constexpr double kPointsPerColumnForStrokes = 2.0;

} // namespace

LogPlot::LogPlot(QWidget* parent)
    : QWidget(parent), shape_(new QRubberBand(QRubberBand::Rectangle, this)) {
    setObjectName(QStringLiteral("Picture6"));
    shape_->setObjectName(QStringLiteral("Shape1"));
    shape_->hide();
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void LogPlot::setView(const LogGraph::View& view, float scale) {
    view_ = view;
    scale_ = scale;
    stale_ = true;
    update();
}

void LogPlot::clear() {
    view_.reset();
    stale_ = true;
    hideShape();
    update();
}

QRectF LogPlot::plotArea() const {
    const QFontMetrics fm(font());
    const qreal left = fm.horizontalAdvance(QStringLiteral("00000.00")) + 2 * kGap;
    const qreal bottom = fm.height() + 2 * kGap;
    // Room for half the widest point number, centred under the right edge.
    const qreal right = fm.horizontalAdvance(QStringLiteral("100000")) / 2.0 + kGap;
    return QRectF(left, kGap + fm.height() / 2.0, std::max(1.0, width() - left - right),
                  std::max(1.0, height() - bottom - kGap - fm.height() / 2.0));
}

QPointF LogPlot::toGraph(const QPointF& pixel) const {
    if (!view_)
        return {};
    const QRectF a = plotArea();
    const double x =
        view_->first + (pixel.x() - a.left()) / a.width() * (view_->last - view_->first);
    const double y =
        view_->yTop - (pixel.y() - a.top()) / a.height() * (view_->yTop - view_->yBottom);
    return {x, y};
}

QPointF LogPlot::toPixel(const QPointF& graph) const {
    if (!view_)
        return {};
    return map(plotArea(), graph);
}

QPointF LogPlot::map(const QRectF& a, const QPointF& graph) const {
    const double x =
        a.left() + (graph.x() - view_->first) / (view_->last - view_->first) * a.width();
    const double y =
        a.top() + (view_->yTop - graph.y()) / (view_->yTop - view_->yBottom) * a.height();
    return {x, y};
}

void LogPlot::showShape(const QPointF& a, const QPointF& b) {
    if (!view_)
        return;
    const QRectF r = QRectF(toPixel(a), toPixel(b)).normalized();
    shape_->setGeometry(r.toAlignedRect());
    shape_->show();
}

void LogPlot::hideShape() {
    shape_->hide();
}

const QImage& LogPlot::rendering() {
    const qreal dpr = devicePixelRatioF();
    if (stale_ || cache_.size() != size() * dpr || cache_.devicePixelRatio() != dpr)
        render();
    return cache_;
}

void LogPlot::render() {
    const qreal dpr = devicePixelRatioF();
    cache_ = QImage(size() * dpr, QImage::Format_RGB32);
    cache_.setDevicePixelRatio(dpr);
    cache_.fill(kBackground);
    QPainter p(&cache_);
    if (view_) {
        const QRectF area = plotArea();
        drawAxes(p, area);
        p.setClipRect(area.adjusted(-1, -1, 1, 1));
        drawCurve(p, area);
    }
    stale_ = false;
    ++renders_;
}

void LogPlot::drawAxes(QPainter& p, const QRectF& area) const {
    const QFontMetrics fm(font());
    p.setPen(QPen(kGrid, 0));
    p.drawRect(area);
    p.setPen(kLabel);
    for (int r = 0; r <= kRows; ++r) {
        const double y = view_->yTop - (view_->yTop - view_->yBottom) * r / kRows;
        const double py = map(area, {double(view_->first), y}).y();
        p.setPen(QPen(kGrid, 0, Qt::DotLine));
        p.drawLine(QPointF(area.left(), py), QPointF(area.right(), py));
        p.setPen(kLabel);
        const QString label = FormatNumber(double(float(y) * scale_), QStringLiteral("####0.0#"));
        p.drawText(QRectF(0, py - fm.height() / 2.0, area.left() - kGap, fm.height()),
                   Qt::AlignRight | Qt::AlignVCenter, label);
    }
    const qint32 span = view_->last - view_->first;
    for (int c = 0; c <= kColumns; ++c) {
        const qint32 point = view_->first + qint32(std::lround(double(span) * c / kColumns));
        const double px = map(area, {double(point), view_->yBottom}).x();
        if (c > 0 && c < kColumns) {
            p.setPen(QPen(kGrid, 0, Qt::DotLine));
            p.drawLine(QPointF(px, area.top()), QPointF(px, area.bottom()));
        }
        p.setPen(kLabel);
        const QString label = QString::number(point);
        const int w = fm.horizontalAdvance(label);
        const double left = std::clamp(px - w / 2.0, area.left() - kGap, width() - w - 1.0);
        p.drawText(QRectF(left, area.bottom() + kGap / 2.0, w + 1, fm.height()),
                   Qt::AlignLeft | Qt::AlignTop, label);
    }
}

void LogPlot::drawCurve(QPainter& p, const QRectF& area) const {
    const auto& pts = view_->points;
    const size_t n = pts.size();
    const double dpr = cache_.devicePixelRatio();
    const double columns = std::max(1.0, area.width() * dpr);
    const auto px = [&](size_t k) {
        return map(area, {double(view_->first + qint32(k)), double(std::abs(int(pts[k])))});
    };
    QVector<QLineF> forward, reverse;
    if (double(n) / columns <= kPointsPerColumnForStrokes) {
        p.setRenderHint(QPainter::Antialiasing);
        forward.reserve(qsizetype(n));
        for (size_t k = 0; k + 1 < n; ++k)
            (view_->forward(k) ? forward : reverse) << QLineF(px(k), px(k + 1));
        p.setPen(QPen(kForward, 1.5));
        p.drawLines(forward);
        // Reverse flow on top: a single reverse point among thousands shows.
        p.setPen(QPen(kReverse, 1.5));
        p.drawLines(reverse);
        return;
    }
    // One stroke per device pixel column, from the lowest to the highest
    // value in it; each column starts at the last point of the one before,
    // so the strokes join. Red when any segment in it touches reverse flow.
    const double perColumn = double(n - 1) / columns;
    size_t k = 0;
    for (int c = 0; c < int(columns) && k + 1 < n; ++c) {
        const size_t end = std::min(n - 1, size_t(std::llround((c + 1) * perColumn)));
        int lo = std::abs(int(pts[k])), hi = lo;
        bool allForward = true;
        for (size_t j = k; j < end; ++j) {
            const int v = std::abs(int(pts[j + 1]));
            lo = std::min(lo, v);
            hi = std::max(hi, v);
            allForward = allForward && view_->forward(j);
        }
        const double x = px(end).x();
        (allForward ? forward : reverse) << QLineF(QPointF(x, map(area, {0, double(lo)}).y()),
                                                   QPointF(x, map(area, {0, double(hi)}).y()));
        k = end;
    }
    p.setPen(QPen(kForward, 0));
    p.drawLines(forward);
    p.setPen(QPen(kReverse, 0));
    p.drawLines(reverse);
}

void LogPlot::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(QPointF(0, 0), rendering());
}

void LogPlot::resizeEvent(QResizeEvent* event) {
    stale_ = true;
    QWidget::resizeEvent(event);
}

void LogPlot::mousePressEvent(QMouseEvent* event) {
    if (view_)
        emit pressed(toGraph(event->position()));
}

void LogPlot::mouseMoveEvent(QMouseEvent* event) {
    if (view_)
        emit moved(toGraph(event->position()));
}

void LogPlot::mouseReleaseEvent(QMouseEvent* event) {
    if (view_)
        emit released(toGraph(event->position()));
}
