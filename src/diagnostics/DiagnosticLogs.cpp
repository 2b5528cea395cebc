#include "DiagnosticLogs.h"

#include "DiagnosticRecords.h"
#include "SignalDiagnostics.h"
#include "ui/Prompts.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>

DiagnosticLogs::DiagnosticLogs(Prompts& prompts, SignalDiagnostics& diagnostics, Host host,
                               QObject* parent)
    : QObject(parent), prompts_(prompts), diagnostics_(diagnostics), host_(std::move(host)),
      comm_(prompts, "communications log"), supervisor_(prompts, "supervisor log") {
    comm_.onFailureClosed = [this] {
        if (host_.WriteCaption)
            host_.WriteCaption(QString());
        emit logsChanged();
    };
    supervisor_.onFailureClosed = [this] { emit logsChanged(); };
    diagnostics_.onSupervisorOutput = [this] { writeSupervisorRecord(); };
}

DiagnosticLogs::~DiagnosticLogs() {
    diagnostics_.onSupervisorOutput = nullptr;
    comm_.close();
    supervisor_.close();
}

QString DiagnosticLogs::dateLine() const {
    const QDateTime t = now();
    const QLocale locale = QLocale::system();
    return locale.toString(t.date(), QLocale::ShortFormat) + " " +
           locale.toString(t.time(), "HH:mm:ss");
}

void DiagnosticLogs::open(Kind kind) {
    const bool comm = kind == Kind::Communications;
    const QString title = comm ? "Open Communications Log File" : "Open Supervisor Log File";
    const QString filter = comm ? "Log Files (*.LOG *.log);;All Files (*.*)"
                                : "Supervisor Log Files (*.SLG *.slg);;All Files (*.*)";
    QString name;
    for (;;) {
        name = prompts_.appendFileName(title, filter, QString());
        if (name.isEmpty())
            return;
        if (!QFileInfo::exists(name))
            break;
        const auto answer = prompts_.ask("Replace existing file - " + name + "?", QString(),
                                         Prompts::Buttons::YesNoCancel, Prompts::Icon::Question,
                                         Prompts::Answer::Yes);
        if (answer == Prompts::Answer::Cancel)
            continue;
        if (answer == Prompts::Answer::Yes) {
            QFile existing(name);
            if (!existing.remove()) {
                prompts_.message(existing.errorString(), Prompts::Icon::Exclamation);
                return;
            }
        }
        break;
    }
    QString error;
    LogFile& log = comm ? comm_ : supervisor_;
    if (!log.open(name, &error)) {
        prompts_.message(error, Prompts::Icon::Exclamation);
        return;
    }
    if (comm && host_.WriteCaption)
        host_.WriteCaption(QFileInfo(name).fileName());
    emit logsChanged();
}

void DiagnosticLogs::close(Kind kind) {
    if (kind == Kind::Communications) {
        comm_.close();
        if (host_.WriteCaption)
            host_.WriteCaption(QString());
    } else {
        supervisor_.close();
    }
    emit logsChanged();
}

void DiagnosticLogs::mnuOpenLog_Click() {
    open(Kind::Communications);
}
void DiagnosticLogs::mnuCloseLog_Click() {
    close(Kind::Communications);
}
void DiagnosticLogs::mnuOpenSupvLog_Click() {
    open(Kind::Supervisor);
}
void DiagnosticLogs::mnuCloseSupvLog_Click() {
    close(Kind::Supervisor);
}

void DiagnosticLogs::saveToLog(const std::function<QByteArray()>& record) {
    if (!comm_.isOpen()) {
        prompts_.message("No Log File Opened");
        return;
    }
    comm_.write(record());
}

void DiagnosticLogs::Command1_Click() {
    saveToLog([this] { return DiagnosticRecords::frequency(dateLine(), diagnostics_.arrays()); });
}

void DiagnosticLogs::Command2_Click() {
    saveToLog(
        [this] { return DiagnosticRecords::crossproduct(dateLine(), diagnostics_.arrays()); });
}

void DiagnosticLogs::Command3_Click() {
    saveToLog([this] {
        return DiagnosticRecords::parameters(dateLine(), diagnostics_.boxes(),
                                             diagnostics_.RangeScale);
    });
}

void DiagnosticLogs::Command4_Click() {
    saveToLog([this] { return DiagnosticRecords::time(dateLine(), diagnostics_.arrays()); });
}

void DiagnosticLogs::writeSupervisorRecord() {
    if (supervisor_.isOpen())
        supervisor_.write(DiagnosticRecords::supervisor(dateLine(), diagnostics_.boxes()));
}

void DiagnosticLogs::closeAll() {
    const bool wasOpen = comm_.isOpen() || supervisor_.isOpen();
    comm_.close();
    supervisor_.close();
    if (wasOpen)
        emit logsChanged();
}
