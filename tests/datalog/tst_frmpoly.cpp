// The datalog window against the simulated meter on the virtual clock: its
// controls, the scan on opening, download, save, load and erase as the user
// sees them.
#include "datalog/dbg.h"
#include "datalog/frmPoly.h"
#include "datalog/frmProgress.h"

#include "MeterDatalogs.h"
#include "ProgramRig.h"
#include "shared/ConfigRecord.h"
#include "shared/SchedulingFlags.h"

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Rig : LinkRig {
    MeterDatalogs logs;
    SchedulingFlags flags;
    ConfigRecord config;
    DatalogRecord log;
    bool polling = true;
    QTemporaryDir dir;
    std::unique_ptr<frmPoly> window;
    explicit Rig(bool meter = true) {
        logs.install(model);
        if (meter) {
            port.open();
            link.connection().identified(5);
        }
        flags.LiveMonitorActive = true;
        config.SysConfig.CurrentDatalogNumber = 2;
        config.LrnConfig.LoggingActive = 1;
        window = std::make_unique<frmPoly>(link, owner, flags, config, log,
                                           frmPoly::Host{[] { return QString("Velmar KR5"); },
                                                         [] { return QString("V1.95"); },
                                                         [this] { return polling; },
                                                         [this](bool on) { polling = on; },
                                                         {}});
    }
    template <typename T> T* find(const QString& name) const { return window->findChild<T*>(name); }
    QString counts() const {
        QStringList out;
        for (int d = 0; d < 10; ++d)
            out << find<QLabel>(QString("Logpts(%1)").arg(d))->text();
        return out.join(' ');
    }
    QString path(const QString& name) const { return dir.filePath(name); }
};

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
}

} // namespace

class TestFrmPoly : public QObject {
    Q_OBJECT

private slots:
    // "Current Log" has one rule; the combo box item is the log number.
    void logNumbers() {
        Rig rig;
        QCOMPARE(rig.find<QLineEdit>("txtcurrentlog")->text(), "2");
        rig.window->cmbLogId_Click(7);
        QCOMPARE(rig.log.CurrentLogId, "7");
        for (auto [file, shown] : {std::pair{255, "Off - None"}, {254, "254"}, {0, "0"}})
            QCOMPARE(DatalogDirectory::currentLogText(file), shown);
    }

    // Opening scans the meter's logs into the labels only; it waits for
    // pending reads a bounded time. Closing hides and resumes the live monitor.
    void openAndScan() {
        Rig rig;
        rig.log.LogPointCount = 2, rig.log.LogPoints = {7, 8};
        rig.flags.NeedFlowData = true; // never cleared: the window opens anyway
        rig.window->RetreveUnitLog();
        QVERIFY(rig.window->isVisible() && !rig.flags.LiveMonitorActive);
        QCOMPARE(rig.counts(), "33 4000 100 0 0 0 0 0 0 0");
        QCOMPARE(rig.log.LogPoints, std::vector<qint16>({7, 8}));
        QVERIFY(rig.waiter.now() >= 5000 + 10000);
        rig.window->mnuQuit_Click();
        QVERIFY(!rig.window->isVisible() && rig.flags.LiveMonitorActive);
        QCOMPARE(rig.log.LogPointCount, 2);

        Rig none(false);
        none.window->RetreveUnitLog();
        QCOMPARE(none.model.received().size(), 0);
        QCOMPARE(none.counts(), "         ");
        QCOMPARE(none.find<QLineEdit>("txtcurrentlog")->text(), "");

        // Opened again after the meter has gone: none of its counts is left.
        rig.window->RetreveUnitLog();
        rig.window->mnuQuit_Click();
        rig.port.close();
        rig.link.connection().notIdentified();
        rig.window->RetreveUnitLog();
        QCOMPARE(rig.counts() + "|" + rig.find<QLineEdit>("txtcurrentlog")->text(), "         |");
    }

