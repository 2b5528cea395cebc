#include "link/FieldConversions.h"

#include <QTest>

#include <functional>

Q_DECLARE_METATYPE(FieldValue)

namespace {

// Bytes of a string literal, embedded zero bytes included.
template <size_t N> QByteArray B(const char (&s)[N]) {
    return QByteArray(s, qsizetype(N - 1));
}

FieldValue Int(qint16 v) {
    return FieldValue(v);
}
FieldValue Long(qint32 v) {
    return FieldValue(v);
}
FieldValue Single(float v) {
    return FieldValue(v);
}
FieldValue Text(const QByteArray& v) {
    return FieldValue(v);
}

using IntegerDecoder = std::function<qint64(const QByteArray&)>;

IntegerDecoder integerDecoder(const QString& name) {
    if (name == "RawToInt")
        return [](const QByteArray& b) { return qint64(RawToInt(b)); };
    if (name == "RawToLong")
        return [](const QByteArray& b) { return qint64(RawToLong(b)); };
    if (name == "RawToSgnByte")
        return [](const QByteArray& b) { return qint64(RawToSgnByte(b)); };
    if (name == "HexToLong")
        return [](const QByteArray& b) { return qint64(HexToLong(b)); };
    if (name == "StrToInt")
        return [](const QByteArray& b) { return qint64(StrToInt(b)); };
    if (name == "StrToLong")
        return [](const QByteArray& b) { return qint64(StrToLong(b)); };
    return {};
}

using RealDecoder = std::function<double(const QByteArray&)>;

RealDecoder realDecoder(const QString& name) {
    if (name == "RawToSingle")
        return [](const QByteArray& b) { return double(RawToSingle(b)); };
    if (name == "RawToDouble")
        return [](const QByteArray& b) { return RawToDouble(b); };
    if (name == "Stringtofloat")
        return [](const QByteArray& b) { return double(Stringtofloat(b)); };
    return {};
}

} // namespace

class TestFieldConversions : public QObject {
    Q_OBJECT

private slots:
    void integerDecoders_data();
    void integerDecoders();
    void realDecoders_data();
    void realDecoders();
    void decoderErrors_data();
    void decoderErrors();
    void encoders_data();
    void encoders();
    void encoderErrors();
    void workBuffer();
    void roundTrips();
    void getField_data();
    void getField();
    void getFieldErrors_data();
    void getFieldErrors();
    void fieldValueAccessors_data();
    void fieldValueAccessors();
    void fieldValueText_data();
    void fieldValueText();
};

void TestFieldConversions::integerDecoders_data() {
    QTest::addColumn<QString>("decoder");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<qint64>("expected");

    const auto row = [](const char* decoder, const QByteArray& input, qint64 expected) {
        QTest::addRow("%s %s", decoder, input.toHex(' ').constData())
            << QString(decoder) << input << expected;
    };
    row("RawToInt", B("\xff\xff"), -1);
    row("RawToInt", B("\xc8"), 200);
    row("RawToInt", B(""), 0);
    row("RawToInt", B("\x34\x12"), 4660);
    row("RawToInt", B("\x00\x80"), -32768);
    row("RawToInt", B("\xff\x7f"), 32767);
    row("RawToInt", B("\x01\x02\x03"), 513);

    row("RawToLong", B("\x78\x56\x34\x12"), 305419896);
    row("RawToLong", B("\xff\xff\xff\xff"), -1);
    row("RawToLong", B("\x00\x00\x00\x80"), -2147483648LL);
    row("RawToLong", B("\x10\x27"), 10000);
    row("RawToLong", B("\x01\x00\x00\x00\x09"), 1);

    row("RawToSgnByte", B("\xc8"), -56);
    row("RawToSgnByte", B("\x7f"), 127);
    row("RawToSgnByte", B("\x80"), -128);
    row("RawToSgnByte", B("\xff"), -1);
    row("RawToSgnByte", B(""), 0);
    row("RawToSgnByte", B("\x05\xff"), 5);

    row("HexToLong", B("00FF"), 255);
    row("HexToLong", B("00ff"), 255);
    row("HexToLong", B(""), 0);
    row("HexToLong", B("1a2B"), 6699);
    row("HexToLong", B("DEAD"), 57005);
    row("HexToLong", B("12345678"), 305419896);
    row("HexToLong", B("7FFFFFFF"), 2147483647);
    row("HexToLong", B("G"), 16);  // not a hex digit: its code minus 55
    row("HexToLong", B("1 "), -7); // 16 + (32 - 55)

    row("StrToInt", B("\xff\xff"), -32767);
    row("StrToInt", B("\x01\x80"), -1);
    row("StrToInt", B("\xff\x7f"), 32767);
    row("StrToInt", B("\x00\x80"), 0);
    row("StrToInt", B("\x34\x12"), 4660);
    row("StrToInt", B("\x34\x92"), -4660);
    row("StrToInt", B("\x01"), -1);
    row("StrToInt", B("\x01\x02\x03"), -1);
    row("StrToInt", B(""), -1);

    row("StrToLong", B("\x78\x56\x34\x12"), 305419896);
    row("StrToLong", B("\xff\xff\xff\x7f"), 2147483647);
    row("StrToLong", B("\x10\x27\x00\x00"), 10000);
    row("StrToLong", B("\x01\x00\x00"), -1);
    row("StrToLong", B("\x01\x00\x00\x00\x00"), -1);
    row("StrToLong", B(""), -1);
}

