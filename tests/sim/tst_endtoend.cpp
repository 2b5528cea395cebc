// The meter link over a real serial port (QSerialPort on a pseudo-terminal)
// against the corvane-sim program.

#include "ScriptedPrompts.h"
#include "link/EventLoopWaiter.h"
#include "link/MeterLink.h"
#include "link/QtSerialPort.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// How long corvane-sim may take to start and print its device.
static constexpr int StartTimeoutMs = 10000;

class tst_EndToEnd : public QObject {
    Q_OBJECT
private slots:
    // A signal block that the meter first refuses with Bad OP; then, after the
    // port is closed and reopened at another speed (the simulator outlives the
    // program closing its line), a line read of the system configuration.
    void exchanges() {
        QTemporaryDir dir;
        const QString link = dir.filePath("meter");
        const QString trace = dir.filePath("trace.txt");
        QProcess sim;
        sim.start(CORVANE_SIM_PATH, {"--link", link, "--trace", trace, "--fault", "badop:1"});
        QVERIFY(sim.waitForReadyRead(StartTimeoutMs));
        QVERIFY(sim.readLine().startsWith("/dev/"));

        QtSerialPort port([&](int) { return link; });
        EventLoopWaiter waiter;
        ScriptedPrompts prompts;
        MeterLink meter(port, waiter, prompts);
        QVERIFY2(port.open(), qPrintable(port.errorString()));
        QCOMPARE(meter.SendCommand("XD,5\n", 2, 561).size(), 540);
        port.close();
        QVERIFY(port.setSettings("9600,n,8,1"));
        QVERIFY2(port.open(), qPrintable(port.errorString()));
        const QByteArray sc = meter.SendCommand("SC,0,\n", 1, 189);
        QCOMPARE(sc.size(), 188);
        QVERIFY(sc.startsWith("SC,0,"));
        port.close();

        sim.terminate();
        QVERIFY(sim.waitForFinished(StartTimeoutMs));
        QVERIFY(!QFileInfo::exists(link));
        QFile t(trace);
        QVERIFY(t.open(QIODevice::ReadOnly));
        // One trace line for each command the meter heard.
        const QList<QByteArray> lines = t.readAll().trimmed().split('\n');
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines[0].contains("XD,5") && lines[1].contains("XD,5") &&
                lines[2].contains("SC,0,"));
    }
};

QTEST_GUILESS_MAIN(tst_EndToEnd)
#include "tst_endtoend.moc"
