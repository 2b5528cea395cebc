// The real program against corvane-sim on a pseudo-terminal: it finds the
// meter through the port named in its settings file and shows live values.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Generous limits for two processes on a busy machine; they bound the test,
// they measure nothing.
constexpr int SimStartLimitMs = 10000;
constexpr int ProgramRunLimitMs = 60000;
// Seconds of live display before the program prints its flow page: start-up
// and the first two polling ticks take about three.
constexpr int LiveSeconds = 6;

} // namespace

class tst_endtoend : public QObject {
    Q_OBJECT
private slots:
    void liveValuesFromSimulatedMeter_data();
    void liveValuesFromSimulatedMeter();
};

void tst_endtoend::liveValuesFromSimulatedMeter_data() {
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("model");
    QTest::newRow("KR5") << "5"
                         << "Velmar KR5";
    QTest::newRow("KR3") << "3"
                         << "Velmar KR3";
}

void tst_endtoend::liveValuesFromSimulatedMeter() {
#if !defined(CORVANE_PATH) || !defined(CORVANE_SIM_PATH)
    QSKIP("needs the corvane and corvane-sim programs");
#else
    QFETCH(QString, unit);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath("com1");

    QProcess sim;
    sim.start(CORVANE_SIM_PATH, {"--link", link, "--unit", unit, "--version", "V3.21"});
    QVERIFY(sim.waitForStarted());
    QVERIFY(QTest::qWaitFor([&] { return QFile::exists(link); }, SimStartLimitMs));

    const QString ini = dir.filePath("corvane.ini");
    {
        QFile f(ini);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Text));
        f.write(QString("[Properties]\nCommPort=1\nSettings=19200,n,8,1\nHandshaking=0\n\n"
                        "[Ports]\nCom1=%1\n")
                    .arg(link)
                    .toUtf8());
    }

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("CORVANE_SETTINGS", ini);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    program.setProcessEnvironment(env);
    program.start(CORVANE_PATH, {"--self-test-seconds", QString::number(LiveSeconds)});
    QVERIFY(program.waitForStarted());
    const bool finished = program.waitForFinished(ProgramRunLimitMs);
    sim.terminate();
    sim.waitForFinished();
    QVERIFY2(finished, "the program did not end after its self-test");
    QCOMPARE(program.exitCode(), 0);

    QHash<QString, QString> page;
    for (const QString& line : QString::fromUtf8(program.readAllStandardOutput()).split('\n')) {
        const qsizetype eq = line.indexOf('=');
        if (eq > 0)
            page.insert(line.left(eq), line.mid(eq + 1));
    }
    QCOMPARE(page.value("caption"), QString("Corvane v1.00"));
    QTEST(page.value("Label23"), "model");
    QCOMPARE(page.value("Label22"), QString("V3.21"));
    QCOMPARE(page.value("InitText.shown"), QString("0"));
    // The simulated installation: about 380 gallons per minute at about 4.2 ft/s.
    QCOMPARE(page.value("FlowRateEEval"), QString("G/Min"));
    bool ok = false;
    const double flow = page.value("FlowValText").toDouble(&ok);
    QVERIFY2(ok && flow > 300 && flow < 460, qPrintable(page.value("FlowValText")));
    const double velocity = page.value("velvaltext").toDouble(&ok);
    QVERIFY2(ok && velocity > 3.5 && velocity < 5, qPrintable(page.value("velvaltext")));
    QCOMPARE(page.value("Velratetext"), QString("Ft/Sec"));
    QVERIFY(page.value("SSvaltext").toDouble() > 50);
    QVERIFY(QRegularExpression("^(0\\d|1[0-2]):[0-5]\\d:[0-5]\\d (AM|PM)$")
                .match(page.value("NormDispTime"))
                .hasMatch());
    QVERIFY(
        QRegularExpression("^\\d\\d/\\d\\d/\\d{4}$").match(page.value("NormDispDate")).hasMatch());
    QVERIFY(page.value("TotValtext").trimmed().toLongLong() > 1000000);
    QCOMPARE(page.value("TotXtext"), QString("  X1"));
    QCOMPARE(page.value("TotEEunit"), QString("GAL"));
    QCOMPARE(page.value("TxtLogging"), QString("Logging"));
    QCOMPARE(page.value("TxtXQmode.shown"), QString("0"));
#endif
}

QTEST_GUILESS_MAIN(tst_endtoend)
#include "tst_endtoend.moc"
