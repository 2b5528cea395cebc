#include "link/FieldConversions.h"

#include <QTest>

#include <cmath>

Q_DECLARE_METATYPE(FieldValue)

namespace {

// Bytes of a string literal, embedded zero bytes included.
template <size_t N> QByteArray B(const char (&s)[N]) {
    return QByteArray(s, qsizetype(N - 1));
}

template <typename T> FieldValue V(T v) {
    return FieldValue(FieldValue::Storage(v));
}

// A decoder with its result widened to double (exact for all of them); D(f)
// gives its name and the widened decoder.
using Decoder = double (*)(const QByteArray&);
#define D(f) #f, [](const QByteArray& b) { return double(f(b)); }

constexpr double Throws = std::numeric_limits<double>::quiet_NaN();

} // namespace

Q_DECLARE_METATYPE(Decoder)

class TestFieldConversions : public QObject {
    Q_OBJECT

private slots:
    void decoders_data() {
        QTest::addColumn<Decoder>("decode");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<double>("expected"); // Throws: FieldError
        const auto row = [](const char* name, Decoder decode, const QByteArray& input,
                            double expected) {
            QTest::addRow("%s %s", name, input.toHex(' ').constData())
                << decode << input << expected;
        };
        const QByteArray nine = B("\x01\x02\x03\x04\x05\x06\x07\x08\x09");
        // Text family: two's complement, little-endian, short fields padded with zeros.
        row(D(RawToInt), B("\xff\xff"), -1);
        row(D(RawToInt), B("\xc8"), 200);
        row(D(RawToInt), B("\x34\x12\x03"), 4660);
        row(D(RawToInt), B(""), 0);
        row(D(RawToInt), nine, Throws);
        row(D(RawToLong), B("\x00\x00\x00\x80"), -2147483648.0);
        row(D(RawToLong), B("\x10\x27"), 10000);
        row(D(RawToSgnByte), B("\xc8"), -56);
        row(D(RawToSgnByte), B(""), 0);
        row(D(RawToSingle), B("\x00\x00\x80\x3f"), 1.0);
        row(D(RawToSingle), B("\x01\x02\x00\x00"), 0.0);      // zero high bytes: no value
        row(D(RawToSingle), B("\x00\x00\x01\x00"), 0x1p-133); // only both high bytes zero mean 0
        row(D(RawToSingle), B("\x00\x00\xc0\x7f"), Throws);   // not a number
        row(D(RawToSingle), nine, Throws);
        row(D(RawToDouble), B("\x00\x00\x00\x00\x00\x00\x04\xc0"), -2.5);
        row(D(RawToDouble), B("\x00\x00\x00\x00\x00\x00\xf0\xff"), Throws); // minus infinity
        row(D(HexToLong), B("00FF"), 255);
        row(D(HexToLong), B("00ff"), 255);
        row(D(HexToLong), B(""), 0);
        row(D(HexToLong), B("G"), 16); // not a hex digit: its code minus 55
        row(D(HexToLong), B("000000001"), Throws);
        row(D(HexToLong), B("80000000"), Throws);
        // Byte-string family: sign-magnitude, wrong length gives -1.
        row(D(StrToInt), B("\xff\xff"), -32767);
        row(D(StrToInt), B("\x34\x92"), -4660);
        row(D(StrToInt), B("\x01"), -1);
        row(D(StrToLong), B("\x78\x56\x34\x12"), 305419896);
        row(D(StrToLong), B("\x01\x00\x00"), -1);
        row(D(StrToLong), B("\x00\x00\x00\x80"), Throws);
        row(D(Stringtofloat), B("\x00\x00\x80\xbf"), -1.0);
        row(D(Stringtofloat), B("\x00\x00\x00\x00"), 0x1p-127);
        row(D(Stringtofloat), B("\xff\xff\x7f\x7f"), 3.4028234663852886e38);
        row(D(Stringtofloat), B("\x00\x00\x80"), -1.0);
        row(D(Stringtofloat), B("\x00\x00\x80\x7f"), Throws);
    }
    void decoders() {
        QFETCH(Decoder, decode);
        QFETCH(QByteArray, input);
        QFETCH(double, expected);
        if (std::isnan(expected)) {
            QVERIFY_THROWS_EXCEPTION(FieldError, decode(input));
            return;
        }
        const double got = decode(input);
        QVERIFY2(got == expected, qPrintable(QString::number(got, 'g', 17)));
    }