    // Each box, list and the graph of the window has a name a screen reader says.
    void accessibleNames() {
        Rig rig;
        QStringList names;
        for (const char* name : {"txtLogDt(0)", "txtLogDt(1)", "txtLogDt(2)", "txtLogDt(3)",
                                 "txtcurrentlog", "Text8", "Logpts(3)", "HScroll1"}) {
            QWidget* w = rig.find<QWidget>(name);
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
            names << (a ? a->text(QAccessible::Name) : QString("?"));
        }
        QCOMPARE(names,
                 (QStringList{"First point time", "Last point time", "High Flow", "Low Flow",
                              "Current Log", "Datalog listing", "Log3 points", "Graph position"}));
    }

    void downloadSaveLoad() {
        Rig rig;
        rig.window->show();
        bool disabledMeanwhile = false;
        rig.waiter.onYield = [&] {
            disabledMeanwhile =
                disabledMeanwhile || (!rig.find<QPushButton>("cmdGetLog")->isEnabled() &&
                                      !rig.find<QAction>("mnuLoad")->isEnabled());
        };
        rig.window->cmdGetLog_Click();
        QVERIFY(disabledMeanwhile && rig.find<QPushButton>("cmdGetLog")->isEnabled());
        QCOMPARE(rig.log.LogPoints, rig.logs.logs[0].points);
        QVERIFY(rig.polling && rig.prompts.shown.isEmpty());
        QCOMPARE(rig.find<QLabel>("lblLogInfo")->text(),
                 "File 0 Started 5/12/2006 10:30:00 AM\n33 Flow points at 60 second "
                 "intervals\nValues range from 340 to 420.4 GPM");
        QVERIFY(rig.window->debugWindow()->text().contains("\nHEX D3 0E "));
        // The graph and listing show the new log; it can be exported.
        QVERIFY(rig.find<QAction>("mnuExportCsv")->isEnabled());
        QVERIFY(rig.find<QWidget>("Picture6")->isVisible());

        // Save: an existing file is replaced only on Yes; No leaves it alone.
        const QString name = rig.path("log.vdl");
        writeFile(name, "keep");
        rig.prompts.fileNames = {name, name, name};
        rig.prompts.answers = {Prompts::Answer::Cancel, Prompts::Answer::No};
        rig.window->mnuSave_Click();
        QCOMPARE(readFile(name), "keep");
        QCOMPARE(rig.prompts.fileDialogs.size(), 2); // Cancel showed the dialog again
        rig.prompts.answers = {Prompts::Answer::Yes};
        rig.window->mnuSave_Click();
        QCOMPARE(rig.prompts.texts().last(), "Log saved to " + name);
        QCOMPARE(rig.prompts.shown[0].text, "Replace existing file - " + name + "?");
        QCOMPARE(rig.prompts.fileDialogs[0].title, "Save DataLog File");
        const QByteArray saved = readFile(name); // its layout is the VDL file test's
        QVERIFY(saved.startsWith("\"File 0 Started 5/12/2006 10:30:00 AM\"\r\n"));

        // Load: a damaged file changes nothing; a missing one asks again.
        writeFile(rig.path("bad.vdl"), saved.left(300));
        rig.prompts.clearRecord();
        rig.prompts.fileNames = {rig.path("missing.vdl"), rig.path("bad.vdl")};
        rig.window->mnuLoad_Click();
        QCOMPARE(rig.prompts.texts().first(), "File Not Found");
        QVERIFY(rig.prompts.texts().last().contains("promises 33 points but the file holds"));
        QCOMPARE(rig.log.LogPoints, rig.logs.logs[0].points);
        rig.prompts.fileNames = {name};
        rig.window->mnuLoad_Click();
        QCOMPARE(rig.log.LogPointCount, 33);
        QCOMPARE(rig.log.LogMaxRaw, qint16(32767));
        QCOMPARE(rig.prompts.fileDialogs.last().title, "Load DataLog File");
    }