void TestFieldConversions::integerDecoders() {
    QFETCH(QString, decoder);
    QFETCH(QByteArray, input);
    QFETCH(qint64, expected);
    const auto decode = integerDecoder(decoder);
    QVERIFY(decode);
    QCOMPARE(decode(input), expected);
}

void TestFieldConversions::realDecoders_data() {
    QTest::addColumn<QString>("decoder");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<double>("expected");

    const auto row = [](const char* decoder, const QByteArray& input, double expected) {
        QTest::addRow("%s %s", decoder, input.toHex(' ').constData())
            << QString(decoder) << input << expected;
    };
    row("RawToSingle", B("\x00\x00\x80\x3f"), 1.0);
    row("RawToSingle", B("\x01\x02\x00\x00"), 0.0);
    row("RawToSingle", B("\x00\x00\x80\xbf"), -1.0);
    row("RawToSingle", B("\x00\x00\x20\x41"), 10.0);
    row("RawToSingle", B("\xcd\xcc\xcc\x3d"), double(0.1f));
    row("RawToSingle", B("\x00\x00\x01\x00"), 0x1p-133); // only two zero high bytes mean 0
    row("RawToSingle", B("\x00\x00"), 0.0);
    row("RawToSingle", B(""), 0.0);

    row("RawToDouble", B("\x00\x00\x00\x00\x00\x00\xf0\x3f"), 1.0);
    row("RawToDouble", B("\x00\x00\x00\x00\x00\x40\x8f\x40"), 1000.0);
    row("RawToDouble", B("\x00\x00\x00\x00\x00\x00\x04\xc0"), -2.5);
    row("RawToDouble", B("\x9a\x99\x99\x99\x99\x99\xb9\x3f"), 0.1);
    row("RawToDouble", B(""), 0.0);

    row("Stringtofloat", B("\x00\x00\x80\x3f"), 1.0);
    row("Stringtofloat", B("\x00\x00\x80\xbf"), -1.0);
    row("Stringtofloat", B("\x00\x00\x20\x41"), 10.0);
    row("Stringtofloat", B("\xcd\xcc\xcc\x3d"), double(0.1f));
    row("Stringtofloat", B("\x00\x00\x00\x00"), 0x1p-127);
    row("Stringtofloat", B("\x00\x00\x00\x80"), -0x1p-127);
    row("Stringtofloat", B("\xff\xff\x7f\x7f"), 3.4028234663852886e38);
    row("Stringtofloat", B("\x00\x00\x80"), -1.0);
    row("Stringtofloat", B("\x00\x00\x80\x3f\x00"), -1.0);
    row("Stringtofloat", B(""), -1.0);
}

void TestFieldConversions::realDecoders() {
    QFETCH(QString, decoder);
    QFETCH(QByteArray, input);
    QFETCH(double, expected);
    const auto decode = realDecoder(decoder);
    QVERIFY(decode);
    const double got = decode(input);
    // Exact: every answer is a value the bytes encode without rounding.
    QVERIFY2(got == expected, qPrintable(QString::number(got, 'g', 17)));
}

