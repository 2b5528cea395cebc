// The directory scan, the download and the erase against the simulated meter
// on the virtual clock: the commands sent, the log that arrives (compared with
// what the meter holds) and each failure.
#include "datalog/LogDirectoryScan.h"
#include "datalog/LogDownload.h"
#include "datalog/LogErase.h"
#include "datalog/LogHeader.h"

#include "MeterDatalogs.h"
#include "ProgramRig.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

struct Rig : LinkRig {
    MeterDatalogs logs;
    int cancelAfter = -1; // sections stored before Cancel is pressed
    int sections = 0;
    Rig() {
        logs.install(model);
        port.open();
    }
    LogDownload::Outcome download(DatalogRecord& log, const QString& id = "0",
                                  const QString& model = "Velmar KR5",
                                  const QString& version = "V1.95") {
        LogDownload d(link, {[this](float) { ++sections; },
                             {},
                             [this] { return cancelAfter >= 0 && sections >= cancelAfter; },
                             {}});
        return d.run(log, model, version, id);
    }
    // Commands the meter received, printable (raw bytes as \xNN).
    QStringList commands() const {
        QStringList out;
        for (const auto& r : model.received()) {
            QString c;
            for (char ch : r.command)
                c += uchar(ch) < 32 ? QString("\\x%1").arg(uchar(ch), 2, 16, QChar('0'))
                                    : QString(QChar(ch));
            out << c;
        }
        return out;
    }
};

// A log in memory that a failure must leave alone.
DatalogRecord sentinel() {
    DatalogRecord log;
    log.LogPointCount = 2;
    log.LogPoints = {1, 2};
    log.LogUnits = "old";
    return log;
}

} // namespace

Q_DECLARE_METATYPE(MeterDatalogs::Faults)

class TestLogExchanges : public QObject {
    Q_OBJECT

private slots:
    // A KR5 V1.95 download of 33 points, to the byte, and the log it leaves.
    void download33Points() {
        Rig rig;
        DatalogRecord log;
        QVERIFY(rig.download(log).ok);
        const QByteArray flushes = "\x1b\r\n\x1b\r\n";
        QCOMPARE(rig.port.written(), QByteArray("\x1b\rDL,0\nOD,DATALOG0\nDC,0\nRD,33,64\n") +
                                         flushes + "DC,0,\nRD,1,2\n" + flushes + "DC,0,\nRD,0,\n");
        QCOMPARE(log.LogPoints, rig.logs.logs[0].points);
        QCOMPARE(log.LogPointCount, 33);
        QCOMPARE(log.LogLines.size(), 36);
        QCOMPARE(log.LogLines[0], "File 0 Started 5/12/2006 10:30:00 AM");
        QCOMPARE(log.LogLines[1], "33 Flow points at 60 second intervals");
        QCOMPARE(log.LogLines[3], "5/12/2006 10:30:00 AM    379.5    379.5");
        QCOMPARE(log.LogLines[35].left(21), "5/12/2006 11:02:00 AM");
        QCOMPARE(log.LogScale, 0.1f);
        QCOMPARE(log.PageFactor, qint16(1));
        // A section takes its pause and its wire time: 3 x 700 ms and a little.
        QVERIFY(rig.waiter.now() >= 2100 && rig.waiter.now() < 2600);

        // At 1200 baud a 64-byte block needs more than half a second on the wire.
        Rig slow;
        QVERIFY(slow.port.setSettings("1200,n,8,1"));
        DatalogRecord slowLog;
        QVERIFY(slow.download(slowLog).ok);
        QCOMPARE(slowLog.LogPoints, slow.logs.logs[0].points);

        // The smallest magnitude is found also when every point lies near the top.
        Rig top;
        top.logs.logs[0].points = {32766, -32767};
        top.logs.logs[0].scale = "1";
        DatalogRecord topLog;
        QVERIFY(top.download(topLog).ok);
        QCOMPARE(topLog.LogLines[2], "Values range from 32766 to 32767 GPM");
    }

