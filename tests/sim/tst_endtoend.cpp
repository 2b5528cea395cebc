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
    void exchanges_data() {
        QTest::addColumn<QStringList>("simArgs");
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("length");
        QTest::addColumn<QByteArray>("begins");
        QTest::addColumn<int>("resultLength");

        QTest::newRow("system configuration at 9600")
            << QStringList{} << "9600,n,8,1" << QByteArray("SC,0,\n") << 1 << 189
            << QByteArray("SC,0,") << 188;
        QTest::newRow("signal block") << QStringList{} << "19200,n,8,1" << QByteArray("XD,5\n") << 2
                                      << 561 << QByteArray() << 540;
        QTest::newRow("Bad OP, then the answer")
            << QStringList{"--fault", "badop:1"} << "19200,n,8,1" << QByteArray("CC,0,\n") << 2
            << 71 << QByteArray("CC,0,") << 71;
        QTest::newRow("RecErr, then the answer")
            << QStringList{"--fault", "recerr:1", "--unit", "3"} << "19200,n,8,1"
            << QByteArray("VT,0\n") << 0 << 5 << QByteArray("VT,3") << 4;
    }

    void exchanges() {
        QFETCH(QStringList, simArgs);
        QFETCH(QString, settings);
        QFETCH(QByteArray, command);
        QFETCH(int, mode);
        QFETCH(int, length);
        QFETCH(QByteArray, begins);
        QFETCH(int, resultLength);
        // A faulty meter hears the command twice in the first round.
        const int heard = simArgs.contains("--fault") ? 2 : 1;

        QTemporaryDir dir;
        const QString link = dir.filePath("meter");
        const QString trace = dir.filePath("trace.txt");
        QProcess sim;
        sim.start(CORVANE_SIM_PATH, QStringList{"--link", link, "--trace", trace} + simArgs);
        QVERIFY(sim.waitForReadyRead(StartTimeoutMs));
        QVERIFY(sim.readLine().startsWith("/dev/"));

        QtSerialPort port([&](int) { return link; });
        EventLoopWaiter waiter;
        ScriptedPrompts prompts;
        MeterLink meter(port, waiter, prompts);
        QVERIFY(port.setSettings(settings));
        // Twice, closing the port in between: the simulator outlives the program
        // closing and reopening its line.
        for (int round = 0; round < 2; ++round) {
            QVERIFY2(port.open(), qPrintable(port.errorString()));
            const QByteArray result = meter.SendCommand(command, mode, length);
            QCOMPARE(result.size(), resultLength);
            QVERIFY(result.startsWith(begins));
            port.close();
        }

        sim.terminate();
        QVERIFY(sim.waitForFinished(StartTimeoutMs));
        QVERIFY(!QFileInfo::exists(link));
        QFile t(trace);
        QVERIFY(t.open(QIODevice::ReadOnly));
        const QByteArray lines = t.readAll();
        // The fault hits the first round only; each attempt is one trace line.
        QCOMPARE(lines.count('\n'), heard + 1);
        QVERIFY(lines.contains(command.chopped(1)));
    }
};

QTEST_GUILESS_MAIN(tst_EndToEnd)
#include "tst_endtoend.moc"
