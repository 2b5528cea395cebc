#include "Blocks.h"
#include "diagnostics/SignalCapture.h"

#include <QTest>

using Blocks = std::array<QByteArray, 4>;
Q_DECLARE_METATYPE(Blocks)

// A page tick decoded from four blocks: the boxes it fills, the scale and
// curves of its two pictures, and the arrays it commits.
class TestSignalCapture : public QObject {
    Q_OBJECT

    // Selected trailer: P/P 3400, correction 1000; supervisor: P/P 2000,
    // correction -7, gain 5, power 0.
    static QByteArray selTrailer(std::initializer_list<std::pair<int, QByteArray>> data) {
        QByteArray b = block(data);
        b.replace(516, 4, QByteArray::fromHex("480de803"));
        return b;
    }
    static QByteArray supTrailer(std::initializer_list<std::pair<int, QByteArray>> data) {
        QByteArray b = block(data);
        b.replace(516, 4, QByteArray::fromHex("d0070780"));
        b[532] = 5;
        return b;
    }

private slots:
    void capture_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("normalise");
        QTest::addColumn<Blocks>("blocks");
        // Text3(0..3), Text2(0..1), Text6(9,7,13,11), Text4, Text1, Text13, Text9, Text16
        QTest::addColumn<QString>("boxes");
        // top and bottom of both pictures, then low-frequency curve value 1 and 2 of picture one
        QTest::addColumn<QString>("scales");

        // Time samples 1..2 of each block; limits over both curves of a range.
        QTest::newRow("time domain")
            << 2 << false
            << Blocks{selTrailer({{1, "e803"}, {3, "0a80"}}), block({{1, "9600"}, {3, "f481"}}),
                      supTrailer({{1, "0500"}}), block({{511, "0180"}})}
            << "3400 2000 - - 1000 -7 3400 2000 1000 -7 5 5 Low Low 7.83"
            << "1000 -500 5 -1 | 1000 -10";
        // Spectrum value 1 and 2; the low curve is scaled by 4000 / 2000 for drawing.
        const Blocks spectra{selTrailer({{1, "d0070000"}, {5, "e8030000"}}),
                             block({{1, "a00f0000"}, {5, "0a000000"}}),
                             supTrailer({{1, "03000000"}}), block({{5, "06000000"}})};
        const QString boxes = "3400 2000 4000 6 1000 -7 3400 2000 1000 -7 5 5 Low Low 7.83";
        QTest::newRow("spectra, normalised")
            << 1 << true << spectra << boxes << "4000 0 6 0 | 4000 2000";
        QTest::newRow("spectra, not normalised")
            << 1 << false << spectra << boxes << "4000 0 6 0 | 2000 1000";
        // Normalising scales the low curve's floor from 100 to 200; the lower
        // limit and the span still come from the decoded 100.
        const auto floorAt = [](int first, int rest) {
            QByteArray b = block({});
            for (int i = 0; i < 128; ++i) {
                const int v = i == 0 ? first : rest;
                b[4 * i] = char(v & 0xff), b[4 * i + 1] = char(v >> 8);
            }
            return b;
        };
        QByteArray lowFloor = floorAt(2000, 100);
        lowFloor.replace(516, 4, QByteArray::fromHex("480de803"));
        QTest::newRow("spectra, normalised, span from the decoded floor")
            << 1 << true
            << Blocks{lowFloor, floorAt(4000, 500), supTrailer({{1, "03000000"}}),
                      block({{5, "06000000"}})}
            << "3400 2000 3900 6 1000 -7 3400 2000 1000 -7 5 5 Low Low 7.83"
            << "4000 100 6 0 | 4000 200";
        // A dead low-frequency transducer cannot be normalised: drawn as it is.
        QTest::newRow("spectra, dead low frequency")
            << 1 << true
            << Blocks{selTrailer({}), block({{1, "a00f0000"}}), supTrailer({}), block({})}
            << "3400 2000 4000 0 1000 -7 3400 2000 1000 -7 5 5 Low Low 7.83"
            << "4000 0 1 -1 | 0 0";
        // A flat signal still draws: the scale opens by one either side.
        QTest::newRow("flat time signal")
            << 2 << false << Blocks{selTrailer({}), block({}), supTrailer({}), block({})}
            << "3400 2000 - - 1000 -7 3400 2000 1000 -7 5 5 Low Low 7.83"
            << "1 -1 1 -1 | 0 0";
    }
    void capture() {
        QFETCH(int, mode);
        QFETCH(bool, normalise);
        QFETCH(Blocks, blocks);
        const SignalCapture c = SignalCapture::decode(SignalCapture::Mode(mode), blocks, normalise);
        QStringList boxes;
        for (const char* name :
             {"Text3(0)", "Text3(1)", "Text3(2)", "Text3(3)", "Text2(0)", "Text2(1)", "Text6(9)",
              "Text6(7)", "Text6(13)", "Text6(11)", "Text4", "Text1", "Text13", "Text9", "Text16"})
            boxes << c.boxes.value(name, "-");
        QTEST(boxes.join(' '), "boxes");
        const auto& d = c.drawings;
        QTEST(QString("%1 %2 %3 %4 | %5 %6")
                  .arg(d[0].top)
                  .arg(d[0].bottom)
                  .arg(d[1].top)
                  .arg(d[1].bottom)
                  .arg(d[0].strokes[0].points[0].y())
                  .arg(d[0].strokes[0].points[1].y()),
              "scales");
        QCOMPARE(c.pictures[0], mode == 1 ? 2 : 0);
    }

    // The arrays keep what the meter sent, also when the drawing is normalised.
    void commitKeepsMeterValues() {
        SignalArrays arrays;
        arrays.SelLowTime[0] = 77;
        const Blocks blocks{block({{1, "d0070000"}}), block({{1, "a00f0000"}}), block({}),
                            block({{509, "05000000"}})};
        SignalCapture::decode(SignalCapture::Spectra, blocks, true).commitTo(arrays);
        QCOMPARE(arrays.SelLowFFT[0], 2000);
        QCOMPARE(arrays.SelHighFFT[0], 4000);
        QCOMPARE(arrays.SupHighFFT[127], 5);
        QCOMPARE(arrays.SelLowTime[0], 77); // a spectrum tick leaves the time arrays alone
    }
};

QTEST_GUILESS_MAIN(TestSignalCapture)
#include "tst_signalcapture.moc"
