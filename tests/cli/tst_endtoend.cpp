// corvane-cli against corvane-sim on a pseudo-terminal: what each command
// prints and its exit status, a download whose VDL bytes match a download
// through the program's own classes in process, and Ctrl-C during a download.
#include "datalog/LogCsv.h"
#include "datalog/LogDownload.h"
#include "datalog/VdlFile.h"

#include "MeterDatalogs.h"
#include "MeterModel.h"
#include "ScriptedPrompts.h"
#include "SimSerialPort.h"
#include "VirtualWaiter.h"
#include "link/MeterLink.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

// How long corvane-sim may take to start and print its device.
constexpr int kStartTimeoutMs = 10000;
// A command may take this long (the directory scan pauses a second per log).
constexpr int kRunTimeoutMs = 60000;
// The interrupted download runs this long first (a few of its 125 sections).
constexpr int kInterruptAfterMs = 2500;

struct Run {
    int status = -1;
    QByteArray out, err;
};

} // namespace

class TestCliEndToEnd : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QProcess sim_;
    QString link_;

    QProcess* start(QStringList args) {
        auto* p = new QProcess(this);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // Never the user's stored port.
        env.insert("CORVANE_SETTINGS", dir_.filePath("settings.ini"));
        p->setProcessEnvironment(env);
        p->setWorkingDirectory(dir_.path());
        p->start(CORVANE_CLI_PATH, args.replaceInStrings("SIM", link_));
        return p;
    }
    Run run(const QStringList& args) {
        QProcess* p = start(args);
        Run r;
        if (!p->waitForFinished(kRunTimeoutMs))
            return r;
        r.status = p->exitStatus() == QProcess::NormalExit ? p->exitCode() : -1;
        r.out = p->readAllStandardOutput();
        r.err = p->readAllStandardError();
        delete p;
        return r;
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        link_ = dir_.filePath("meter");
        sim_.start(CORVANE_SIM_PATH, {"--link", link_});
        QVERIFY(sim_.waitForReadyRead(kStartTimeoutMs));
        QVERIFY(sim_.readLine().startsWith("/dev/"));
        // The program's stored port: Com2, which stands for the simulator.
        QFile ini(dir_.filePath("settings.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Properties]\nCommPort=2\nSettings=19200,n,8,1\n\n[Ports]\nCom2=" +
                  link_.toUtf8() + "\n");
    }
    void cleanupTestCase() {
        sim_.terminate();
        sim_.waitForFinished(kStartTimeoutMs);
    }

    void commands_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("out"); // what stdout begins with
        QTest::addColumn<QByteArray>("err"); // what stderr begins with
        const auto row = [](const char* name, const QStringList& args, int status,
                            const QByteArray& out, const QByteArray& err = {}) {
            QTest::newRow(name) << args << status << out << err;
        };
        const QByteArray see = "\n(see corvane-cli --help)\n", kr5 = "model=Velmar KR5\n";
        row("help", {"--help"}, 0, "Usage: corvane-cli [--port PORT]");
        row("no command", {}, 2, {}, "corvane-cli: no command given" + see);
        row("unknown command", {"frobnicate"}, 2, {},
            "corvane-cli: unknown command frobnicate" + see);
        row("log number out of range", {"download", "10", "-o", "x.vdl"}, 2, {},
            "corvane-cli: download needs a datalog number from 0 to 9" + see);
        row("download without a file", {"download", "1"}, 2, {},
            "corvane-cli: download needs -o FILE.vdl" + see);
        row("bad line settings", {"--port", "SIM", "--settings", "19200,x,8,1", "identify"}, 2, {});
        row("no such port", {"--port", "/dev/corvane-nothing", "identify"}, 1, {},
            "corvane-cli: cannot open /dev/corvane-nothing");
        row("identify", {"--port", "SIM", "identify"}, 0, kr5 + "version=V1.95\nserial=12345\n");
        row("the stored port", {"identify"}, 0, kr5);
        row("a Com number through the stored map", {"--port", "com2", "identify"}, 0, kr5);
        row("config by name", {"--port", "SIM", "config"}, 0,
            "[Pipe and flow units]\nPipe Inside Diameter = 6.065 in\nPipe Units = Inches\n");
        row("config as the record's fields", {"--port", "SIM", "config", "--raw"}, 0,
            "DisplayMask=7\n");
        row("settings without a verb", {"settings"}, 2, {},
            "corvane-cli: wrong number of arguments for settings" + see);
        row("an unknown settings verb", {"settings", "load", "x.json"}, 2, {},
            "corvane-cli: unknown settings command load (save, compare or restore)" + see);
        row("settings save without a file", {"settings", "save"}, 2, {},
            "corvane-cli: settings save needs -o FILE.json" + see);
        row("--yes with compare", {"settings", "compare", "x.json", "--yes"}, 2, {},
            "corvane-cli: --yes goes with settings restore only" + see);
        // A file that cannot be used is refused before the port is opened.
        row("restore from a missing file",
            {"--port", "/dev/corvane-nothing", "settings", "restore", "missing.json"}, 2, {},
            "corvane-cli: cannot use missing.json: ");
        row("watch two readings", {"--port", "SIM", "watch", "--count", "2"}, 0, "time,flow (");
        row("download of an empty log", {"--port", "SIM", "download", "5", "-o", "empty.vdl"}, 1,
            {},
            "corvane-cli: download of datalog 5 failed: Less than 2 points in log\n"
            "corvane-cli: Datalog 5 on the meter holds no log.\n");
        row("export of a missing file", {"export", "missing.vdl", "-o", "missing.csv"}, 1, {},
            "corvane-cli: cannot read missing.vdl: ");
        // Files are checked before anything is sent or read.
        row("export onto its own input", {"export", "own.vdl", "-o", "./own.vdl"}, 2, {},
            "corvane-cli: the CSV file ./own.vdl would overwrite the datalog own.vdl it is made "
            "from" +
                see);
        row("one file twice", {"--port", "SIM", "download", "1", "-o", "x", "--csv", "x"}, 2, {},
            "corvane-cli: -o and --csv name the same file x" + see);
        row("download into a missing folder",
            {"--port", "SIM", "download", "1", "-o", "nowhere/x.vdl"}, 1, {},
            "corvane-cli: cannot write nowhere/x.vdl: the folder ");
        row("CSV into a folder", {"--port", "SIM", "download", "1", "-o", "x.vdl", "--csv", "."}, 1,
            {}, "corvane-cli: cannot write .: . is a folder, not a file\n");
        row("Com17", {"--port", "Com17", "identify"}, 2, {},
            "corvane-cli: --port Com17: the Com numbers run from 1 to 16 (Com1 to Com16)" + see);
    }
    void commands() {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        const Run r = run(args);
        QCOMPARE(r.status, status);
        QVERIFY2(r.out.startsWith(out), r.out.constData());
        QVERIFY2(r.err.startsWith(err), r.err.constData());
        // A failure says so in one line, a download's in two (the classic
        // words, then what happened); success says nothing on stderr.
        const bool download =
            args.contains("download") && status == 1 && out.isEmpty() && err.contains("failed");
        const bool fileRefused = err.contains("cannot use ");
        QCOMPARE(r.err.count('\n'), status == 0                  ? 0
                                    : status == 1 || fileRefused ? (download ? 2 : 1)
                                                                 : 2);
        if (QTest::currentDataTag() == QByteArray("watch two readings"))
            QCOMPARE(r.out.count('\n'), 3);
        QVERIFY(!QFile::exists(dir_.filePath("empty.vdl")));
        QVERIFY(!QFile::exists(dir_.filePath("x.vdl")));
        QCOMPARE(QDir(dir_.path()).entryList({".corvane*"}, QDir::Files | QDir::Hidden),
                 QStringList());
    }

    // The program's download and the command line's give the same file.
    void downloadMatchesTheWindow() {
        MeterModel model;
        MeterDatalogs logs;
        logs.install(model);
        VirtualWaiter waiter;
        SimSerialPort port(model, waiter);
        ScriptedPrompts prompts;
        MeterLink link(port, waiter, prompts);
        port.open();
        DatalogRecord log;
        QVERIFY(LogDownload(link, {}).run(log, "Velmar KR5", "V1.95", "2").ok);

        const Run r = run({"--port", "SIM", "download", "2", "-o", "two.vdl", "--csv", "two.csv"});
        QCOMPARE(r.status, 0);
        QFile vdl(dir_.filePath("two.vdl")), csv(dir_.filePath("two.csv"));
        QVERIFY(vdl.open(QIODevice::ReadOnly) && csv.open(QIODevice::ReadOnly));
        QCOMPARE(vdl.readAll(), VdlFile::encode(log));
        QCOMPARE(csv.readAll(), LogCsv::encode(log));

        // A saved log converts without a meter, with the file's own numbers.
        QCOMPARE(run({"export", "two.vdl", "-o", "again.csv"}).status, 0);
        QFile again(dir_.filePath("again.csv"));
        QVERIFY(again.open(QIODevice::ReadOnly));
        QCOMPARE(again.readAll(), csv.seek(0) ? csv.readAll() : QByteArray());
    }

    // Save, compare, restore and compare again, with the exit statuses a
    // script reads; the simulator ends as it began.
    void settingsRoundTrip() {
        QCOMPARE(run({"--port", "SIM", "settings", "save", "-o", "kr5.json"}).status, 0);
        Run r = run({"--port", "SIM", "settings", "compare", "kr5.json"});
        QCOMPARE(r.status, 0);
        // The clock and the totalizer run on: the meter's own, listed apart.
        QVERIFY2(!r.out.contains("Damping"), r.out.constData());
        QFile file(dir_.filePath("kr5.json"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QByteArray json = file.readAll();
        QVERIFY(json.contains("\"value\": 10\n"));
        QFile changed(dir_.filePath("changed.json"));
        QVERIFY(changed.open(QIODevice::WriteOnly));
        changed.write(json.replace("\"value\": 10\n", "\"value\": 14\n"));
        changed.close();

        r = run({"--port", "SIM", "settings", "compare", "changed.json"});
        QCOMPARE(r.status, 3);
        QVERIFY2(r.out.startsWith("Damping\tfile: 14 (meter's own)\tmeter: 10 (meter's own)\n"),
                 r.out.constData());
        r = run({"--port", "SIM", "settings", "restore", "changed.json"});
        QCOMPARE(r.status, 3);
        QVERIFY2(r.out.startsWith("would write\tDamping: 10 -> 14 (meter's own)\n"),
                 r.out.constData());
        QCOMPARE(run({"--port", "SIM", "settings", "compare", "changed.json"}).status, 3);
        r = run({"--port", "SIM", "settings", "restore", "changed.json", "--yes"});
        QCOMPARE(r.status, 0);
        QVERIFY2(r.out.endsWith("restored 1 settings; the meter now matches the file\n"),
                 r.out.constData());
        QCOMPARE(run({"--port", "SIM", "settings", "compare", "changed.json"}).status, 0);
        QCOMPARE(run({"--port", "SIM", "settings", "restore", "kr5.json", "--yes"}).status, 0);
        QCOMPARE(run({"--port", "SIM", "settings", "compare", "kr5.json"}).status, 0);
    }

    // Export writes the numbers and marks of the file, not a rescaled copy.
    void exportKeepsTheFileNumbers() {
        QFile vdl(dir_.filePath("old.vdl"));
        QVERIFY(vdl.open(QIODevice::WriteOnly));
        vdl.write("\"File 3 Started 5/12/06 10:30:00 AM\"\r\n"
                  "\"3 Flow points at 60 second intervals\"\r\n"
                  "\"Values range from 0.0007 to 19.949999 GPM\"\r\n"
                  "5/12/06 10:30:00 AM \t 19.949999 \t 19.949999\r\n"
                  "5/12/06 10:31:00 AM \t 0.0007 \t 19.9507****\r\n"
                  "5/12/06 10:32:00 AM \t 1E-07 \t 19.9507001\r\n");
        vdl.close();
        QCOMPARE(run({"export", "old.vdl", "-o", "old.csv"}).status, 0);
        QFile csv(dir_.filePath("old.csv"));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QCOMPARE(csv.readAll(), QByteArray("time,flow (GPM),volume (GPM x minutes),reverse\r\n"
                                           "2006-05-12T10:30:00,19.949999,19.949999,0\r\n"
                                           "2006-05-12T10:31:00,0.0007,19.9507,1\r\n"
                                           "2006-05-12T10:32:00,1E-07,19.9507001,0\r\n"));
    }

    // Ctrl-C or SIGTERM in the middle of a long download, or while a device
    // on the port streams text without a line feed: status 1, one line, no
    // file. Without a signal the streaming port fails the command on its own.
    void interruptedDownload_data() {
        QTest::addColumn<bool>("streaming");
        QTest::addColumn<int>("signal"); // 0: none
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("err");
        const QStringList download = {"--port", "SIM", "download", "1", "-o", "long.vdl"};
        const QByteArray interrupted = "corvane-cli: download interrupted; no file written\n";
        QTest::newRow("Ctrl-C") << false << SIGINT << download << interrupted;
        QTest::newRow("SIGTERM") << false << SIGTERM << download << interrupted;
        QTest::newRow("Ctrl-C, streaming port") << true << SIGINT << download << interrupted;
        QTest::newRow("identify, streaming port")
            << true << 0 << QStringList{"--port", "SIM", "identify"}
            << QByteArray("corvane-cli: replies to the identification request arrived damaged "
                          "(bytes, but no whole reply) at 19200,n,8,1: check that the port's "
                          "speed and parity are the meter's, and check the cable\n");
    }
    void interruptedDownload() {
        QFETCH(bool, streaming);
        QFETCH(int, signal);
        QFETCH(QStringList, args);
        QProcess noisy;
        const QString own = link_;
        if (streaming) {
            link_ = dir_.filePath("noisy");
            noisy.start(CORVANE_SIM_PATH, {"--link", link_, "--fault", "noise"});
            QVERIFY(noisy.waitForReadyRead(kStartTimeoutMs));
        }
        QProcess* p = start(args);
        link_ = own;
        QVERIFY(p->waitForStarted());
        if (signal != 0) {
            QTest::qWait(kInterruptAfterMs);
            QCOMPARE(p->state(), QProcess::Running);
            ::kill(pid_t(p->processId()), signal);
        }
        QVERIFY(p->waitForFinished(kRunTimeoutMs));
        QCOMPARE(p->exitStatus(), QProcess::NormalExit);
        QCOMPARE(p->exitCode(), 1);
        QTEST(p->readAllStandardError(), "err");
        QCOMPARE(QDir(dir_.path()).entryList({"long*"}, QDir::Files), QStringList());
        delete p;
        noisy.terminate();
        noisy.waitForFinished(kStartTimeoutMs);
    }

    // A meter set to another speed answers framing noise: the one error line
    // says so, apart from a meter that says nothing; at its own speed it is
    // identified.
    void identifyAtSpeeds_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("settings");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("err");
        const auto damaged = [](const char* settings) {
            return "corvane-cli: replies to the identification request arrived damaged (bytes, "
                   "but no whole reply) at " +
                   QByteArray(settings) +
                   ": check that the port's speed and parity are the meter's, and check the "
                   "cable\n";
        };
        const QByteArray silent = "corvane-cli: no meter answered the identification request\n";
        QTest::newRow("meter at 9600, line at 19200")
            << "speed:9600"
            << "19200,n,8,1" << 1 << damaged("19200,n,8,1");
        QTest::newRow("meter at 19200, line at 9600") << "speed:19200"
                                                      << "9600,n,8,1" << 1 << damaged("9600,n,8,1");
        QTest::newRow("meter at 9600, line at 9600") << "speed:9600"
                                                     << "9600,n,8,1" << 0 << QByteArray();
        QTest::newRow("silent meter at 19200") << "silent"
                                               << "19200,n,8,1" << 1 << silent;
    }
    void identifyAtSpeeds() {
        QFETCH(QString, fault);
        QFETCH(QString, settings);
        QProcess meter;
        const QString own = link_;
        link_ = dir_.filePath("other");
        meter.start(CORVANE_SIM_PATH, {"--link", link_, "--fault", fault});
        QVERIFY(meter.waitForReadyRead(kStartTimeoutMs));
        const Run r = run({"--port", "SIM", "--settings", settings, "identify"});
        link_ = own;
        meter.terminate();
        meter.waitForFinished(kStartTimeoutMs);
        QTEST(r.status, "status");
        QTEST(r.err, "err");
        if (r.status == 0)
            QVERIFY2(r.out.contains("Velmar KR5"), r.out.constData());
    }

    // find over a meter set to 9600, the meter at 19200 and a device that is
    // not there: one line each, in the order given, and the search goes on
    // past the missing one.
    void findOverSeveralPorts() {
        QProcess slow;
        const QString slowLink = dir_.filePath("slow");
        slow.start(CORVANE_SIM_PATH,
                   {"--link", slowLink, "--fault", "speed:9600", "--serial", "777"});
        QVERIFY(slow.waitForReadyRead(kStartTimeoutMs));
        const QString missing = dir_.filePath("no-such-device");
        const Run r = run({"--port", missing, "--port", slowLink, "--port", "SIM", "find"});
        slow.terminate();
        slow.waitForFinished(kStartTimeoutMs);
        QCOMPARE(r.status, 0);
        const QStringList lines = QString::fromUtf8(r.out).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        QVERIFY2(lines[0].startsWith(missing + "\tcannot be searched: There is no serial device "),
                 qPrintable(lines[0]));
        QCOMPARE(lines[1], slowLink + "\t9600\tVelmar KR5\tV1.95\t777");
        QCOMPARE(lines[2], link_ + "\t19200\tVelmar KR5\tV1.95\t12345");
        QCOMPARE(run({"--port", missing, "find"}).status, 1);
    }
};

QTEST_GUILESS_MAIN(TestCliEndToEnd)
#include "tst_endtoend.moc"
