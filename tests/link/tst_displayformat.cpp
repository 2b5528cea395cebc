#include "link/DisplayFormat.h"

#include <QTest>

#include <cmath>
#include <cstring>
#include <limits>

class TestDisplayFormat : public QObject {
    Q_OBJECT

private slots:
    void patterns_data();
    void patterns();
    void singles_data();
    void singles();
    void integersAndSpecialValues();
    void generalForm_data();
    void generalForm();
    void generalSingle_data();
    void generalSingle();
    void generalFormRoundTrips();
};

void TestDisplayFormat::patterns_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");

    const auto row = [](const char* pattern, double value, const char* expected) {
        QTest::addRow("[%s] %.17g", pattern, value)
            << QString(pattern) << value << QString(expected);
    };
    // Flow and velocity.
    row("#####0.00", 0, "0.00");
    row("#####0.00", 12.345, "12.35");
    row("#####0.00", -3.5, "-3.50");
    row("#####0.00", 1234567.891, "1234567.89");
    row("#####0.00", 0.005, "0.01");
    row("#####0.00", -0.004, "-0.00");
    row("####0.00", 99.995, "100.00");
    row("####0.00", 0.5, "0.50");
    row("#####0.0", 7.25, "7.3");
    row("#####0.0", -7.25, "-7.3");
    row("#####0.0", 0.04, "0.0");
    // Clock, date and command arguments.
    row("#00", 5, "05");
    row("#00", 12, "12");
    row("#00", 0, "00");
    row("#00", 123, "123");
    row("####", 2006, "2006");
    row("####", 0, "");
    row("####", 31, "31");
    row("####", 7.5, "8");
    row("0#", 0, "00");
    row("0#", 3, "03");
    row("0#", 14, "14");
    row("0#", 106, "106");
    row("##", 0, "");
    row("##", 200, "200");
    row("##", 7, "7");
    row("##", 0.4, "");
    row("##", 0.5, "1");
    row("##0", 3, "3");
    row("##0", 0, "0");
    row("##0", 12, "12");
    row("#####0", 12345, "12345");
    row("#####0", 0, "0");
    row("#####0", 2.5, "3");
    row("#####0", -2.5, "-3");
    // Totalizer.
    row("  ########0", 1234567, "  1234567");
    row("  ########0", 0, "  0");
    row("  ########0", 12345678901.4, "  12345678901");
    row("  ########0", -42.5, "-  43");
    // Analysis results.
    row("####0.0##", 1.5, "1.5");
    row("####0.0##", 0, "0.0");
    row("####0.0##", 3.14159, "3.142");
    row("####0.0##", 2.0005, "2.001");
    row("####0.0##", -0.00049, "-0.0");
    row("####0.0##", 100000.25, "100000.25");
    row("###0.0#", 2.345, "2.35");
    row("###0.0#", 12, "12.0");
    row("###0.0#", 0.999, "1.0");
    row("####0.00##", 1.5, "1.50");
    row("####0.00##", 0.123456, "0.1235");
    row("####0.00##", 7, "7.00");
    row("######0.00", 1, "1.00");
    row("######0.00", -12.3, "-12.30");
    row("#######0.00", 123456789.125, "123456789.13");
    row("#####0.0##", 10.5, "10.5");
    row("#####0.0##", -0.1234, "-0.123");
    row("#####0.0##", 0.00051, "0.001");
    // Setup pages.
    row("   ##0.0## ", 0, "   0.0 ");
    row("   ##0.0## ", 1.25, "   1.25 ");
    row("   ##0.0## ", -1.23456, "-   1.235 ");
    row("   ##0.0## ", 1000, "   1000.0 ");
    row(" ##0.0## ", 1, " 1.0 ");
    row(" ##0.0## ", 0.987654, " 0.988 ");
    row("  ###  ", 0, "    ");
    row("  ###  ", 5, "  5  ");
    row("  ###  ", 120, "  120  ");
    row("  ###  ", 1234, "  1234  ");
    row(" ##0.#0", 4, " 4.00");
    row(" ##0.#0", 12.345, " 12.35");
    row(" ##0.#0", 20.1, " 20.10");
    row(" ##0.#0", 0, " 0.00");
    row("###0.0##", 0.1, "0.1");
    row("###0.0##", 123.4567, "123.457");
    row("###0.0##", -5.5, "-5.5");
    row("  ###0.0#", 0.05, "  0.05");
    row("  ###0.0#", 12, "  12.0");
    row("  ###0.0#", 1.005, "  1.01");
    row("#0.00#", 4, "4.00");
    row("#0.00#", 20, "20.00");
    row("#0.00#", 4.1234, "4.123");
    row("#0.00#", 0.0005, "0.001");
    row("  ##0.0##", 0.2, "  0.2");
    row("  ##0.0##", 1.23456, "  1.235");
    row("   ###0.0###", 0.123456, "   0.1235");
    row("   ###0.0###", 448.831, "   448.831");
    row("#0.0##", 0.2, "0.2");
    row("#0.0##", 0.9999, "1.0");
    row("#0.0#", 4, "4.0");
    row("#0.0#", 19.999, "20.0");
    row("#0.#0", 4, "4.00");
    row("#0.#0", 3.14159, "3.14");
    row("#.00#", 0, ".00");
    row("#.00#", 0.5, ".50");
    row("#.00#", 4.0005, "4.001");
    row("#.00#", 12.3456, "12.346");
    row("##0.0#", 25.4, "25.4");
    row("##0.0#", 0.125, "0.13");
    row("##0.0#", -0.125, "-0.13");
    row("##.0#", 0, ".0");
    row("##.0#", 4.2, "4.2");
    row("##.0#", 0.456, ".46");
    row(" ##0.0#", 12.5, " 12.5");
    row(" ##0.0#", 0, " 0.0");
    row("  #0.0##", 0.2, "  0.2");
    row("  #0.0##", 3.33333, "  3.333");
    row("  ###0.00##", 4.5, "  4.50");
    row("  ###0.00##", 1234.56789, "  1234.5679");
    row("  ###0.00#", 20, "  20.00");
    row("  ###0.00#", 0.0125, "  0.013");
    row("  ###0.0##", 0.25, "  0.25");
    row("  ##", 7, "  7");
    row("  ##", 0, "  ");
    row("  ##", 12, "  12");
    row("  ##  ", 3, "  3  ");
    row("  ##  ", 0, "    ");
    row("   #0.0##", 15, "   15.0");
    row("   #0.0##", 0.5, "   0.5");
    row("   ##0.0##", 50, "   50.0");
    row("   ##0.0##", 0.0004, "   0.0");
    row("   ##0", 128, "   128");
    row("   ##0", 0, "   0");
    row("     ##0.000#", 6.065, "     6.065");
    row("     ##0.000#", 0.5, "     0.500");
    row("     ##0.000#", 6.06556, "     6.0656");
    row("     ##0.0#", 152.4, "     152.4");
    row("     ##0.0#", 0, "     0.0");
    // Literals between placeholders and a pattern without integer placeholders.
    row("#-##", 5, "-5");
    row("#-##", 12345, "123-45");
    row("(###) ###-####", 5551234, "() 555-1234");
    row(".00", 12.5, "12.50");
    row("0.0", -0.0, "0.0");
    row("0", 1e20, "100000000000000000000");
    row("0.00", 1e-20, "0.00");
}