    // A download that fails after a good one keeps the good log, its graph,
    // listing and caption; the message gives the classic words, then what
    // happened. Polling is left as it was.
    void failedDownloads_data() {
        QTest::addColumn<bool>("polling");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("message");
        QTest::newRow("no section reply")
            << false << "silent"
            << "0 points received from log from log section 5\nSection 1 of 4: the meter did not "
               "answer (5 tries).";
        QTest::newRow("progress closed")
            << true << "close"
            << "Error Downloading Log\nSection 1 of 4: the download was cancelled.";
        QTest::newRow("fewer than two points")
            << true << "empty"
            << "Less than 2 points in log\nDatalog 5 on the meter holds no log.";
    }
    void failedDownloads() {
        QFETCH(bool, polling);
        QFETCH(QString, fault);
        QFETCH(QString, message);
        Rig rig;
        rig.polling = polling;
        rig.window->mnuGetLog_Click();
        QCOMPARE(rig.log.LogPointCount, 33);
        const QString caption = rig.find<QLabel>("lblShownLog")->text();
        QVERIFY2(caption.startsWith("Shown: Datalog 0, downloaded from the meter at "),
                 qPrintable(caption));
        const QString listing = rig.find<QPlainTextEdit>("Text8")->toPlainText();

        rig.window->cmbLogId_Click(fault == "empty" ? 5 : 2);
        if (fault == "close")
            rig.waiter.onYield = [&] {
                if (rig.window->progressWindow()->isVisible())
                    rig.window->progressWindow()->reject();
            };
        else if (fault == "silent")
            rig.logs.faults.silentSections = 5;
        rig.window->mnuGetLog_Click();
        QCOMPARE(rig.prompts.texts(), QStringList({message + "\nThe log shown before stays."}));
        QVERIFY(rig.flags.NeedSysConfig);
        QCOMPARE(rig.polling, polling);
        QCOMPARE(rig.log.LogPoints, rig.logs.logs[0].points);
        QCOMPARE(rig.find<QLabel>("lblShownLog")->text(), caption);
        QVERIFY(rig.find<QLabel>("lblLogInfo")->text().startsWith("File 0 Started"));
        QCOMPARE(rig.find<QPlainTextEdit>("Text8")->toPlainText(), listing);
        QCOMPARE(rig.find<QCheckBox>("chkZoom")->checkState(), Qt::Unchecked);
        QVERIFY(!rig.window->progressWindow()->isVisible());
        QVERIFY(rig.find<QAction>("mnuExportCsv")->isEnabled());
        if (fault == "silent") // the Cancel button carries the section number until the next Init
            QCOMPARE(rig.window->progressWindow()->findChild<QPushButton*>("cmdCancel")->text(),
                     "Cancel 5");

        // A loaded file names itself.
        const QString name = rig.path("site7.vdl");
        rig.prompts.fileNames = {name, name};
        rig.window->mnuSave_Click();
        rig.window->mnuLoad_Click();
        QCOMPARE(rig.find<QLabel>("lblShownLog")->text(), "Shown: file site7.vdl");
    }

    // A download waiting for the line (held here as a polling tick would)
    // shuts out a second one and a log number change, then runs once.
    void oneOperationAtATime() {
        Rig rig;
        {
            LineOwner::Hold tick(rig.owner);
            rig.window->mnuGetLog_Click();
            rig.window->cmdGetLog_Click();
            rig.window->cmbLogId_Click(5);
            rig.window->cmdGetLogHeader_Click();
            QCOMPARE(rig.model.received().size(), 0);
        }
        int opens = 0;
        for (const auto& r : rig.model.received())
            opens += r.command.startsWith("OD,DATALOG0") ? 1 : 0;
        QCOMPARE(opens, 1);
        QCOMPARE(rig.log.LogPointCount, 33);
        rig.window->cmbLogId_Click(5);
        QCOMPARE(rig.log.CurrentLogId, "5");
    }

    void erase() {
        Rig rig;
        rig.prompts.answers = {Prompts::Answer::No};
        rig.window->mnuErase_Click();
        QCOMPARE(rig.prompts.texts(),
                 QStringList({"This will erase all Datalogs stored in the uniit.  Are you sure "
                              "you want to do this?",
                              "Erase Aborted"}));
        QCOMPARE(rig.model.received().size(), 0);
        rig.prompts.answers = {Prompts::Answer::Yes};
        rig.window->mnuErase_Click();
        QCOMPARE(rig.prompts.texts().size(), 3);
        QCOMPARE(rig.logs.deleted.size(), size_t(3));
        QVERIFY(rig.flags.NeedSysConfig && rig.model.state().loggingActive == 1);
        QCOMPARE(rig.window->progressWindow()->windowTitle(), "Erasing Datalogs");
    }

