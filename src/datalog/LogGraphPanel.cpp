#include "LogGraphPanel.h"

#include "LogCsv.h"
#include "LogListing.h"
#include "LogPlot.h"
#include "ui/Prompts.h"

#include <QAction>
#include <QCheckBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRubberBand>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <cmath>

namespace {

const QString kNoLog = QStringLiteral("No Datalog Loaded");
// Characters the date boxes are made wide enough for ("12/31/2006 10:30:00 AM").
constexpr int kDateChars = 23;

} // namespace

LogGraphPanel::LogGraphPanel(const DatalogRecord& log, Prompts& prompts, QWidget* parent)
    : QWidget(parent), log_(log), prompts_(prompts), Picture6_(new LogPlot(this)),
      chkZoom_(new QCheckBox(QStringLiteral(" Zoom"), this)),
      HScroll1_(new QScrollBar(Qt::Horizontal, this)),
      VScroll1_(new QScrollBar(Qt::Vertical, this)), Text8_(new QPlainTextEdit(this)),
      exportCsv_(new QAction(QStringLiteral("Export CSV..."), this)) {
    chkZoom_->setObjectName(QStringLiteral("chkZoom"));
    HScroll1_->setObjectName(QStringLiteral("HScroll1"));
    VScroll1_->setObjectName(QStringLiteral("VScroll1"));
    Text8_->setObjectName(QStringLiteral("Text8"));
    exportCsv_->setObjectName(QStringLiteral("mnuExportCsv"));
    exportCsv_->setEnabled(false);

    const QFontMetrics fm(font());
    for (int i = 0; i < 4; ++i) {
        txtLogDt_[i] = new QLineEdit(this);
        txtLogDt_[i]->setObjectName(QStringLiteral("txtLogDt(%1)").arg(i));
        txtLogDt_[i]->setReadOnly(true);
        txtLogDt_[i]->setMinimumWidth(fm.horizontalAdvance(QLatin1Char('0')) *
                                      (i < 2 ? kDateChars : 12));
    }
    auto* label1 = new QLabel(QStringLiteral("High Flow"), this);
    label1->setObjectName(QStringLiteral("Label1"));
    auto* label2 = new QLabel(QStringLiteral("Low Flow"), this);
    label2->setObjectName(QStringLiteral("Label2"));
    // What a screen reader says for each part: the boxes and the graph have
    // no caption of their own, or one beside them.
    label1->setBuddy(txtLogDt_[2]);
    label2->setBuddy(txtLogDt_[3]);
    const char* const boxNames[] = {"First point time", "Last point time", "High Flow", "Low Flow"};
    for (int i = 0; i < 4; ++i)
        txtLogDt_[i]->setAccessibleName(QString::fromLatin1(boxNames[i]));
    Picture6_->setAccessibleName(QStringLiteral("Datalog graph"));
    chkZoom_->setAccessibleName(QStringLiteral("Zoom"));
    HScroll1_->setAccessibleName(QStringLiteral("Graph position"));
    VScroll1_->setAccessibleName(QStringLiteral("Listing position"));
    Text8_->setAccessibleName(QStringLiteral("Datalog listing"));

    Text8_->setReadOnly(true);
    Text8_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    Text8_->setLineWrapMode(QPlainTextEdit::NoWrap);
    Text8_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Text8_->setPlainText(kNoLog);
    const QFontMetrics fixed(Text8_->font());
    Text8_->setFixedHeight(fixed.lineSpacing() * LogListing::LinesShown +
                           2 * int(Text8_->document()->documentMargin()) +
                           2 * Text8_->frameWidth());
    VScroll1_->setRange(1, 1);
    HScroll1_->setRange(1, 2);

    // Graph, its scroll bar and the four boxes above; the listing beneath.
    auto* boxes = new QHBoxLayout;
    boxes->addWidget(txtLogDt_[0]);
    boxes->addStretch();
    boxes->addWidget(label2);
    boxes->addWidget(txtLogDt_[3]);
    boxes->addWidget(label1);
    boxes->addWidget(txtLogDt_[2]);
    boxes->addStretch();
    boxes->addWidget(txtLogDt_[1]);
    auto* zoomRow = new QHBoxLayout;
    zoomRow->addWidget(chkZoom_);
    zoomRow->addWidget(HScroll1_, 1);
    auto* listing = new QHBoxLayout;
    listing->addWidget(Text8_, 1);
    listing->addWidget(VScroll1_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(boxes);
    layout->addWidget(Picture6_, 1);
    layout->addLayout(zoomRow);
    layout->addLayout(listing);

    connect(chkZoom_, &QCheckBox::stateChanged, this, [this] { chkZoom_Click(); });
    connect(HScroll1_, &QScrollBar::valueChanged, this, [this] { HScroll1_Change(); });
    connect(VScroll1_, &QScrollBar::valueChanged, this, [this] { VScroll1_Change(); });
    connect(Picture6_, &LogPlot::pressed, this, &LogGraphPanel::Picture6_MouseDown);
    connect(Picture6_, &LogPlot::moved, this, &LogGraphPanel::Picture6_MouseMove);
    connect(Picture6_, &LogPlot::released, this, &LogGraphPanel::Picture6_MouseUp);
    connect(exportCsv_, &QAction::triggered, this, &LogGraphPanel::ExportCsv_Click);
}

int LogGraphPanel::zoom() const {
    switch (chkZoom_->checkState()) {
    case Qt::Unchecked:
        return WholeLog;
    case Qt::Checked:
        return Window;
    default:
        return Grey;
    }
}

void LogGraphPanel::setZoom(int value) {
    // Grey is the program's state only: the box is three-state just while
    // it is grey, so a click goes between off and on.
    chkZoom_->setTristate(value == Grey);
    chkZoom_->setCheckState(value == WholeLog ? Qt::Unchecked
                            : value == Window ? Qt::Checked
                                              : Qt::PartiallyChecked);
}

void LogGraphPanel::logReplacing() {
    if (zoom() != Grey)
        zoomBeforeReplacing_ = zoom();
    setZoom(Grey);
}

void LogGraphPanel::logKept() {
    setZoom(zoomBeforeReplacing_);
}

void LogGraphPanel::showNewLog() {
    const LogListing::Range h = LogListing::horizontal(log_);
    const LogListing::Range v = LogListing::vertical(log_);
    {
        const QSignalBlocker hb(HScroll1_), vb(VScroll1_), zb(chkZoom_);
        HScroll1_->setRange(1, h.maximum);
        HScroll1_->setPageStep(h.pageStep);
        HScroll1_->setValue(1);
        VScroll1_->setRange(1, v.maximum);
        VScroll1_->setPageStep(v.pageStep);
        VScroll1_->setValue(1);
        setZoom(WholeLog);
    }
    VScroll1_Change();
    chkZoom_Click();
}

void LogGraphPanel::ShowLog(qint32 first, qint32 count, double yTop, double yBottom) {
    const LogGraph::View view = LogGraph::ShowLog(log_, first, count, yTop, yBottom);
    for (int i = 0; i < 4; ++i)
        if (!view.texts[size_t(i)].isEmpty())
            txtLogDt_[i]->setText(view.texts[size_t(i)]);
    if (view.outcome == LogGraph::Outcome::Drawn)
        Picture6_->setView(view, log_.LogScale);
    else
        prompts_.message(LogGraph::message(view.outcome));
}

void LogGraphPanel::chkZoom_Click() {
    if (zoom() != Grey)
        chkZoom_->setTristate(false);
    if (log_.LogPointCount >= 2) {
        exportCsv_->setEnabled(true);
        if (zoom() == WholeLog)
            ShowLog(1, log_.LogPointCount, 0, 0);
        else if (zoom() == Window)
            ShowLog(LogGraph::zoomFirst(log_, HScroll1_->value()), LogGraph::ZoomPoints, 0, 0);
        return;
    }
    exportCsv_->setEnabled(false);
    Picture6_->clear();
    Text8_->setPlainText(kNoLog);
    for (QLineEdit* box : txtLogDt_)
        box->setText(QStringLiteral(" "));
}

void LogGraphPanel::HScroll1_Change() {
    if (log_.LogPointCount > 1 && zoom() == Window)
        ShowLog(LogGraph::zoomFirst(log_, HScroll1_->value()), LogGraph::ZoomPoints, 0, 0);
}

void LogGraphPanel::VScroll1_Change() {
    Text8_->setPlainText(LogListing::text(log_, VScroll1_->value()));
}

void LogGraphPanel::Picture6_MouseDown(QPointF graph) {
    dragging_ = true;
    corner_ = graph;
}

void LogGraphPanel::Picture6_MouseMove(QPointF graph) {
    if (!dragging_) {
        Picture6_->hideShape();
        return;
    }
    const double left = std::min(corner_.x(), graph.x());
    const double top = std::max(corner_.y(), graph.y());
    shapeRect_ =
        QRectF(left, top, std::abs(graph.x() - corner_.x()), std::abs(graph.y() - corner_.y()));
    Picture6_->showShape(corner_, graph);
}

void LogGraphPanel::Picture6_MouseUp(QPointF graph) {
    if (dragging_) {
        const qint32 x1 = qint32(std::nearbyint(std::min(corner_.x(), graph.x())));
        const qint32 x2 = qint32(std::nearbyint(std::max(corner_.x(), graph.x())));
        dragging_ = false;
        Picture6_->hideShape();
        ShowLog(x1, x2 - x1 + 1, std::max(corner_.y(), graph.y()),
                std::min(corner_.y(), graph.y()));
    }
    Picture6_->hideShape();
}

void LogGraphPanel::ExportCsv_Click() {
    const Prompts::ParentScope parent(prompts_, window());
    LogCsv::exportLog(log_, prompts_);
}
