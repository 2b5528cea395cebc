#include "ServiceReportSaver.h"

#include "ServiceReportPdf.h"

#include "diagnostics/DiagnosticPage.h"
#include "ui/PlotSurface.h"
#include "ui/Prompts.h"

#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace {
const QString Suffix = QStringLiteral(".pdf");
const QString Filter = QStringLiteral("PDF files (*.pdf);;All Files (*)");
} // namespace

std::optional<ServiceReportSaver::Request> ServiceReportSaver::ask() {
    const std::optional<QString> notes = prompts_.multiLineText(
        NotesTitle, QStringLiteral("Technician notes for the report (may be left empty):"), {});
    if (!notes)
        return std::nullopt;
    for (;;) {
        QString path =
            prompts_.saveFileName(QStringLiteral("Save Service Report"), Filter, QString());
        if (path.isEmpty())
            return std::nullopt;
        if (!path.endsWith(Suffix, Qt::CaseInsensitive))
            path += Suffix;
        if (!QFileInfo::exists(path))
            return Request{*notes, path};
        const Prompts::Answer answer = prompts_.ask(
            QStringLiteral("Replace existing file - ") + path + u'?', QString(),
            Prompts::Buttons::YesNoCancel, Prompts::Icon::Question, Prompts::Answer::No);
        if (answer == Prompts::Answer::Yes)
            return Request{*notes, path};
        if (answer == Prompts::Answer::Cancel)
            return std::nullopt;
    }
}

bool ServiceReportSaver::save(const ServiceReport& report, const Request& request) {
    QString error;
    if (ServiceReportPdf::save(report, request.path, &error)) {
        prompts_.message(QStringLiteral("Report saved to ") + request.path);
        return true;
    }
    prompts_.message(QStringLiteral("The report was not saved to %1: %2 Any file of that name "
                                    "was left as it was.")
                         .arg(request.path, error),
                     Prompts::Icon::Exclamation);
    return false;
}

SignalPageSnapshot ServiceReportSaver::snapshot(const DiagnosticPage& page, const QString& title) {
    SignalPageSnapshot s;
    s.title = title;
    for (const PlotSurface* surface : page.findChildren<PlotSurface*>()) {
        const PlotSurface::Drawing& d = surface->drawing();
        ReportPlot plot;
        plot.left = d.left;
        plot.top = d.top;
        plot.right = d.right;
        plot.bottom = d.bottom;
        for (const PlotSurface::Stroke& stroke : d.strokes)
            plot.strokes.append({stroke.colour, stroke.points});
        const auto* group = qobject_cast<const QGroupBox*>(surface->parentWidget());
        // The key under the picture: colour swatches each followed by its caption.
        if (group) {
            const QList<QLabel*> labels = group->findChildren<QLabel*>();
            for (qsizetype i = 0; i + 1 < labels.size(); ++i) {
                const QString sheet = labels[i]->styleSheet();
                if (sheet.startsWith(QStringLiteral("background: ")))
                    plot.keys.append({QColor(sheet.mid(12)), labels[i + 1]->text()});
            }
        }
        s.pictures.append({group ? group->title() : surface->objectName(), std::nullopt, plot});
    }
    for (const DiagnosticPage::Figure& f : page.figures()) {
        const auto* box = page.findChild<QLineEdit*>(f.name);
        s.rows.append({f.caption, box ? box->text() : QString()});
    }
    if (const auto* text = page.findChild<QPlainTextEdit*>(QStringLiteral("Text7")))
        s.supervisorOutput = text->toPlainText();
    return s;
}
