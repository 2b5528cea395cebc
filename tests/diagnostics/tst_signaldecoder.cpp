#include "Blocks.h"
#include "diagnostics/SignalCapture.h"
#include "diagnostics/SignalDecoder.h"
#include "link/FieldConversions.h"

#include <QTest>

// Known answers for the signal blocks: what is refused, the trailer fields
// and the signal strength figure.
class TestSignalDecoder : public QObject {
    Q_OBJECT
private slots:
    // A block that is not exactly 540 bytes, or a value that does not fit, fails.
    void refused_data() {
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("539 bytes") << block({}, 539);
        QTest::newRow("541 bytes") << block({}, 541);
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("spectrum above 2147483647") << block({{5, "00000080"}});
    }
    void refused() {
        QFETCH(QByteArray, data);
        QVERIFY_THROWS_EXCEPTION(FieldError, SignalDecoder::spectrum(data));
    }

    void trailer_data() {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("shown");
        QTest::newRow("typical") << block({{517, "480d"}, {519, "e803"}, {533, "0500"}})
                                 << "3400 1000 5 Low";
        QTest::newRow("power 1") << block({{517, "0180"}, {533, "ff01"}}) << "-1 0 255 High";
        QTest::newRow("power 255") << block({{519, "ffff"}, {534, "ff"}}) << "0 -32767 0 High";
    }
    void trailer() {
        QFETCH(QByteArray, data);
        const auto t = SignalDecoder::trailer(data);
        QTEST(QString("%1 %2 %3 %4")
                  .arg(t.PeakToPeak)
                  .arg(t.CorrectionFactor)
                  .arg(t.Gain)
                  .arg(SignalDecoder::powerText(t.TransmitPower)),
              "shown");
    }

    void signalStrength_data() {
        QTest::addColumn<int>("gain");
        QTest::addColumn<int>("pp");
        QTest::addColumn<float>("strength");
        QTest::newRow("gain 5, P/P 3400") << 5 << 3400 << 7.829012393951416f;
        QTest::newRow("gain 0, P/P 0") << 0 << 0 << 45.0f;
        QTest::newRow("gain 3, P/P -4095") << 3 << -4095 << 8.333333015441895f;
    }
    void signalStrength() {
        QFETCH(int, gain);
        QFETCH(int, pp);
        QTEST(SignalDecoder::CalcSignalStrength(gain, pp), "strength");
    }
    void signalStrengthOfZeroDenominator() {
        QVERIFY_THROWS_EXCEPTION(FieldError, SignalDecoder::CalcSignalStrength(0, 8190));
    }
};

QTEST_GUILESS_MAIN(TestSignalDecoder)
#include "tst_signaldecoder.moc"