    // Every box and file dialog opened from the window belongs to it, so that
    // closing one brings the window back, not the main window. A name typed
    // without an extension gets the filter's, before the replace question.
    void dialogsBelongToTheWindow() {
        Rig rig;
        rig.window->mnuGetLog_Click();
        rig.prompts.fileNames = {rig.path("log0"), rig.path("log0"), rig.path("log0export"),
                                 rig.path("missing")};
        // "Log saved", then Yes to replace; the erase question gets its default, No.
        rig.prompts.answers = {Prompts::Answer::Ok, Prompts::Answer::Yes};
        rig.window->mnuSave_Click();
        rig.window->mnuSave_Click();
        rig.find<QAction>("mnuExportCsv")->trigger();
        rig.window->mnuLoad_Click();
        rig.window->mnuErase_Click();
        rig.window->cmbLogId_Click(3); // an empty log: the download fails
        rig.window->mnuGetLog_Click();
        const QString vdl = rig.path("log0.VDL");
        QStringList texts = rig.prompts.texts();
        QVERIFY(texts.takeLast().startsWith("Less than 2 points in log"));
        QCOMPARE(texts,
                 QStringList({"Log saved to " + vdl, "Replace existing file - " + vdl + "?",
                              "Log saved to " + vdl,
                              "Log exported to " + rig.path("log0export.csv"), "File Not Found",
                              "This will erase all Datalogs stored in the uniit.  Are you sure "
                              "you want to do this?",
                              "Erase Aborted"}));
        QVERIFY(QFile::exists(vdl) && !QFile::exists(rig.path("log0")));
        QCOMPARE(rig.prompts.fileDialogs.size(), 5);
        for (const ScriptedPrompts::Shown& box : rig.prompts.shown)
            QVERIFY2(box.window == rig.window.get(), qPrintable(box.text));
        for (const ScriptedPrompts::FileDialog& dialog : rig.prompts.fileDialogs)
            QVERIFY2(dialog.window == rig.window.get(), qPrintable(dialog.title));
        QCOMPARE(rig.gate.parentWindow(), nullptr);
    }

    // While the directory is scanned, a log not read yet shows no count, not
    // the one an earlier scan found.
    void scanShowsOnlyWhatItRead() {
        Rig rig;
        rig.window->GetLogHeaders();
        QCOMPARE(rig.counts(), "33 4000 100 0 0 0 0 0 0 0");
        QString during;
        rig.waiter.onYield = [&] {
            if (during.isEmpty() && rig.port.written().endsWith("OD,DATALOG2\n"))
                during = rig.counts();
        };
        rig.window->GetLogHeaders();
        QCOMPARE(during, "33 4000" + QString(" ").repeated(8));
        QCOMPARE(rig.counts(), "33 4000 100 0 0 0 0 0 0 0");
    }

    // The window after a download: nothing clipped. CORVANE_PICTURE=file.png
    // saves it for a look by eye.
    void layout() {
        Rig rig;
        rig.window->RetreveUnitLog();
        rig.window->mnuGetLog_Click();
        const QPixmap picture = rig.window->grab();
        QVERIFY(!picture.isNull());
        const QString out = qEnvironmentVariable("CORVANE_PICTURE");
        if (!out.isEmpty())
            QVERIFY(picture.save(out));
        auto* info = rig.find<QLabel>("lblLogInfo");
        QVERIFY(info->heightForWidth(info->width()) <= info->height());
        for (int d = 0; d < 10; ++d) {
            auto* count = rig.find<QLabel>(QString("Logpts(%1)").arg(d));
            const int needed = count->fontMetrics().horizontalAdvance("100000");
            QVERIFY2(needed <= count->width(), qPrintable(QString("%1 needs %2, has %3")
                                                              .arg(count->objectName())
                                                              .arg(needed)
                                                              .arg(count->width())));
        }
    }
};

QTEST_MAIN(TestFrmPoly)
#include "tst_frmpoly.moc"
