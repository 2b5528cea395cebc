#include "SignalRig.h"
#include "diagnostics/DiagnosticLogs.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(Prompts::Answer)

// Opening, writing and closing the two logs through their menu handlers and
// buttons, with the dialogs answered by script.
class TestDiagnosticLogs : public QObject {
    Q_OBJECT

    struct LogRig : SignalRig {
        QTemporaryDir dir;
        QStringList captions;
        int changes = 0;
        DiagnosticLogs logs{prompts, diag, {[this](const QString& c) { captions << c; }}};
        LogRig() {
            logs.now = [] { return QDateTime(QDate(2026, 12, 6), QTime(12, 45, 0)); };
            QObject::connect(&logs, &DiagnosticLogs::logsChanged, [this] { ++changes; });
        }
        QString path(const char* name) { return dir.filePath(name); }
        QByteArray contents(const char* name) {
            QFile f(path(name));
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
        }
        void write(const char* name, const QByteArray& bytes) {
            QFile f(path(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        }
    };

private slots:
    // The replace question and its three answers; Cancel shows the dialog again.
    void openExisting_data() {
        QTest::addColumn<QList<Prompts::Answer>>("answers");
        QTest::addColumn<int>("dialogs");
        QTest::addColumn<QByteArray>("kept"); // what the file holds before the first record
        using A = Prompts::Answer;
        QTest::newRow("new file") << QList<A>{} << 1 << QByteArray();
        QTest::newRow("No appends") << QList<A>{A::No} << 1 << QByteArray("old\r\n");
        QTest::newRow("Yes replaces") << QList<A>{A::Yes} << 1 << QByteArray();
        QTest::newRow("Cancel asks again")
            << QList<A>{A::Cancel, A::No} << 2 << QByteArray("old\r\n");
    }
    void openExisting() {
        QFETCH(QList<Prompts::Answer>, answers);
        QFETCH(int, dialogs);
        QFETCH(QByteArray, kept);
        LogRig rig;
        if (!answers.isEmpty())
            rig.write("X.LOG", "old\r\n");
        rig.prompts.answers = answers;
        for (int i = 0; i < dialogs; ++i)
            rig.prompts.fileNames << rig.path("X.LOG");
        rig.logs.mnuOpenLog_Click();
        QCOMPARE(rig.prompts.fileDialogs.size(), dialogs);
        for (const auto& d : rig.prompts.fileDialogs)
            QCOMPARE(d.title + " | " + d.filter + " | " + d.startName,
                     "Open Communications Log File | Log Files (*.LOG *.log);;All Files (*.*) | ");
        QStringList asked;
        for (const auto& s : rig.prompts.shown)
            asked << s.text;
        QCOMPARE(asked,
                 QStringList(answers.size(), "Replace existing file - " + rig.path("X.LOG") + "?"));
        QVERIFY(rig.logs.communicationsLogOpen());
        QCOMPARE(rig.captions, QStringList{"X.LOG"});
        rig.logs.Command2_Click();
        const QByteArray file = rig.contents("X.LOG");
        QVERIFY(file.startsWith(kept + rig.logs.dateLine().toLatin1() + "\r\nCrossproduct,"));
        QVERIFY(rig.logs.dateLine().contains("12:45:00"));
        QCOMPARE(file.count("\r\n"), kept.count("\r\n") + 130);
    }

    // A cancelled dialog opens nothing; each Save to Log button then says so.
    void noLogOpen() {
        LogRig rig;
        rig.logs.mnuOpenSupvLog_Click();
        const auto& d = rig.prompts.fileDialogs.value(0);
        QCOMPARE(d.title + " | " + d.filter,
                 "Open Supervisor Log File | Supervisor Log Files (*.SLG *.slg);;All Files (*.*)");
        QVERIFY(!rig.logs.supervisorLogOpen() && rig.changes == 0);
        for (auto click : {&DiagnosticLogs::Command1_Click, &DiagnosticLogs::Command2_Click,
                           &DiagnosticLogs::Command3_Click, &DiagnosticLogs::Command4_Click})
            (rig.logs.*click)();
        QCOMPARE(rig.prompts.texts(), QStringList(4, "No Log File Opened"));
    }

    // Every record is on the disk as soon as it is written; closing clears the caption.
    void recordsFlushedAndClosed() {
        LogRig rig;
        rig.prompts.fileNames << rig.path("a.log");
        rig.logs.mnuOpenLog_Click();
        rig.time.Refresh();
        rig.logs.Command4_Click();
        QCOMPARE(rig.contents("a.log").count("\r\n"), 258);
        rig.logs.Command3_Click();
        QCOMPARE(rig.contents("a.log").count("\r\n"), 258 + 15);
        using M = DiagnosticLogs::MenuState;
        QVERIFY((rig.logs.menuState(true) == M{false, true, true, false}));
        rig.logs.mnuCloseLog_Click();
        QCOMPARE(rig.captions, (QStringList{"a.log", ""}));
        QVERIFY((rig.logs.menuState(true) == M{true, false, true, false}));
        QVERIFY((rig.logs.menuState(false) == M{false, false, false, false}));
        QVERIFY(!rig.logs.communicationsLogOpen());
    }

    // A log whose file goes away is told once and closed. Windows keeps an
    // open file from being removed: there the log records on.
    void writeFailureToldOnce() {
        LogRig rig;
        rig.prompts.fileNames << rig.path("gone.log");
        rig.logs.mnuOpenLog_Click();
#ifdef Q_OS_WIN
        QVERIFY(!QFile::remove(rig.path("gone.log")));
        rig.logs.Command1_Click();
        QVERIFY(rig.prompts.shown.isEmpty());
        QVERIFY(rig.logs.communicationsLogOpen());
        QVERIFY(rig.contents("gone.log").count("\r\n") > 0);
#else
        QVERIFY(QFile::remove(rig.path("gone.log")));
        rig.logs.Command1_Click();
        rig.logs.Command1_Click();
        QCOMPARE(rig.prompts.shown.size(), 2);
        QVERIFY(rig.prompts.shown[0].text.startsWith(
            "The communications log " + rig.path("gone.log") + " could not be written"));
        QCOMPARE(rig.prompts.shown[1].text, "No Log File Opened");
        QVERIFY(!rig.logs.communicationsLogOpen());
        QCOMPARE(rig.captions.last(), "");
#endif
    }

    // One supervisor record per "Raw Flow Data" tick with a current status
    // block, also when the range byte is 0; none from the crossproduct page.
    void supervisorRecords_data() {
        QTest::addColumn<int>("rangeByte");
        QTest::addColumn<bool>("statusValid");
        QTest::addColumn<int>("records");
        QTest::newRow("meter's own") << -1 << true << 2;
        QTest::newRow("range byte 0") << 0 << true << 2;
        QTest::newRow("status not current") << -1 << false << 0;
    }
    void supervisorRecords() {
        QFETCH(int, rangeByte);
        QFETCH(bool, statusValid);
        LogRig rig;
        rig.model.faults().rangeScaleByte = rangeByte;
        rig.model.faults().statusNotValid = !statusValid;
        rig.prompts.fileNames << rig.path("s.slg");
        rig.logs.mnuOpenSupvLog_Click();
        rig.cross.Refresh();
        rig.raw.Refresh();
        rig.raw.Refresh();
        const QByteArray file = rig.contents("s.slg");
        QTEST(int(file.count("\r\nFlow: ")), "records");
        if (statusValid)
            QVERIFY(file.contains("\r\nSS: " + rig.text("Text12").toLatin1() +
                                  "\r\nSQ: " + rig.text("Text6(19)").toLatin1() + "\r\n"));
    }
};

QTEST_MAIN(TestDiagnosticLogs)
#include "tst_diagnosticlogs.moc"