void TestDisplayFormat::patterns() {
    QFETCH(QString, pattern);
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(FormatNumber(value, pattern), expected);
}

void TestDisplayFormat::singles_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("expected");

    // A single is shown from its seven significant digits, not its binary value.
    QTest::newRow("1.005") << "#0.00" << 1.005f << "1.01";
    QTest::newRow("0.1") << "0.000000000" << 0.1f << "0.100000000";
    QTest::newRow("123456.789") << "#####0.00" << 123456.789f << "123456.80";
    QTest::newRow("-2.5") << "#####0" << -2.5f << "-3";
    QTest::newRow("flow") << "#####0.00" << 42.125f << "42.13";
}

void TestDisplayFormat::singles() {
    QFETCH(QString, pattern);
    QFETCH(float, value);
    QFETCH(QString, expected);
    QCOMPARE(FormatNumber(value, pattern), expected);
}

void TestDisplayFormat::integersAndSpecialValues() {
    QCOMPARE(FormatNumber(5, "#00"), QString("05"));
    QCOMPARE(FormatNumber(qint16(-7), "0#"), QString("-07"));
    QCOMPARE(FormatNumber(qint64(4294967296), "####"), QString("4294967296"));
    QCOMPARE(FormatNumber(std::numeric_limits<double>::quiet_NaN(), "0.0"), QString("NaN"));
    QCOMPARE(FormatNumber(std::numeric_limits<double>::infinity(), "0.0"), QString("Inf"));
    QCOMPARE(FormatNumber(-std::numeric_limits<float>::infinity(), "0.0"), QString("-Inf"));
    QCOMPARE(FormatNumber(2.5, ""), QString("2.5"));
    // The same double shown from its binary value would read 1.00.
    QCOMPARE(FormatNumber(double(1.005f), "#0.00"), QString("1.00"));
}

