#pragma once

#include "LogFile.h"

#include <QDateTime>
#include <QObject>

#include <functional>

class Prompts;
class SignalDiagnostics;

// The communications log (*.LOG, written by the "Save to Log" buttons) and
// the supervisor log (*.SLG, one record per "Raw Flow Data" tick), with the
// File menu handlers that open and close them. Both logs are closed when
// this object goes, so every way the program ends closes them.
class DiagnosticLogs : public QObject {
    Q_OBJECT
public:
    struct Host {
        // Shows the open communications log's file title in the caption
        // (an empty text removes it).
        std::function<void(const QString&)> WriteCaption;
    };

    DiagnosticLogs(Prompts& prompts, SignalDiagnostics& diagnostics, Host host,
                   QObject* parent = nullptr);
    ~DiagnosticLogs() override;

    void mnuOpenLog_Click();
    void mnuCloseLog_Click();
    void mnuOpenSupvLog_Click();
    void mnuCloseSupvLog_Click();

    // The "Save to Log" buttons: frequency domain, crossproduct, parameters,
    // time domain.
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();

    // Appends the supervisor record of the tick just shown, when that log is open.
    void writeSupervisorRecord();

    void closeAll();

    bool communicationsLogOpen() const { return comm_.isOpen(); }
    // Which File menu log items are enabled: an open item while the field
    // diagnostics are on and its log is closed, a close item while its log
    // is open.
    struct MenuState {
        bool mnuOpenLog, mnuCloseLog, mnuOpenSupvLog, mnuCloseSupvLog;
        bool operator==(const MenuState&) const = default;
    };
    MenuState menuState(bool fieldDiagnostics) const {
        return {fieldDiagnostics && !comm_.isOpen(), comm_.isOpen(),
                fieldDiagnostics && !supervisor_.isOpen(), supervisor_.isOpen()};
    }
    bool supervisorLogOpen() const { return supervisor_.isOpen(); }

    // The clock of the date lines (tests set a fixed one).
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
    // The date line: the local date and time in the system's short form.
    QString dateLine() const;

signals:
    // A log opened or closed: the menu items follow.
    void logsChanged();

private:
    enum class Kind { Communications, Supervisor };
    void open(Kind kind);
    void close(Kind kind);
    void saveToLog(const std::function<QByteArray()>& record);

    Prompts& prompts_;
    SignalDiagnostics& diagnostics_;
    Host host_;
    LogFile comm_;
    LogFile supervisor_;
};
