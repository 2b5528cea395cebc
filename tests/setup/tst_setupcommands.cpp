// The setup dialog's commands to the byte, the replies it decodes and the
// numbers it accepts from the user.
#include "setup/SetupCommands.h"

#include <QtTest>

using namespace SetupCommands;

class tst_setupcommands : public QObject {
    Q_OBJECT
private slots:
    void commandBytes_data() {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QByteArray>("hex");
        const auto row = [](const char* name, const QByteArray& command, const char* hex) {
            QTest::newRow(name) << command << QByteArray(hex);
        };
        // "PD,1," then 0.5 ft, inches, cast iron, US gallons, minutes.
        row("pipe, half a foot", pipeCommand({0.5f, 0, 1, 0, 1}), "50442c312c0000003f000100010a");
        row("pipe, indices as bytes", pipeCommand({1.0f, 1, 5, 7, 3}),
            "50442c312c0000803f010507030a");
        // A damping whose high byte is a line feed keeps its own terminator.
        row("damping 2560", withInt16("LM,1,", 2560), "4c4d2c312c000a0a");
        row("damping 10", withInt16("LM,1,", 10), "4c4d2c312c0a000a");
        row("overrides LFO", withInt16("LR,3,", 2), "4c522c332c02000a");
        row("cut-off 0.2 ft/s", withSingle("LM,3,", 0.2f), "4c4d2c332ccdcc4c3e0a");
        row("strength cut-off 25", withSingle("MD,5,", 25.0f), "4d442c352c0000c8410a");
        row("manual, range 8", rangeCommand(rangeCode(true, 2)), "4c522c312c3133310a");
        row("automatic, range 2", rangeCommand(rangeCode(false, 0)), "4c522c312c310a");
        row("manual, range 32", rangeCommand(rangeCode(true, 4)), "4c522c312c3133330a");
        row("plain", framed("LR,9"), "4c522c390a");
    }

    void commandBytes() {
        QFETCH(QByteArray, command);
        QTEST(command.toHex(), "hex");
    }

    void pipeReply_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("fields"); // diameter|pipe unit|wall|flow unit|timebase
        const auto row = [](const char* name, const char* hex, bool valid, const char* fields) {
            QTest::newRow(name) << QByteArray::fromHex(hex) << valid << QString(fields);
        };
        row("record", "50442c302c200000003f010304020a", true, "0.5|1|3|4|2");
        row("without its line feed", "50442c302c200000803f00050703", true, "1|0|5|7|3");
        row("one byte short", "50442c302c200000803f000507", false, "");
        row("error word", "426164204f50436f6465200a", false, "");
        row("another record", "43432c302c200000003f010304020a", false, "");
    }

    void pipeReply() {
        QFETCH(QByteArray, reply);
        const std::optional<PipeData> pipe = decodePipeReply(reply);
        QTEST(pipe.has_value(), "valid");
        if (pipe)
            QTEST(QString("%1|%2|%3|%4|%5")
                      .arg(pipe->diameterFt)
                      .arg(pipe->pipeUnit)
                      .arg(pipe->wall)
                      .arg(pipe->flowUnit)
                      .arg(pipe->timeUnit),
                  "fields");
    }

    void transmitPower_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("level"); // -1: none
        QTest::newRow("regular") << QByteArray("MD,3,0") << 0;
        QTest::newRow("high") << QByteArray("MD,3,1") << 1;
        QTest::newRow("error word") << QByteArray("Bad OPCode ") << -1;
        QTest::newRow("nothing") << QByteArray() << -1;
        QTest::newRow("no digit") << QByteArray("MD,3,") << -1;
    }

    void transmitPower() {
        QFETCH(QByteArray, reply);
        QTEST(transmitPowerLevel(reply).value_or(-1), "level");
    }

    void typedNumbers_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("number");
        QTest::addColumn<double>("value");
        const auto row = [](const char* text, bool number, double value = 0) {
            QTest::newRow(text) << QString(text) << number << value;
        };
        row(" 6 ", true, 6);
        row("0.", true, 0);
        row("+.5", true, 0.5);
        row("-12.25", true, -12.25);
        row("1e3", true, 1000);
        row("-", false);
        row("", false);
        row("1,5", false);
        row("1,000", false);
        row("1 2", false);
        row("inf", false);
        row("nan", false);
        row("1e999", false);
        row("6in", false);
    }

    void typedNumbers() {
        QFETCH(QString, text);
        QFETCH(bool, number);
        const std::optional<double> value = parseNumber(text);
        QCOMPARE(value.has_value(), number);
        if (number)
            QTEST(*value, "value");
    }

    void flowFactors_data() {
        QTest::addColumn<double>("diameter");
        QTest::addColumn<int>("flowUnit");
        QTest::addColumn<int>("timeUnit");
        QTest::addColumn<QString>("factor"); // four decimals
        QTest::newRow("gallons per minute") << 0.5 << 0 << 1 << "88.1275";
        QTest::newRow("cubic feet per second") << 1.0 << 3 << 0 << "0.7854";
        QTest::newRow("litres per hour") << 0.1 << 5 << 2 << "800.6351";
    }

    void flowFactors() {
        QFETCH(double, diameter);
        QFETCH(int, flowUnit);
        QFETCH(int, timeUnit);
        QTEST(QString::number(flowFactor(diameter, flowUnit, timeUnit), 'f', 4), "factor");
    }
};

QTEST_MAIN(tst_setupcommands)
#include "tst_setupcommands.moc"