    void encoders() {
        const std::array<quint8, 8> buffer{1, 2, 3, 4, 5, 6, 0xfe, 0xff};
        QCOMPARE(IntToRaw(-1), B("\xff\xff"));
        QCOMPARE(IntToRaw(4660), B("\x34\x12"));
        QCOMPARE(SingleToRaw(-2.5f), B("\x00\x00\x20\xc0"));
        QCOMPARE(SgnByteToRaw(-1), B("\xff"));
        QCOMPARE(SgnByteToRaw(-256), B("\x00"));
        QCOMPARE(SgnByteToRaw(255), B("\xff"));
        QCOMPARE(HexText(B("\x00\xff\x0a")), B("00FF0A"));
        QCOMPARE(BytesToRaw(buffer, 3), B("\x01\x02\x03"));
        QCOMPARE(BytesToRaw(buffer, 0), B(""));
        QVERIFY(RawToBytes(B("\x01\xff")) == (std::array<quint8, 8>{1, 0xff, 0, 0, 0, 0, 0, 0}));
        QVERIFY_THROWS_EXCEPTION(FieldError, SgnByteToRaw(256));
        QVERIFY_THROWS_EXCEPTION(FieldError, SgnByteToRaw(-257));
        QVERIFY_THROWS_EXCEPTION(FieldError, BytesToRaw(buffer, 9));
        QVERIFY_THROWS_EXCEPTION(FieldError, BytesToRaw(buffer, -1));

        for (const qint16 v : {qint16(-32768), qint16(-1), qint16(12345)})
            QCOMPARE(RawToInt(IntToRaw(v)), v);
        // The arithmetic decoder must agree with the machine's own bit layout.
        for (const float v : {0.1f, -1234.5678f, 1.17549435e-38f, 3.40282347e38f}) {
            QCOMPARE(RawToSingle(SingleToRaw(v)), v);
            QCOMPARE(Stringtofloat(SingleToRaw(v)), v);
        }
    }

    void getField_data() {
        QTest::addColumn<qint16>("position");
        QTest::addColumn<qint16>("code");
        QTest::addColumn<FieldValue>("expected");
        QTest::addColumn<qint16>("nextPosition");
        QTest::addColumn<qint16>("codeAfter");
        // Fields from position 10: 1, 2, 4, 44, 6 and 3 bytes; 29 bytes in all.
        const auto row = [](const char* name, qint16 pos, qint16 code, const FieldValue& value,
                            qint16 next, qint16 codeAfter) {
            QTest::newRow(name) << pos << code << value << next << codeAfter;
        };
        row("byte", 10, 1, V(qint16(200)), 11, 1);
        row("two's complement", 11, 2, V(qint16(-1)), 13, 2);
        row("single", 13, 4, V(1.0f), 17, 4);
        row("long from 44", 17, 44, V(qint32(305419896)), 21, 4);
        row("text", 21, 6, V(QByteArray("KR5abc")), 27, 6);
        row("other code", 27, 3, FieldValue(), 30, 3);
        row("code 0", 10, 0, FieldValue(), 10, 0);
        row("partly past the end", 29, 2, V(qint16(3)), 31, 2);
        row("single past the end", 40, 4, V(0.0f), 44, 4);
        row("text cut short", 26, 6, V(B("c\x01\x02\x03")), 32, 6);
    }
    void getField() {
        QFETCH(qint16, position);
        QFETCH(qint16, code);
        QFETCH(FieldValue, expected);
        QFETCH(qint16, nextPosition);
        QFETCH(qint16, codeAfter);
        const QByteArray record =
            B("SC,0,abcd\xc8\xff\xff\x00\x00\x80\x3f\x78\x56\x34\x12KR5abc\x01\x02\x03");
        const FieldValue got = GetField(record, position, code);
        QCOMPARE(got.storage().index(), expected.storage().index());
        QVERIFY(got == expected);
        QCOMPARE(position, nextPosition);
        QCOMPARE(code, codeAfter);
    }

    void getFieldErrors() {
        const QByteArray reply = B("LR,\x00\x00\x80\x7f\x01\x02");
        for (auto [position, code] : {std::pair<qint16, qint16>{0, 1}, {4, -1}, {32767, 1}, {4, 4}})
            QVERIFY_THROWS_EXCEPTION(FieldError, GetField(reply, position, code));
    }

    void fieldValue() {
        // Read as a typed variable: nothing is 0, singles round half to even.
        QCOMPARE(FieldValue().toInt(), qint16(0));
        QCOMPARE(V(qint16(-1)).toFloat(), -1.0f);
        QCOMPARE(V(2.5f).toInt(), qint16(2));
        QCOMPARE(V(3.5f).toInt(), qint16(4));
        QVERIFY_THROWS_EXCEPTION(FieldError, V(qint32(70000)).toInt());
        QVERIFY_THROWS_EXCEPTION(FieldError, V(40000.0f).toInt());
        QVERIFY_THROWS_EXCEPTION(FieldError, V(1e10f).toLong());
        QVERIFY_THROWS_EXCEPTION(FieldError, V(QByteArray("12")).toInt());
        QVERIFY_THROWS_EXCEPTION(FieldError, V(QByteArray("1.5")).toFloat());
        const QByteArray zeroed("a\0b", 3);
        QCOMPARE(V(zeroed).toText(), zeroed);
        QCOMPARE(FieldValue().toText(), B(""));
        QCOMPARE(V(qint32(305419896)).toText(), B("305419896"));
        QCOMPARE(V(0.1f).toText(), B("0.1"));
    }
};

QTEST_APPLESS_MAIN(TestFieldConversions)
#include "tst_fieldconversions.moc"
