// The real program against corvane-sim on a pseudo-terminal: it finds the
// meter through the port named in its settings file and shows live values.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

class tst_endtoend : public QObject {
    Q_OBJECT
private slots:
    void liveValuesFromSimulatedMeter();
};

void tst_endtoend::liveValuesFromSimulatedMeter() {
#if !defined(CORVANE_PATH) || !defined(CORVANE_SIM_PATH)
    QSKIP("needs the corvane and corvane-sim programs");
#else
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath("com1");

    QProcess sim;
    sim.start(CORVANE_SIM_PATH, {"--link", link, "--unit", "4", "--version", "V3.21"});
    QVERIFY(sim.waitForStarted());
    // Generous limits for two processes on a busy machine; they measure nothing.
    QVERIFY(QTest::qWaitFor([&] { return QFile::exists(link); }, 10000));

    const QString ini = dir.filePath("corvane.ini");
    QFile f(ini);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Text));
    f.write(QString("[Properties]\nCommPort=1\nSettings=19200,n,8,1\nHandshaking=0\n\n"
                    "[Ports]\nCom1=%1\n")
                .arg(link)
                .toUtf8());
    f.close();

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("CORVANE_SETTINGS", ini);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    program.setProcessEnvironment(env);
    // Start-up and the first two polling ticks take about three seconds.
    program.start(CORVANE_PATH, {"--self-test-seconds", "6"});
    QVERIFY(program.waitForStarted());
    const bool finished = program.waitForFinished(60000);
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
    const auto fixed = [&](std::initializer_list<const char*> keys) {
        QStringList v;
        for (const char* key : keys)
            v << page.value(key);
        return v.join('|');
    };
    // The simulated installation: about 380 gallons per minute at about 4.2 ft/s.
    QCOMPARE(fixed({"caption", "Label23", "Label22", "InitText.shown", "FlowRateEEval",
                    "Velratetext", "TotXtext", "TotEEunit", "TxtLogging", "TxtXQmode.shown"}),
             QString("Corvane v1.00|Velmar KR4|V3.21|0|G/Min|Ft/Sec|  X1|GAL|Logging|0"));
    const double flow = page.value("FlowValText").toDouble();
    QVERIFY2(flow > 300 && flow < 460, qPrintable(page.value("FlowValText")));
    const double velocity = page.value("velvaltext").toDouble();
    QVERIFY2(velocity > 3.5 && velocity < 5, qPrintable(page.value("velvaltext")));
    QVERIFY(page.value("SSvaltext").toDouble() > 50);
    const QRegularExpression clock(
        "^(0\\d|1[0-2]):[0-5]\\d:[0-5]\\d (AM|PM) \\d\\d/\\d\\d/\\d{4}$");
    QVERIFY(clock.match(page.value("NormDispTime") + " " + page.value("NormDispDate")).hasMatch());
    QVERIFY(page.value("TotValtext").trimmed().toLongLong() > 1000000);
#endif
}

QTEST_GUILESS_MAIN(tst_endtoend)
#include "tst_endtoend.moc"