void TestFieldConversions::decoderErrors_data() {
    QTest::addColumn<QString>("decoder");
    QTest::addColumn<QByteArray>("input");

    const auto row = [](const char* decoder, const QByteArray& input) {
        QTest::addRow("%s %s", decoder, input.toHex(' ').constData()) << QString(decoder) << input;
    };
    const QByteArray nine = B("\x01\x02\x03\x04\x05\x06\x07\x08\x09");
    row("RawToInt", nine);
    row("RawToLong", nine);
    row("RawToSgnByte", nine);
    row("RawToSingle", nine);
    row("RawToDouble", nine);
    row("RawToSingle", B("\x00\x00\x80\x7f"));                 // infinity
    row("RawToSingle", B("\x00\x00\xc0\x7f"));                 // not a number
    row("RawToDouble", B("\x00\x00\x00\x00\x00\x00\xf0\xff")); // minus infinity
    row("HexToLong", B("000000001"));
    row("HexToLong", B("FFFFFFFF"));
    row("HexToLong", B("80000000"));
    row("StrToLong", B("\x00\x00\x00\x80"));
    row("StrToLong", B("\xff\xff\xff\xff"));
    row("Stringtofloat", B("\x00\x00\x80\x7f"));
    row("Stringtofloat", B("\xff\xff\xff\xff"));
}

void TestFieldConversions::decoderErrors() {
    QFETCH(QString, decoder);
    QFETCH(QByteArray, input);
    const auto integer = integerDecoder(decoder);
    const auto real = realDecoder(decoder);
    QVERIFY(integer || real);
    if (integer)
        QVERIFY_THROWS_EXCEPTION(FieldError, integer(input));
    else
        QVERIFY_THROWS_EXCEPTION(FieldError, real(input));
}

void TestFieldConversions::encoders_data() {
    QTest::addColumn<QByteArray>("encoded");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("IntToRaw -1") << IntToRaw(-1) << B("\xff\xff");
    QTest::newRow("IntToRaw 4660") << IntToRaw(4660) << B("\x34\x12");
    QTest::newRow("IntToRaw -32768") << IntToRaw(-32768) << B("\x00\x80");
    QTest::newRow("IntToRaw 0") << IntToRaw(0) << B("\x00\x00");
    QTest::newRow("SingleToRaw 1") << SingleToRaw(1.0f) << B("\x00\x00\x80\x3f");
    QTest::newRow("SingleToRaw -2.5") << SingleToRaw(-2.5f) << B("\x00\x00\x20\xc0");
    QTest::newRow("SingleToRaw 0.1") << SingleToRaw(0.1f) << B("\xcd\xcc\xcc\x3d");
    QTest::newRow("SingleToRaw 0") << SingleToRaw(0.0f) << B("\x00\x00\x00\x00");
    QTest::newRow("SgnByteToRaw -1") << SgnByteToRaw(-1) << B("\xff");
    QTest::newRow("SgnByteToRaw -56") << SgnByteToRaw(-56) << B("\xc8");
    QTest::newRow("SgnByteToRaw -128") << SgnByteToRaw(-128) << B("\x80");
    QTest::newRow("SgnByteToRaw -256") << SgnByteToRaw(-256) << B("\x00");
    QTest::newRow("SgnByteToRaw 0") << SgnByteToRaw(0) << B("\x00");
    QTest::newRow("SgnByteToRaw 255") << SgnByteToRaw(255) << B("\xff");
    QTest::newRow("HexText") << HexText(B("\x00\xff\x0a")) << B("00FF0A");
    QTest::newRow("HexText letters") << HexText(B("AZ")) << B("415A");
    QTest::newRow("HexText empty") << HexText(B("")) << B("");
    const std::array<quint8, 8> buffer{1, 2, 3, 4, 5, 6, 0xfe, 0xff};
    QTest::newRow("BytesToRaw 3") << BytesToRaw(buffer, 3) << B("\x01\x02\x03");
    QTest::newRow("BytesToRaw 0") << BytesToRaw(buffer, 0) << B("");
    QTest::newRow("BytesToRaw 8") << BytesToRaw(buffer, 8) << B("\x01\x02\x03\x04\x05\x06\xfe\xff");
}

void TestFieldConversions::encoders() {
    QFETCH(QByteArray, encoded);
    QFETCH(QByteArray, expected);
    QCOMPARE(encoded.toHex(' '), expected.toHex(' '));
}