void TestDisplayFormat::generalForm_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");

    const auto row = [](double value, const char* expected) {
        QTest::addRow("%.17g", value) << value << QString(expected);
    };
    row(0.1, "0.1");
    row(0, "0");
    row(-0.0, "0");
    row(-12.5, "-12.5");
    row(300, "300");
    row(0.125, "0.125");
    row(1.0 / 3.0, "0.3333333333333333");
    row(0.00001, "0.00001");
    row(0.000123, "0.000123");
    row(0.000001, "1E-06");
    row(1e-7, "1E-07");
    row(123456789012345.0, "123456789012345");
    row(1e15, "1E+15");
    row(2.5e20, "2.5E+20");
    row(-2.5e20, "-2.5E+20");
    row(1e100, "1E+100");
    row(5e-324, "5E-324");
    row(std::numeric_limits<double>::quiet_NaN(), "NaN");
}

void TestDisplayFormat::generalForm() {
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(GeneralForm(value), expected);
}

void TestDisplayFormat::generalSingle_data() {
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("0.1") << 0.1f << "0.1";
    QTest::newRow("third") << 1.0f / 3.0f << "0.33333334";
    QTest::newRow("-2") << -2.0f << "-2";
    QTest::newRow("1234567") << 1234567.0f << "1234567";
    QTest::newRow("12345678") << 12345678.0f << "1.2345678E+07";
    QTest::newRow("max") << 3.4028235e38f << "3.4028235E+38";
    QTest::newRow("32/7") << 32.0f / 7.0f << "4.571429";
    QTest::newRow("0.0625") << 0.0625f << "0.0625";
}

void TestDisplayFormat::generalSingle() {
    QFETCH(float, value);
    QFETCH(QString, expected);
    QCOMPARE(GeneralForm(value), expected);
}

void TestDisplayFormat::generalFormRoundTrips() {
    // Bit patterns from a fixed linear congruential sequence, across all exponents.
    quint64 state = 0x2545F4914F6CDD1DULL;
    int checked = 0;
    for (int i = 0; i < 20000; ++i) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        double d;
        std::memcpy(&d, &state, sizeof d);
        const quint32 bits = quint32(state >> 32);
        float f;
        std::memcpy(&f, &bits, sizeof f);
        if (std::isfinite(d)) {
            const QString text = GeneralForm(d);
            QVERIFY2(text.toDouble() == d, qPrintable(text));
            QVERIFY(text.size() <= 24);
            ++checked;
        }
        if (std::isfinite(f)) {
            const QString text = GeneralForm(f);
            QVERIFY2(text.toFloat() == f, qPrintable(text));
            QVERIFY(text.size() <= 16);
        }
    }
    QVERIFY(checked > 19000);
}

QTEST_APPLESS_MAIN(TestDisplayFormat)
#include "tst_displayformat.moc"
