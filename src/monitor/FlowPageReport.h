#pragma once

#include "report/ServiceReportBuilder.h"

class FlowPage;

// The flow page's part of the service report: the figures exactly as the
// page shows them and the trend as it is drawn. Sends nothing.
namespace FlowPageReport {
ReportLiveFigures figures(FlowPage& page);
// The trend as shown; nothing when it holds no tick at all.
std::optional<TrendChart::Span> trend(FlowPage& page);
} // namespace FlowPageReport
