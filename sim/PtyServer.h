#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QString>

class MeterModel;
class QSocketNotifier;
class QTimer;

// Serves a MeterModel on a pseudo-terminal.
//
// The slave side is what the program opens as its serial port. The server
// keeps a slave descriptor of its own open, so the master never sees a
// hang-up while the program has the port closed, and reads the line speed
// the program set from it. Reply bytes are written to the master at the
// times the model gives for that speed.
class PtyServer : public QObject {
    Q_OBJECT
public:
    explicit PtyServer(MeterModel& model, QObject* parent = nullptr);
    ~PtyServer() override;

    // Creates the pseudo-terminal and a symbolic link to it at linkPath.
    bool start(const QString& linkPath, QString* error);
    // Closes the terminal and removes the link.
    void stop();

    QString devicePath() const { return device_; }
    // Writes one line per command received to path ("-" for standard error).
    bool setTrace(const QString& path);

    // Milliseconds since start(): the model's clock.
    qint64 now() const { return clock_.elapsed(); }

    // The speed set on the line, in baud (19200 when it cannot be read).
    int lineSpeed() const;

signals:
    // The model hung up: the terminal is closed and the link removed.
    void hungUp();

private:
    void readMaster();
    void deliver();
    void schedule();
    void checkLine();

    MeterModel& model_;
    int master_ = -1;
    int slave_ = -1;
    QString device_;
    QString link_;
    QSocketNotifier* notifier_ = nullptr;
    QTimer* pacer_ = nullptr;
    QElapsedTimer clock_;
    QFile trace_;
    bool traceToStderr_ = false;
};
