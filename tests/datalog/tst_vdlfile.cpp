#include "datalog/LogText.h"
#include "datalog/VdlFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The file layout, its reader's refusals and the round trip, with the bytes
// written out here.
class TestVdlFile : public QObject {
    Q_OBJECT

    // Three points across noon, the middle one negative.
    static DatalogRecord sample() {
        DatalogRecord log;
        log.CurrentLogId = "4";
        log.LogStart = QDateTime(QDate(2006, 5, 12), QTime(11, 59, 0), Qt::UTC);
        log.LogInterval = 60;
        log.LogScale = 0.5f;
        log.LogUnits = "GPM";
        log.LogPoints = {100, -3, 7};
        log.LogPointCount = 3;
        LogText::buildLines(log, 3, 100);
        return log;
    }
    static constexpr char kSampleFile[] = "\"File 4 Started 5/12/2006 11:59:00 AM\"\r\n"
                                          "\"3 Flow points at 60 second intervals\"\r\n"
                                          "\"Values range from 1.5 to 50 GPM\"\r\n"
                                          "5/12/2006 11:59:00 AM \t 50 \t 50\r\n"
                                          "5/12/2006 12:00:00 PM \t 1.5 \t 51.5****\r\n"
                                          "5/12/2006 12:01:00 PM \t 3.5 \t 55\r\n";

private slots:
    void writesTheLayout() {
        const DatalogRecord log = sample();
        QCOMPARE(log.LogLines.mid(3), QStringList({"5/12/2006 11:59:00 AM    50    50",
                                                   "5/12/2006 12:00:00 PM    1.5    51.5  ****",
                                                   "5/12/2006 12:01:00 PM    3.5    55"}));
        QTemporaryDir dir;
        const QString path = dir.filePath("a.vdl");
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old file") == 8);
        old.close();
        QString error;
        QVERIFY(VdlFile::save(log, path, &error));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray(kSampleFile));
    }

    void readsBackRescaled() {
        QString error;
        const auto log = VdlFile::decode(kSampleFile, &error);
        QVERIFY2(log, qPrintable(error));
        QCOMPARE(log->LogPointCount, 3);
        QCOMPARE(log->LogPoints, std::vector<qint16>({32767, -983, 2294}));
        QCOMPARE(log->LogInterval, qint16(60));
        QCOMPARE(log->LogUnits, "GPM");
        QCOMPARE(log->LogMinRaw, qint16(983));
        QCOMPARE(log->LogMaxRaw, qint16(32767));
        QCOMPARE(log->LogStart, QDateTime(QDate(2006, 5, 12), QTime(11, 59, 0), Qt::UTC));
        QCOMPARE(log->LogLines.value(4), "5/12/2006 12:00:00 PM    1.5    51.5****");
        QCOMPARE(log->LogLines.value(1), "3 Flow points at 60 second intervals");
    }

    void refusesWhatIsNotALog_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("why");
        const QByteArray head = "\"File 4 Started 5/12/2006 11:59:00 AM\"\r\n"
                                "\"2 Flow points at 60 second intervals\"\r\n"
                                "\"Values range from 1.5 to 50 GPM\"\r\n";
        const QByteArray p1 = "5/12/2006 11:59:00 AM \t 50 \t 50\r\n";
        const QByteArray p2 = "5/12/2006 12:00:00 PM \t 1.5 \t 51.5\r\n";
        QTest::newRow("empty") << QByteArray() << "fewer than three header lines";
        QTest::newRow("one point short") << head + p1 << "promises 2 points but the file holds 1";
        QTest::newRow("one point too many") << head + p1 + p2 + p2 << "holds 3";
        QTest::newRow("unquoted header") << QByteArray(head).remove(0, 1) + p1 + p2 << "line 1";
        const auto with = [&](const char* from, const char* to) {
            return QByteArray(head).replace(from, to);
        };
        QTest::newRow("count space beyond ten")
            << with("\"2 Flow", "\"0000000002 Flow") + p1 + p2 << "point count from 2";
        QTest::newRow("one point") << with("\"2 Flow", "\"1 Flow") + p1 << "point count from 2";
        QTest::newRow("over 100,000")
            << with("\"2 Flow", "\"100001 Flow") + p1 + p2 << "point count from 2 to 100000";
        QTest::newRow("bad unit letter") << with("GPM", "GPX") + p1 + p2 << "\"GPX\"";
        QTest::newRow("bad time") << head + p1 + "5/32/2006 12:00:00 PM \t 1 \t 2\r\n"
                                  << "line 5";
        QTest::newRow("bad number") << head + p1 + "5/12/2006 12:00:00 PM \t x \t 2\r\n"
                                    << "line 5";
        QTest::newRow("four tabs") << head + p1 + "5/12/2006 12:00:00 PM \t 1 \t 2\t\t\r\n"
                                   << "line 5";
        QTest::newRow("time runs back") << head + p2 + p1 << "steady interval";
    }
    void refusesWhatIsNotALog() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, why);
        QString error;
        QVERIFY(!VdlFile::decode(bytes, &error));
        QVERIFY2(error.contains(why), qPrintable(error));
    }

    // Forms the reader takes besides the program's own: LF alone, the
    // locale's form, an all-zero log.
    void readsOtherForms() {
        QString error;
        const QByteArray zero = "\"File 1 Started 1/2/2030 1:00:00 AM\"\n"
                                "\"2 Flow points at 3600 second intervals\"\n"
                                "\"Values range from 0 to 0 CFH\"\n"
                                "1/2/2030 1:00:00 AM \t 0 \t 0\n"
                                "1/2/2030 2:00:00 AM \t 0 \t 0\n";
        auto log = VdlFile::decode(zero, &error);
        QVERIFY2(log, qPrintable(error));
        QCOMPARE(log->LogPoints, std::vector<qint16>({0, 0}));
        QCOMPARE(log->LogMaxRaw, qint16(0));
        QCOMPARE(log->LogInterval, qint16(3600));
        const QLocale locale;
        const QDateTime t(QDate(2011, 3, 4), QTime(17, 5, 6), Qt::UTC);
        const QString localeForm = locale.toString(t.date(), QLocale::ShortFormat) + ' ' +
                                   locale.toString(t.time(), QLocale::LongFormat);
        QCOMPARE(LogText::readDateTime(localeForm).value_or(QDateTime()).time(), QTime(17, 5, 6));
    }

    // Older files with two-digit years: the whole dates through the century
    // window, also across the turn of the century.
    void twoDigitYears_data() {
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<QByteArray>("second");
        QTest::addColumn<QDateTime>("start");
        QTest::addColumn<QDateTime>("end");
        const auto at = [](int y, int mo, int d, int h, int mi) {
            return QDateTime(QDate(y, mo, d), QTime(h, mi), Qt::UTC);
        };
        QTest::newRow("2006") << QByteArray("5/12/06 10:30:00 AM")
                              << QByteArray("5/12/06 10:31:00 AM") << at(2006, 5, 12, 10, 30)
                              << at(2006, 5, 12, 10, 31);
        QTest::newRow("into 2000")
            << QByteArray("12/31/99 11:59:00 PM") << QByteArray("1/1/00 12:00:00 AM")
            << at(1999, 12, 31, 23, 59) << at(2000, 1, 1, 0, 0);
        QTest::newRow("30 is 1930")
            << QByteArray("3/4/30 1:00:00 PM") << QByteArray("3/4/30 1:01:00 PM")
            << at(1930, 3, 4, 13, 0) << at(1930, 3, 4, 13, 1);
    }
    void twoDigitYears() {
        QFETCH(QByteArray, first);
        QFETCH(QByteArray, second);
        QFETCH(QDateTime, start);
        QFETCH(QDateTime, end);
        const QByteArray bytes =
            "\"File 1 Started x\"\r\n\"2 Flow points at 60 second intervals\"\r\n"
            "\"Values range from 1 to 2 GPM\"\r\n" +
            first + " \t 1 \t 1\r\n" + second + " \t 2 \t 3\r\n";
        QString error;
        const auto log = VdlFile::decode(bytes, &error);
        QVERIFY2(log, qPrintable(error));
        QCOMPARE(log->LogStart, start);
        QCOMPARE(log->FilePoints.back().time, end);
        QCOMPARE(log->LogInterval, qint16(60));
    }

    // A loaded file keeps its own numbers and marks: saved again it is the
    // same file. The graph's counts stay within 16 bits and keep their sign
    // for any finite flow.
    void ownNumbersAndSafeCounts_data() {
        QTest::addColumn<QByteArrayList>("flows"); // field 2 and 3 of each point
        QTest::addColumn<std::vector<qint16>>("raw");
        QTest::newRow("small values, reverse marks")
            << QByteArrayList{"19.949999 \t 19.949999", "0.0007 \t 19.9507****", "3.25 \t 23.2007"}
            << std::vector<qint16>{32767, -1, 5338};
        QTest::newRow("maximum below 1E-40")
            << QByteArrayList{"1E-41 \t 1E-41", "2.5E-42 \t 1.25E-41****", "0 \t 1.25E-41"}
            << std::vector<qint16>{32767, -8192, 0};
        QTest::newRow("near the single's limit")
            << QByteArrayList{"3E+38 \t 3E+38", "1.2E+38 \t 3.4E+38", "3E+38 \t 3.4E+38"}
            << std::vector<qint16>{32767, 13107, 32767};
    }
    void ownNumbersAndSafeCounts() {
        QFETCH(QByteArrayList, flows);
        QFETCH(std::vector<qint16>, raw);
        QByteArray bytes = "\"File 1 Started 5/12/2006 10:30:00 AM\"\r\n"
                           "\"3 Flow points at 60 second intervals\"\r\n"
                           "\"Values range from 0 to 1 GPM\"\r\n";
        for (int i = 0; i < 3; ++i)
            bytes += "5/12/2006 10:3" + QByteArray::number(i) + ":00 AM \t " + flows[i] + "\r\n";
        QString error;
        const auto log = VdlFile::decode(bytes, &error);
        QVERIFY2(log, qPrintable(error));
        QCOMPARE(log->LogPoints, raw);
        QCOMPARE(VdlFile::encode(*log), bytes);
    }

    // A log beyond a 16-bit count survives the trip; the old file survives a
    // save that cannot be done.
    void largeRoundTripAndFailedSave() {
        DatalogRecord log = sample();
        log.LogPointCount = 40000;
        log.LogPoints.resize(40000);
        for (int i = 0; i < 40000; ++i)
            log.LogPoints[size_t(i)] = qint16((i % 7 == 3 ? -1 : 1) * (1 + i % 30000));
        LogText::buildLines(log, 1, 30000);
        QTemporaryDir dir;
        const QString path = dir.filePath("big.vdl");
        QString error;
        QVERIFY(VdlFile::save(log, path, &error));
        auto back = VdlFile::load(path, &error);
        QVERIFY2(back, qPrintable(error));
        QCOMPARE(back->LogPointCount, 40000);
        QCOMPARE(back->LogPoints[3] < 0, true);
        QCOMPARE(back->LogPoints[29999], qint16(32767));
        QCOMPARE(back->PageFactor, qint16(2));

        log.LogUnits = "GPX";
        QVERIFY(!VdlFile::save(log, path, &error));
        QVERIFY(!VdlFile::save(sample(), dir.filePath("no/such/dir.vdl"), &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(VdlFile::load(path, &error)->LogPointCount, 40000);
    }
};

QTEST_GUILESS_MAIN(TestVdlFile)
#include "tst_vdlfile.moc"
