// The totalizer, display, clock and service commands to the byte, the
// replies they decode and the entries they refuse.
#include "setup/MiscCommands.h"

#include <QtTest>

using namespace MiscCommands;

class tst_misccommands : public QObject {
    Q_OBJECT
private slots:
    void commandBytes_data() {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QByteArray>("expected");
        const auto row = [](const char* name, const QByteArray& command, const char* expected) {
            QTest::newRow(name) << command << QByteArray(expected);
        };
        row("clock 1999, midnight", clockCommand({0, 0, 0, 12, 31, 1999}), "DT,1,000000,991231\n");
        row("clock 1905", clockCommand({23, 59, 59, 1, 1, 1905}), "DT,1,235959,050101\n");
        row("velocity alone", displayCommand(maskToSend(1)), "SC,2,9\n");
        row("totalizer cleared", displayCommand(withOption(0x0207, 1, false)), "SC,2,517\n");
        row("update 64 s over 4 s", displayCommand(withUpdateTime(0x0003, 4)), "SC,2,1027\n");
    }
    void commandBytes() {
        QFETCH(QByteArray, command);
        QTEST(command, "expected");
    }

    void totals_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("fields"); // total|unit|multiplier|enabled|relay|shown
        const auto row = [](const char* name, const char* hex, const char* fields) {
            QTest::newRow(name) << QByteArray::fromHex(hex) << QString(fields);
        };
        // "GT,0,     ", 123456.0 as a double, M^3, x100, on, relay 1.
        row("123456 at x100", "47542c302c2020202020000000000024fe4004020101",
            "123456|4|2|1|1|1235");
        row("unit byte signed", "47542c302c20202020200000000000000000ff000000", "0|-1|0|0|0|0");
        row("one byte short", "47542c302c20202020200000000000000000ff0000", "");
        row("another record", "4d442c302c20202020200000000000000000ff000000", "");
    }
    void totals() {
        QFETCH(QByteArray, reply);
        const std::optional<Totals> t = decodeTotals(reply);
        QTEST(t ? QString("%1|%2|%3|%4|%5|%6")
                      .arg(t->total)
                      .arg(t->unit)
                      .arg(t->multiplier)
                      .arg(int(t->enabled))
                      .arg(t->relay)
                      .arg(totalText(t->total, t->multiplier))
                : QString(),
              "fields");
    }

    void clockReply_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("fields");
        QTest::newRow("meter clock") << QByteArray("DT,0,140309,07052006") << "14:3:9 7/5/2006";
        QTest::newRow("with its line feed") << QByteArray("DT,0,140309,07052006\n") << "";
        QTest::newRow("blank in a field") << QByteArray("DT,0,14 309,07052006") << "";
        QTest::newRow("error word") << QByteArray("RecErr      \r\n") << "";
    }
    void clockReply() {
        QFETCH(QByteArray, reply);
        const std::optional<MeterClock> c = decodeClock(reply);
        QTEST(c ? QString("%1:%2:%3 %4/%5/%6")
                      .arg(c->hour)
                      .arg(c->minute)
                      .arg(c->second)
                      .arg(c->month)
                      .arg(c->day)
                      .arg(c->year)
                : QString(),
              "fields");
    }

    void clockRefused_data() {
        QTest::addColumn<int>("hour");
        QTest::addColumn<int>("minute");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("day");
        QTest::addColumn<int>("year");
        QTest::addColumn<QString>("problem");
        QTest::newRow("fine") << 23 << 59 << 2 << 29 << 2024 << "";
        QTest::newRow("hour 24") << 24 << 0 << 1 << 1 << 2006
                                 << "The hour must be a whole number from 0 to 23.";
        QTest::newRow("minute 60")
            << 0 << 60 << 1 << 1 << 2006 << "The minutes must be a whole number from 0 to 59.";
        QTest::newRow("31 June") << 0 << 0 << 6 << 31 << 2006
                                 << "There is no day 31 in month 6 of 2006.";
        QTest::newRow("day 0") << 0 << 0 << 6 << 0 << 2006
                               << "There is no day 0 in month 6 of 2006.";
        QTest::newRow("month 13") << 0 << 0 << 13 << 1 << 2006
                                  << "There is no day 1 in month 13 of 2006.";
        QTest::newRow("29 Feb 2023")
            << 0 << 0 << 2 << 29 << 2023 << "There is no day 29 in month 2 of 2023.";
        QTest::newRow("1899") << 0 << 0 << 1 << 1 << 1899 << "The year must be from 1900 to 5000.";
    }
    void clockRefused() {
        QFETCH(int, hour);
        QFETCH(int, minute);
        QFETCH(int, month);
        QFETCH(int, day);
        QFETCH(int, year);
        QTEST(clockProblem({hour, minute, 0, month, day, year}), "problem");
    }

    void entries_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("serial");
        QTest::addColumn<int>("clockField"); // -1: refused
        QTest::newRow("54321") << "54321" << true << -1;
        QTest::newRow("12a") << "12a" << false << -1;
        QTest::newRow("empty") << "" << false << -1;
        QTest::newRow("ten digits") << "1234567890" << true << -1;
        QTest::newRow("eleven digits") << "12345678901" << false << -1;
        QTest::newRow("07") << "07" << true << 7;
        QTest::newRow("3.5") << "3.5" << false << -1;
        QTest::newRow("-1") << "-1" << false << -1;
    }
    void entries() {
        QFETCH(QString, text);
        QTEST(validSerial(text), "serial");
        QTEST(clockField(text).value_or(-1), "clockField");
    }

    void versionAndService() {
        const std::optional<VersionSerial> v = decodeVersion("VR,V1.95,54321\n");
        QVERIFY(v && v->version == "V1.95" && v->serial == "54321");
        QVERIFY(!decodeVersion("VR,V1.95"));
        // "MD,0,", 1.25, 50.0, code 3, line feed.
        const std::optional<ServiceValues> s =
            decodeService(QByteArray::fromHex("4d442c302c0000a03f000048420300") + "\n");
        QVERIFY(s && s->profileFactor == 1.25f && s->signalStrength == 50.0f && s->totCode == 3);
        QVERIFY(!decodeService("MD,0,\n"));
    }
};

QTEST_MAIN(tst_misccommands)
#include "tst_misccommands.moc"