    // Which request form each model and firmware gets, for a 100-point log.
    void sectionRequests_data() {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("requests");
        const QString counted = "RD,100,64 RD,68,64 RD,36,64 RD,4,8 RD,0,";
        QTest::newRow("KR5 V1.85") << "Velmar KR5"
                                   << "V1.85"
                                   << "RD,64 RD,64 RD,64 RD,8 RD,";
        QTest::newRow("KR5 V1.9") << "Velmar KR5"
                                  << "V1.9" << counted;
        QTest::newRow("KR3 V1.00") << "Velmar KR3"
                                   << "V1.00" << counted;
        QTest::newRow("32 points, one section") << "Velmar KR4"
                                                << "V2.00"
                                                << "RD,32,64 RD,0,";
    }
    void sectionRequests() {
        QFETCH(QString, model);
        QFETCH(QString, version);
        QFETCH(QString, requests);
        Rig rig;
        const bool one = requests.count("RD") == 2;
        if (one)
            rig.logs.logs[2].points.resize(32);
        DatalogRecord log;
        QVERIFY(rig.download(log, "2", model, version).ok);
        QCOMPARE(rig.commands().filter(QRegularExpression("^RD,")).join(' '), requests);
        QCOMPARE(log.LogPoints, rig.logs.logs[2].points);
        // The negative points keep their sign and are marked in the listing.
        QVERIFY(log.LogPoints[4] < 0 && log.LogLines[7].endsWith("  ****"));
        QVERIFY(!log.LogLines[6].contains('*'));
    }

