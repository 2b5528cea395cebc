#pragma once

#include "ServiceReportBuilder.h"

#include <QString>

#include <optional>

class DiagnosticPage;
class Prompts;

// File > Save Service Report...: the questions before saving (the technician
// notes, the file, whether to replace it), the save itself and what the user
// is told after it. Every question goes through the prompts seam.
class ServiceReportSaver {
public:
    struct Request {
        QString notes;
        QString path;
    };

    explicit ServiceReportSaver(Prompts& prompts) : prompts_(prompts) {}

    // Asks for the notes and the file; ".pdf" is added to a name without it,
    // and an existing file is replaced only when the user says so. Nothing
    // when the user cancelled.
    std::optional<Request> ask();
    // Writes the report to the request's file (atomically) and says whether
    // it was saved.
    bool save(const ServiceReport& report, const Request& request);

    // A signal page of the main window as it stands: its pictures, its
    // figures and its status lines.
    static SignalPageSnapshot snapshot(const DiagnosticPage& page, const QString& title);

    static constexpr const char* NotesTitle = "Technician notes";

private:
    Prompts& prompts_;
};
