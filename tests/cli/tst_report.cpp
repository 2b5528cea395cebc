// corvane-cli report against corvane-sim on a pseudo-terminal: a readable
// PDF of the summary, the configuration and the datalog directory, and the
// usage errors of the command.
#include "PdfStructure.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {
// How long corvane-sim may take to start and print its device.
constexpr int StartTimeoutMs = 10000;
// The report scans the ten datalogs, a second each.
constexpr int RunTimeoutMs = 60000;
} // namespace

class TestCliReport : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QProcess sim_;
    QString link_;

    int run(const QStringList& args, QByteArray* err = nullptr) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("CORVANE_SETTINGS", dir_.filePath("settings.ini"));
        p.setProcessEnvironment(env);
        p.start(CORVANE_CLI_PATH, args);
        if (!p.waitForFinished(RunTimeoutMs))
            return -1;
        if (err)
            *err = p.readAllStandardError();
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        link_ = dir_.filePath("meter");
        sim_.start(CORVANE_SIM_PATH, {"--link", link_});
        QVERIFY(sim_.waitForReadyRead(StartTimeoutMs));
    }
    void cleanupTestCase() {
        sim_.terminate();
        sim_.waitForFinished();
    }

    void usage_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("said");
        QTest::newRow("no file") << QStringList{"report"} << QByteArray("report needs -o FILE.pdf");
        QTest::newRow("notes elsewhere")
            << QStringList{"identify", "--notes", "x"} << QByteArray("--notes goes with report");
    }
    void usage() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, said);
        QByteArray err;
        QCOMPARE(run(args, &err), 2);
        QVERIFY2(err.contains(said), err.constData());
    }

    void reportFromTheSimulatedMeter() {
        const QString out = dir_.filePath("visit.pdf");
        QByteArray err;
        QCOMPARE(run({"--port", link_, "report", "-o", out, "--count", "2", "--notes",
                      "Checked on site."},
                     &err),
                 0);
        QFile pdf(out);
        QVERIFY2(pdf.open(QIODevice::ReadOnly), err.constData());
        // Summary, configuration and the datalog directory.
        QCOMPARE(pdfPages(pdf.readAll()), 3);
    }
};

QTEST_MAIN(TestCliReport)
#include "tst_report.moc"
