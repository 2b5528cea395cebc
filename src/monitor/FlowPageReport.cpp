#include "FlowPageReport.h"

#include "FlowPage.h"
#include "FlowTrendView.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QRegularExpression>

namespace {
QString text(FlowPage& page, const char* name) {
    const auto* label = page.findChild<QLabel*>(name);
    return label ? label->text().trimmed() : QString();
}
} // namespace

ReportLiveFigures FlowPageReport::figures(FlowPage& page) {
    ReportLiveFigures f;
    f.lastGoodMs = page.trendView().trend().lastGoodTime();
    f.rows.append(ReportRow{"Flow Rate", text(page, "FlowValText"), text(page, "FlowRateEEval")});
    f.rows.append(ReportRow{"Velocity", text(page, "velvaltext"), text(page, "Velratetext")});
    f.rows.append(ReportRow{"Signal Strength", text(page, "SSvaltext"), "%"});
    f.rows.append(ReportRow{"Signal Quality", text(page, "SQvaltext"), ""});
    f.rows.append(ReportRow{"Totalizer", text(page, "TotValtext"),
                            (text(page, "TotXtext") + u' ' + text(page, "TotEEunit")).trimmed()});
    f.rows.append(
        ReportRow{"Meter clock", text(page, "NormDispTime") + u' ' + text(page, "NormDispDate")});
    for (const char* name : {"TxtLogging", "TxtXQmode", "TxtRemoteZero"}) {
        const auto* label = page.findChild<QLabel*>(name);
        if (label && !label->isHidden())
            f.indicators << label->text();
    }
    const auto* box = page.findChild<QPlainTextEdit*>("ErrMessBox");
    if (box && !box->isHidden())
        f.statusLines = box->toPlainText().split(QRegularExpression("[\r\n]+"), Qt::SkipEmptyParts);
    return f;
}

std::optional<TrendChart::Span> FlowPageReport::trend(FlowPage& page) {
    if (page.trendView().trend().size() == 0)
        return std::nullopt;
    return page.trendView().shownSpan();
}