void TestFieldConversions::encoderErrors() {
    QVERIFY_THROWS_EXCEPTION(FieldError, SgnByteToRaw(256));
    QVERIFY_THROWS_EXCEPTION(FieldError, SgnByteToRaw(-257));
    const std::array<quint8, 8> buffer{};
    QVERIFY_THROWS_EXCEPTION(FieldError, BytesToRaw(buffer, 9));
    QVERIFY_THROWS_EXCEPTION(FieldError, BytesToRaw(buffer, -1));
}

void TestFieldConversions::workBuffer() {
    const std::array<quint8, 8> expected{0x01, 0xff, 0, 0, 0, 0, 0, 0};
    QVERIFY(RawToBytes(B("\x01\xff")) == expected);
    const std::array<quint8, 8> full{8, 7, 6, 5, 4, 3, 2, 1};
    QVERIFY(RawToBytes(B("\x08\x07\x06\x05\x04\x03\x02\x01")) == full);
    QVERIFY_THROWS_EXCEPTION(FieldError, RawToBytes(B("123456789")));
}

void TestFieldConversions::roundTrips() {
    for (const qint16 v : {qint16(0), qint16(1), qint16(-1), qint16(255), qint16(256),
                           qint16(-32768), qint16(32767), qint16(-12345)})
        QCOMPARE(RawToInt(IntToRaw(v)), v);
    for (int v = -128; v <= 127; ++v)
        QCOMPARE(RawToSgnByte(SgnByteToRaw(qint16(v))), qint16(v));
    // The arithmetic decoder must agree with the machine's own bit layout.
    for (const float v : {1.0f, -1.0f, 0.1f, 3.5e-3f, -1234.5678f, 6.5e20f, 1.17549435e-38f,
                          3.40282347e38f, 2.0f / 3.0f}) {
        QCOMPARE(RawToSingle(SingleToRaw(v)), v);
        QCOMPARE(Stringtofloat(SingleToRaw(v)), v);
    }
    for (const char* hex : {"0", "00FF", "ABCD", "7FFFFFFF", "1234"}) {
        const QByteArray text(hex);
        QCOMPARE(HexToLong(text), text.toLongLong(nullptr, 16));
    }
}

void TestFieldConversions::getField_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<qint16>("position");
    QTest::addColumn<qint16>("code");
    QTest::addColumn<FieldValue>("expected");
    QTest::addColumn<qint16>("nextPosition");
    QTest::addColumn<qint16>("codeAfter");

    // Nine header bytes, then fields from position 10: 1, 2, 4, 44, 6 and 3 bytes.
    const QByteArray record = B("SC,0,abcd"
                                "\xc8"
                                "\xff\xff"
                                "\x00\x00\x80\x3f"
                                "\x78\x56\x34\x12"
                                "KR5abc"
                                "\x01\x02\x03");
    QCOMPARE(record.size(), 29);
    const auto row = [&](const char* name, qint16 pos, qint16 code, const FieldValue& value,
                         qint16 next, qint16 codeAfter) {
        QTest::newRow(name) << record << pos << code << value << next << codeAfter;
    };
    row("byte", 10, 1, Int(200), 11, 1);
    row("two's complement", 11, 2, Int(-1), 13, 2);
    row("single", 13, 4, Single(1.0f), 17, 4);
    row("long from 44", 17, 44, Long(305419896), 21, 4);
    row("text", 21, 6, Text("KR5abc"), 27, 6);
    row("other code", 27, 3, FieldValue(), 30, 3);
    row("code 0", 10, 0, FieldValue(), 10, 0);
    row("code 8", 13, 8, FieldValue(), 21, 8);
    row("partly past the end", 29, 2, Int(3), 31, 2);
    row("int past the end", 30, 2, Int(0), 32, 2);
    row("single past the end", 40, 4, Single(0.0f), 44, 4);
    row("long past the end", 40, 44, Long(0), 44, 4);
    row("text past the end", 40, 6, Text(""), 46, 6);
    row("text cut short", 26, 6, Text("c\x01\x02\x03"), 32, 6);
}

