#include "link/DisplayFormat.h"

#include <QTest>

#include <limits>

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Inf = std::numeric_limits<double>::infinity();

// Rows of pattern, value, whether the value is a single, and the text shown.
void addRow(const char* pattern, double value, bool single, const char* expected) {
    QTest::addRow("[%s] %.9g%s", pattern, value, single ? "f" : "")
        << QString(pattern) << value << single << QString(expected);
}

} // namespace

class TestDisplayFormat : public QObject {
    Q_OBJECT

private slots:
    // Singles as the meter's readings are held, doubles as the totalizer is.
    void formatNumber_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("single");
        QTest::addColumn<QString>("expected");
        // Rounding half away from zero, on 7 significant digits for a single
        // and 15 for a double.
        addRow("#####0.00", 42.125f, true, "42.13");
        addRow("#####0.00", 1.005f, true, "1.01");
        addRow("#####0.00", 1.005f, false, "1.00");
        addRow("#####0.00", 123456.789f, true, "123456.80");
        addRow("#######0.00", 1234567.125, false, "1234567.13");
        addRow("####0.00", 99.995f, true, "100.00");
        addRow("##0", 7.5, false, "8");
        addRow("0.0", 0.05, false, "0.1");
        // The sign goes in front of everything, also when the value rounds to zero.
        addRow("#####0.00", -3.5f, true, "-3.50");
        addRow("#####0.00", -0.004f, true, "-0.00");
        addRow("  ########0", -42.5, false, "-  43");
        addRow("   ##0.0##", -2, false, "-   2.0");
        // Integer places: no digit is lost; a "0" makes its place and those
        // right of it required; "#" alone shows nothing for 0.
        addRow("#####0.00", 0, true, "0.00");
        addRow("#00", 5, false, "05");
        addRow("#00", 123, false, "123");
        addRow("0#", 5, false, "05");
        addRow("####", 2006, false, "2006");
        addRow("####", 0, false, "");
        addRow("#.00#", 0, false, ".00");
        addRow("  ########0", 12345678901.4, false, "  12345678901");
        // Optional decimals dropped back to the last required one.
        addRow("####0.0##", 3.14159, false, "3.142");
        addRow("####0.0##", 2.5, false, "2.5");
        addRow("#0.0#", 2, false, "2.0");
        addRow("#0.#0", 1.5, false, "1.50");
        addRow("##.0#", 0.25, false, ".25");
        addRow("   ###0.0###", 0.0001, false, "   0.0001");
        // Literals stay where they stand, digits or not.
        addRow("  ###  ", 42, false, "  42  ");
        addRow("  ##", 0, false, "  ");
        addRow("   ##0.0## ", 1.25, false, "   1.25 ");
        addRow("#####0.00", NaN, true, "NaN");
        addRow("#####0.00", -Inf, true, "-Inf");
        addRow("  ########0", Inf, false, "Inf");
        // No pattern: the general form, rounded to 7 significant digits for
        // a single and 15 for a double, trailing zeros dropped.
        addRow("", 0.1, false, "0.1");
        addRow("", -0.0, false, "0");
        addRow("", -12.5, false, "-12.5");
        addRow("", 1.0 / 3.0, false, "0.333333333333333");
        addRow("", 0.1 + 0.2, false, "0.3");
        addRow("", 19.949999, false, "19.949999");
        addRow("", 0.00001, false, "0.00001");
        addRow("", 0.000001, false, "1E-06");
        addRow("", 123456789012345.0, false, "123456789012345");
        addRow("", 1e15, false, "1E+15");
        addRow("", -2.5e20, false, "-2.5E+20");
        addRow("", 1e100, false, "1E+100");
        addRow("", 5e-324, false, "4.94065645841247E-324");
        addRow("", 1.0f / 3.0f, true, "0.3333333");
        addRow("", 30.939999f, true, "30.94");
        addRow("", 19.949999f, true, "19.95");
        addRow("", 0.99999994f, true, "0.9999999");
        addRow("", -0.0007f, true, "-0.0007");
        addRow("", 1234567.0f, true, "1234567");
        addRow("", 12345678.0f, true, "1.234568E+07");
        addRow("", 9999999.0f, true, "9999999");
        addRow("", 1e-40f, true, "9.999946E-41");
    }
    void formatNumber() {
        QFETCH(QString, pattern);
        QFETCH(double, value);
        QFETCH(bool, single);
        QFETCH(QString, expected);
        QCOMPARE(single ? FormatNumber(float(value), pattern) : FormatNumber(value, pattern),
                 expected);
        if (pattern.isEmpty())
            QCOMPARE(single ? GeneralForm(float(value)) : GeneralForm(value), expected);
    }

    void integers() {
        QCOMPARE(FormatNumber(qint16(-7), "#00"), QString("-07"));
        QCOMPARE(FormatNumber(qint64(4294967296), "####"), QString("4294967296"));
    }
};

QTEST_APPLESS_MAIN(TestDisplayFormat)
#include "tst_displayformat.moc"
