#include "FlowTrendView.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

// The painted chart; its context menu copies the shown span.
class FlowTrendView::Chart : public QWidget {
public:
    explicit Chart(FlowTrendView& view) : QWidget(&view), view_(view) {
        setObjectName("TrendChart");
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }
    QSize sizeHint() const override { return {480, 150}; }
    QSize minimumSizeHint() const override { return {200, 90}; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        TrendChart::paint(p, rect(), view_.shownSpan());
    }
    void contextMenuEvent(QContextMenuEvent* event) override {
        QMenu menu(this);
        menu.addAction("Copy shown span as CSV", [this] { view_.copyShownSpan(); });
        menu.exec(event->globalPos());
    }

private:
    FlowTrendView& view_;
};

FlowTrendView::FlowTrendView(QWidget* parent) : QWidget(parent) {
    setObjectName("FlowTrendView");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    chart_ = new Chart(*this);
    layout->addWidget(chart_, 1);

    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel("Span:", this));
    cboTrendSpan_ = new QComboBox(this);
    cboTrendSpan_->setObjectName("cboTrendSpan");
    for (int minutes : SpanMinutes)
        cboTrendSpan_->addItem(QString("%1 min").arg(minutes), minutes);
    cboTrendSpan_->setCurrentIndex(1);
    row->addWidget(cboTrendSpan_);
    chkTrendSignal_ = new QCheckBox("Signal strength", this);
    chkTrendSignal_->setObjectName("chkTrendSignal");
    row->addWidget(chkTrendSignal_);
    row->addStretch(1);
    cmdTrendCopy_ = new QPushButton("Copy CSV", this);
    cmdTrendCopy_->setObjectName("cmdTrendCopy");
    cmdTrendCopy_->setToolTip("Copy the shown span to the clipboard as CSV");
    row->addWidget(cmdTrendCopy_);
    layout->addLayout(row);

    connect(cboTrendSpan_, &QComboBox::currentIndexChanged, chart_, qOverload<>(&QWidget::update));
    connect(chkTrendSignal_, &QCheckBox::toggled, chart_, qOverload<>(&QWidget::update));
    connect(cmdTrendCopy_, &QPushButton::clicked, this, &FlowTrendView::copyShownSpan);
}

void FlowTrendView::addGood(qint64 time, const QString& unit, float flow, float signalStrength) {
    trend_.setUnit(unit);
    trend_.addGood(time, flow, signalStrength);
    chart_->update();
}

void FlowTrendView::addGap(qint64 time) {
    trend_.addGap(time);
    chart_->update();
}

int FlowTrendView::spanMinutes() const {
    return cboTrendSpan_->currentData().toInt();
}

TrendChart::Span FlowTrendView::shownSpan() const {
    TrendChart::Span span;
    span.to = trend_.lastTime();
    span.from = span.to - qint64(spanMinutes()) * 60 * 1000;
    span.samples = trend_.span(span.from, span.to);
    span.unit = trend_.unit();
    span.showSignalStrength = chkTrendSignal_->isChecked();
    return span;
}

void FlowTrendView::copyShownSpan() {
    const TrendChart::Span span = shownSpan();
    QApplication::clipboard()->setText(FlowTrend::csv(span.samples, span.unit));
}