void TestFieldConversions::getField() {
    QFETCH(QByteArray, reply);
    QFETCH(qint16, position);
    QFETCH(qint16, code);
    QFETCH(FieldValue, expected);
    QFETCH(qint16, nextPosition);
    QFETCH(qint16, codeAfter);

    const FieldValue got = GetField(reply, position, code);
    QCOMPARE(got.storage().index(), expected.storage().index());
    QVERIFY(got == expected);
    QCOMPARE(position, nextPosition);
    QCOMPARE(code, codeAfter);
}

void TestFieldConversions::getFieldErrors_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<qint16>("position");
    QTest::addColumn<qint16>("code");

    const QByteArray reply = B("LR,\x00\x00\x80\x7f\x01\x02");
    QTest::newRow("position 0") << reply << qint16(0) << qint16(1);
    QTest::newRow("negative position") << reply << qint16(-3) << qint16(2);
    QTest::newRow("negative code") << reply << qint16(4) << qint16(-1);
    QTest::newRow("position overflow") << reply << qint16(32767) << qint16(1);
    QTest::newRow("infinite single") << reply << qint16(4) << qint16(4);
}

void TestFieldConversions::getFieldErrors() {
    QFETCH(QByteArray, reply);
    QFETCH(qint16, position);
    QFETCH(qint16, code);
    QVERIFY_THROWS_EXCEPTION(FieldError, GetField(reply, position, code));
}

void TestFieldConversions::fieldValueAccessors_data() {
    QTest::addColumn<FieldValue>("value");
    QTest::addColumn<QString>("accessor");
    QTest::addColumn<double>("expected");
    QTest::addColumn<bool>("throws");

    const auto row = [](const char* name, const FieldValue& value, const char* accessor,
                        double expected, bool throws = false) {
        QTest::newRow(name) << value << QString(accessor) << expected << throws;
    };
    row("empty as int", FieldValue(), "int", 0);
    row("empty as long", FieldValue(), "long", 0);
    row("empty as float", FieldValue(), "float", 0);
    row("int as float", Int(-1), "float", -1);
    row("int as long", Int(-32768), "long", -32768);
    row("long as int", Long(-300), "int", -300);
    row("long too big for int", Long(70000), "int", 0, true);
    row("long as long", Long(70000), "long", 70000);
    row("long as double", Long(2147483647), "double", 2147483647.0);
    row("single 2.5 to even", Single(2.5f), "int", 2);
    row("single 3.5 to even", Single(3.5f), "int", 4);
    row("single -2.5 to even", Single(-2.5f), "int", -2);
    row("single 2.6", Single(2.6f), "int", 3);
    row("single too big for int", Single(40000.0f), "int", 0, true);
    row("single as long", Single(40000.0f), "long", 40000);
    row("single too big for long", Single(1e10f), "long", 0, true);
    row("single as double", Single(0.1f), "double", double(0.1f));
    row("text as int", Text("12"), "int", 0, true);
    row("text as float", Text("1.5"), "float", 0, true);
}

void TestFieldConversions::fieldValueAccessors() {
    QFETCH(FieldValue, value);
    QFETCH(QString, accessor);
    QFETCH(double, expected);
    QFETCH(bool, throws);

    const auto read = [&]() -> double {
        if (accessor == "int")
            return value.toInt();
        if (accessor == "long")
            return value.toLong();
        if (accessor == "float")
            return value.toFloat();
        return value.toDouble();
    };
    if (throws)
        QVERIFY_THROWS_EXCEPTION(FieldError, read());
    else
        QCOMPARE(read(), expected);
}

void TestFieldConversions::fieldValueText_data() {
    QTest::addColumn<FieldValue>("value");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("text") << Text("KR5abc") << B("KR5abc");
    QTest::newRow("text with zero byte") << Text(B("a\x00b")) << B("a\x00b");
    QTest::newRow("empty") << FieldValue() << B("");
    QTest::newRow("int") << Int(-7) << B("-7");
    QTest::newRow("long") << Long(305419896) << B("305419896");
    QTest::newRow("single") << Single(0.1f) << B("0.1");
    QTest::newRow("single whole") << Single(-250.0f) << B("-250");
}

void TestFieldConversions::fieldValueText() {
    QFETCH(FieldValue, value);
    QFETCH(QByteArray, expected);
    QCOMPARE(value.toText(), expected);
}

QTEST_APPLESS_MAIN(TestFieldConversions)
#include "tst_fieldconversions.moc"