    // The first point's time from the meter's MM/DD/YY date and time of day;
    // a start that does not read gives none (an invalid QDateTime here).
    void startTime_data() {
        QTest::addColumn<QByteArray>("date");
        QTest::addColumn<QByteArray>("time");
        QTest::addColumn<QDateTime>("start");
        const auto at = [](int y, int mo, int d, int h, int mi, int s) {
            return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC);
        };
        const auto row = [](const char* name, const char* date, const char* time, QDateTime t) {
            QTest::newRow(name) << QByteArray(date) << QByteArray(time) << t;
        };
        row("plain", "05/12/06", "10:30:00", at(2006, 5, 12, 10, 30, 0));
        row("year 00 is 2100", "01/01/00", "00:00:05", at(2100, 1, 1, 0, 0, 5));
        row("last second", "12/31/99", "23:59:59", at(2099, 12, 31, 23, 59, 59));
        row("30 February runs on", "02/30/24", "7:05:00", at(2024, 3, 1, 7, 5, 0));
        row("damaged time", "05/12/06", "10:3?:00", {});
        row("damaged date", "05/1?/06", "10:30:00", {});
        row("month 13", "13/12/06", "10:30:00", {});
        row("four-digit year", "05/12/2006", "10:30:00", {});
    }
    void startTime() {
        QFETCH(QByteArray, date);
        QFETCH(QByteArray, time);
        QFETCH(QDateTime, start);
        QCOMPARE(LogHeader::startTime(date, time).value_or(QDateTime()), start);
    }

    // The header's numbers as the classic Val() reads them, for scan and
    // download alike.
    void headerNumbers() {
        for (auto [text, value] : {std::pair{"1E-02", 0.01},
                                   {" 2.5e+3 GPM", 2500.0},
                                   {"1.5D2", 150.0},
                                   {"-0.01", -0.01},
                                   {"7E", 7.0},
                                   {"abc", 0.0}})
            QCOMPARE(LogHeader::number(text), value);
    }

    // Every failure: the classic words first, then what happened, and the
    // log in memory untouched. Header faults are refused before any point.
    void failures_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("words");
        QTest::addColumn<QString>("detail"); // what the second line holds
        QTest::addColumn<QString>("sent");   // commands sent, by opcode
        struct Row {
            const char* fault;
            const char* words = "Error Downloading Log";
            const char* detail;
            const char* sent = "DL OD DC";
        };
        for (const Row& r : {
                 Row{.fault = "silent",
                .detail = "the meter did not answer the request to open it",
                .sent = "DL OD OD OD OD OD"},
                 Row{.fault = "one point",
                 .words = "Less than 2 points in log",
                 .detail = "Datalog 0 on the meter holds 1 points",
                 .sent = "DL OD OD"},
                 Row{.fault = "empty file",
                 .words = "Less than 2 points in log",
                 .detail = "Datalog 5 on the meter holds no log.",
                 .sent = "DL OD OD"},
                 Row{.fault = "datalog-silent:5",
                 .words = "0 points received from log from log section 5",
                 .detail = "Section 1 of 2: the meter did not answer",
                 .sent = "DL OD DC RD RD RD RD RD"},
                 Row{.fault = "datalog-short:5",
                 .detail = "Section 1 of 2: 63 of its 64 bytes arrived",
                 .sent = "DL OD DC RD RD RD RD RD"},
                 // A sum that differs on both queries asks for the section
                 // again, five times in all; the older form cannot ask again.
                 Row{.fault = "datalog-checksum:10",
                 .detail = "received (5 tries).",
                 .sent = "DL OD DC RD DC DC RD DC DC RD DC DC RD DC DC RD DC DC"},
                 Row{.fault = "older form datalog-checksum:2",
                 .detail = "Section 1 of 2: checksum ",
                 .sent = "DL OD DC RD DC DC"},
                 Row{.fault = "datalog-points:100001",
                 .detail = "claims 100001 points, more than the 100000"},
                 Row{.fault = "datalog-unit", .detail = "\"GPX\", whose last letter"},
                 Row{.fault = "model", .detail = "model \"Velmar KR9\" is not one", .sent = ""},
                 Row{.fault = "cancel",
                 .detail = "Section 2 of 2: the download was cancelled",
                 .sent = "DL OD DC RD DC"},
                 Row{.fault = "datalog-scale=-0.01",
                 .detail = "scale as \"-0.01\" flow units per count"},
                 Row{.fault = "datalog-scale=1E+38",
                 .detail = "would not fit a number the file can hold"},
                 Row{.fault = "datalog-interval=-60", .detail = "interval as \"-60\" seconds"},
                 Row{.fault = "datalog-time=10:3?:00", .detail = "start as \"05/12/06 10:3?:00\""},
             })
            QTest::newRow(r.fault)
                << QString(r.fault) << QString(r.words) << QString(r.detail) << QString(r.sent);
    }
    void failures() {
        QFETCH(QString, fault);
        QFETCH(QString, words);
        QFETCH(QString, detail);
        QFETCH(QString, sent);
        Rig rig;
        QString id = "0", model = "Velmar KR5", version = "V1.95";
        if (fault.startsWith("older form ")) {
            version = "V1.85";
            fault = fault.section(' ', -1);
        }
        if (fault.startsWith("datalog-"))
            QVERIFY(rig.logs.applyFault(fault, nullptr));
        else if (fault == "silent")
            rig.model.faults().silent = true;
        else if (fault == "one point")
            rig.logs.logs[0].points.resize(1);
        else if (fault == "empty file")
            id = "5";
        else if (fault == "model")
            model = "Velmar KR9";
        else if (fault == "cancel")
            rig.cancelAfter = 1;
        DatalogRecord log = sentinel();
        const auto outcome = rig.download(log, id, model, version);
        QVERIFY(!outcome.ok && !outcome.closing);
        QCOMPARE(outcome.failure.words, words);
        QVERIFY2(outcome.failure.detail.contains(detail), qPrintable(outcome.failure.detail));
        QCOMPARE(outcome.message(), words + '\n' + outcome.failure.detail);
        QCOMPARE(log.LogUnits, "old");
        QStringList opcodes;
        for (const QString& c : rig.commands())
            opcodes << c.left(2);
        QCOMPARE(opcodes.join(' '), sent);
        // A checksum that never matches names both sums: the meter's is one
        // more than the block's, as the fault gives it.
        if (fault.startsWith("datalog-checksum")) {
            const QRegularExpression sums("checksum ([0-9A-F]{4}) from the meter, ([0-9A-F]{4}) "
                                          "received");
            const auto m = sums.match(outcome.failure.detail);
            QVERIFY(m.hasMatch());
            QCOMPARE(m.captured(1).toInt(nullptr, 16), m.captured(2).toInt(nullptr, 16) + 1);
        }
    }

    // Scale, interval and start as the meter may write them: an exponent
    // scale gives the true flows, in the download and in the directory scan.
    void headerForms() {
        Rig rig;
        rig.logs.logs[0].points = {100, 200};
        rig.logs.logs[0].scale = "1E-02";
        rig.logs.logs[0].time = "1:05:00 PM";
        DatalogRecord log;
        QVERIFY(rig.download(log).ok);
        QCOMPARE(log.LogScale, 0.01f);
        QCOMPARE(log.LogLines.mid(2),
                 QStringList({"Values range from 1 to 2 GPM", "5/12/2006 1:05:00 PM    1    1",
                              "5/12/2006 1:06:00 PM    2    3"}));
        DatalogDirectory dir;
        QVERIFY(LogDirectoryScan(rig.link).run(dir));
        QCOMPARE(dir.files[0].scale, 0.01f);
        QCOMPARE(dir.files[0].points, 2);
    }

    // Faults the download gets over: a wrong sum on the first query, a
    // damaged section asked for again, a few silent, short or late sections.
    void recoveries_data() {
        QTest::addColumn<MeterDatalogs::Faults>("faults");
        QTest::addColumn<QString>("rdAndDc");  // the first section's requests and queries
        QTest::addColumn<QByteArray>("trace"); // a line the trace must hold
        const QString rd = "RD,33,64 ";
        const auto row = [](const char* name, const MeterDatalogs::Faults& f, const QString& sent,
                            const QByteArray& trace = {}) {
            QTest::newRow(name) << f << sent << trace;
        };
        row("checksum retried", {.wrongChecksums = 1}, rd + "DC,0, DC,0 RD,1,2");
        row("section asked again", {.wrongChecksums = 2}, rd + "DC,0, DC,0 " + rd + "DC,0, RD,1,2",
            "Section 1 of 2: checksum differs, asked again (attempt 2 of 5)");
        row("four silent", {.silentSections = 4}, rd.repeated(5) + "DC,0, RD,1,2");
        row("two short", {.shortBlocks = 2}, rd.repeated(3) + "DC,0, RD,1,2");
        // The block comes after the read gave up: its bytes are no reply to
        // the next request, whenever they arrive.
        row("late block", {.lateBlocks = 1}, rd.repeated(3) + "DC,0, RD,1,2");
        row("late block in the pause", {.lateBlocks = 1, .lateBlockMs = 900},
            rd.repeated(2) + "DC,0, RD,1,2");
    }
    void recoveries() {
        QFETCH(MeterDatalogs::Faults, faults);
        QFETCH(QString, rdAndDc);
        QFETCH(QByteArray, trace);
        Rig rig;
        rig.logs.faults = faults;
        DatalogRecord log;
        QByteArrayList lines;
        LogDownload d(rig.link, {{}, {}, {}, [&](const QByteArray& l) { lines << l; }});
        const auto outcome = d.run(log, "Velmar KR5", "V1.95", "0");
        QVERIFY2(outcome.ok, qPrintable(outcome.message()));
        QCOMPARE(log.LogPoints, rig.logs.logs[0].points);
        const QStringList sections = rig.commands().filter(QRegularExpression("^(RD|DC,0,?$)"));
        QCOMPARE(sections.mid(1).join(' ').left(rdAndDc.size()), rdAndDc);
        QVERIFY(trace.isEmpty() || lines.contains(trace));
    }

    // A port that streams without end from the first section on: the
    // download is refused within bounded time, or ends within a second of
    // the line being closed (the command line's Ctrl-C) at any moment.
    void streamingPort_data() {
        QTest::addColumn<qint64>("closeAfter"); // ms after the first section request; -1 never
        QTest::newRow("no interrupt") << qint64(-1);
        QTest::newRow("interrupt in a read") << qint64(1100);
        QTest::newRow("interrupt in a pause") << qint64(2500);
    }
    void streamingPort() {
        QFETCH(qint64, closeAfter);
        Rig rig;
        qint64 firstRequest = -1, closedAt = -1;
        rig.model.onCommand = [&](const MeterModel::Received& r) {
            if (r.command.startsWith("RD") && firstRequest < 0) {
                firstRequest = r.timeMs;
                rig.model.faults().noise = true;
            }
        };
        rig.waiter.onYield = [&] {
            if (closeAfter >= 0 && firstRequest >= 0 && closedAt < 0 &&
                rig.waiter.now() >= firstRequest + closeAfter) {
                closedAt = rig.waiter.now();
                rig.link.shutDown();
            }
        };
        DatalogRecord log = sentinel();
        const auto outcome = rig.download(log);
        QVERIFY(!outcome.ok);
        QCOMPARE(log.LogUnits, "old");
        QCOMPARE(outcome.closing, closeAfter >= 0);
        if (closeAfter < 0)
            QVERIFY(rig.waiter.now() - firstRequest < 20000);
        else
            QVERIFY(closedAt >= 0 && rig.waiter.now() - closedAt < 1000);
    }

    // Random faults never leave a log that differs from the meter's.
    void randomFaults() {
        constexpr int kRuns = 1000;
        QRandomGenerator rng(9);
        int whole = 0, refused = 0;
        for (int run = 0; run < kRuns; ++run) {
            Rig rig;
            rig.logs.logs[0].points.resize(size_t(2 + rng.bounded(120)));
            rig.logs.faults = {.wrongChecksums = int(rng.bounded(3)),
                               .silentSections = int(rng.bounded(4)),
                               .shortBlocks = int(rng.bounded(3))};
            const int corrupt = int(rng.bounded(3));
            const int offset = int(rng.bounded(70));
            rig.model.onCommand = [&](const MeterModel::Received& r) {
                if (r.command.startsWith("DC,0") && rig.model.faults().corruptReplies == 0 &&
                    corrupt > 0) { // armed once the header is read
                    rig.model.faults().corruptReplies = corrupt;
                    rig.model.faults().corruptOffset = offset;
                }
            };
            if (rng.bounded(4) == 0)
                rig.model.faults().stallMs = rng.bounded(900), rig.model.faults().stallReplies = 3;
            DatalogRecord log = sentinel();
            const auto outcome = rig.download(log);
            if (outcome.ok) {
                ++whole;
                QCOMPARE(log.LogPoints, rig.logs.logs[0].points);
                QCOMPARE(log.LogPointCount, qint32(rig.logs.logs[0].points.size()));
            } else {
                ++refused;
                QVERIFY(!outcome.message().isEmpty());
                QCOMPARE(log.LogUnits, "old");
            }
        }
        qInfo("%d downloads with random faults: %d exact copies, %d refused with a message", kRuns,
              whole, refused);
        QVERIFY(whole > 0 && refused > 0);
    }

    void directoryScan() {
        Rig rig;
        rig.logs.logs[4].points = {5, 6};
        rig.logs.logs[4].date = "01/01/20";
        rig.logs.logs[4].units = "GPD";
        DatalogDirectory dir;
        LogDirectoryScan scan(rig.link);
        QStringList counts;
        scan.onFile = [&](int d, qint32 n) { counts << QString("%1:%2").arg(d).arg(n); };
        QVERIFY(scan.run(dir));
        QCOMPARE(counts.join(' '), "0:33 1:4000 2:100 3:0 4:2 5:0 6:0 7:0 8:0 9:0");
        QVERIFY(dir.files[3].empty && !dir.files[4].empty);
        QCOMPARE(dir.files[4].units, "GPD");
        QStringList expected;
        for (int d = 0; d < 10; ++d)
            expected << QString("OD,DATALOG%1").arg(d) << "DC,0";
        QCOMPARE(rig.commands(), expected);
        QVERIFY(rig.waiter.now() >= 10000); // one second before each file

        // A meter that says nothing costs 20 tries of file 0 and ends the scan.
        Rig silent;
        silent.model.faults().silent = true;
        LogDirectoryScan quiet(silent.link);
        QVERIFY(!quiet.run(dir));
        QCOMPARE(silent.commands().size(), 20);
    }

    void erase_data() {
        QTest::addColumn<bool>("loggingOn");
        QTest::addColumn<QString>("commands");
        QTest::addColumn<QString>("message");
        const QString off = "DL,0 LG,1,\\x00\\x00 ", on = " LG,1,\\x01\\x00";
        const QString dd = "DD,DATALOG0 DD,DATALOG1 DD,DATALOG2";
        QTest::newRow("logging off") << false << "DL,0 " + dd << "";
        QTest::newRow("logging on") << true << off + "LG,3 " + dd + on << "";
        // The meter refuses LG,3 ten times.
        QTest::newRow("erase refused")
            << true << off + QStringList(10, "LG,3").join(' ') + on
            << "did not accept the erase of its logs, so nothing was erased. Logging is on again.";
        QTest::newRow("logging never acknowledged")
            << true << "DL,0" + QString(" LG,1,\\x00\\x00").repeated(10)
            << "did not switch its logging off, so nothing was erased";
    }
    void erase() {
        QFETCH(bool, loggingOn);
        QFETCH(QString, message);
        const QByteArray tag = QTest::currentDataTag();
        Rig rig;
        rig.logs.faults.loggingNeverOk = tag == "logging never acknowledged";
        int refusals = 0;
        if (tag == "erase refused")
            rig.model.onCommand = [&](const MeterModel::Received& r) {
                rig.logs.faults.loggingNeverOk =
                    r.command.startsWith("LG,1,") || (r.command == "LG,3" && ++refusals < 10);
            };
        QList<float> progress;
        const auto outcome = LogErase(rig.link, [&](float p) { progress << p; }).run(loggingOn);
        QCOMPARE(outcome.ok, message.isEmpty());
        QVERIFY(outcome.message.contains(message));
        QTEST(rig.commands().join(' '), "commands");
        QCOMPARE(rig.logs.deleted.size(), size_t(outcome.ok ? 3 : 0));
        if (outcome.ok)
            QCOMPARE(progress, QList<float>({100.0f / 3, 200.0f / 3, 100.0f}));
    }
};

QTEST_GUILESS_MAIN(TestLogExchanges)
#include "tst_logexchanges.moc"
