#pragma once

#include "ServiceReport.h"

#include <QByteArray>
#include <QString>

// Lays the service report out as a PDF with Qt's own PDF writer: A4, each
// page of the report on one sheet (shrunk to fit when it is long, and only
// when it cannot shrink further continued on the next sheets), the pictures
// drawn from their data, "Page n of m" at the foot of each sheet.
class ServiceReportPdf {
public:
    static QByteArray render(const ServiceReport& report);

    // Writes the PDF to a temporary file beside path and puts it in place
    // in one step, so a failed save leaves any old file as it was. False,
    // with the reason in error, when it failed.
    static bool save(const ServiceReport& report, const QString& path, QString* error);
};
