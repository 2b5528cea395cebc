#include "diagnostics/DiagnosticRecords.h"
#include "diagnostics/LogRecord.h"
#include "shared/SignalArrays.h"

#include <QTest>

// The log records byte for byte: print zones, the number form, and each kind
// of record.
class TestDiagnosticRecords : public QObject {
    Q_OBJECT

    // The boxes of the "Raw Flow Data" page, name=text separated by ';'.
    static QHash<QString, QString> boxes() {
        QHash<QString, QString> b{{"Text7", "12Points\r\nSignal Valid\r\n"}};
        for (const QString& box :
             QString("Text6(1)=1.0;Text6(16)=4.204;Text6(2)=90.50;Text6(17)=380.50;Text15=GA/MIN ;"
                     "Text6(20)=94.12;Text6(19)=88.5;Text6(26)=90;Text6(25)=0.05;Text6(9)=3400;"
                     "Text6(7)=2000;Text6(13)=1000;Text6(11)=-7;Text6(0)=156.25;Text6(15)=625.0;"
                     "Text6(3)=19.0;Text6(18)=19.0;Text1=5;Text5=6.065;Text12=100;Text10=37.5;"
                     "Text11(0)=0.1;Text11(1)=1.25;Text9=Low")
                 .split(';'))
            b.insert(box.section('=', 0, 0), box.section('=', 1));
        return b;
    }

private slots:
    void zones_data() {
        QTest::addColumn<QStringList>("items"); // "," starts a zone, ";" follows directly
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("short items")
            << QStringList{"ab", ",cd", ";ef"} << QByteArray("ab            cdef\r\n");
        QTest::newRow("item filling its zone moves on")
            << QStringList{"Signal Quality", ",1"}
            << QByteArray("Signal Quality              1\r\n");
        QTest::newRow("item past a zone") << QStringList{"Supervisor Signal Quality", ",9"}
                                          << QByteArray("Supervisor Signal Quality   9\r\n");
        QTest::newRow("blank item keeps a zone")
            << QStringList{"x", ",", ",y"} << QByteArray("x                           y\r\n");
    }
    void zones() {
        QFETCH(QStringList, items);
        LogRecord r;
        for (const QString& item : items) {
            if (item.startsWith(','))
                r.zone(item.mid(1));
            else
                r.append(item.startsWith(';') ? item.mid(1) : item);
        }
        QTEST(r.bytes(), "line");
    }

    void numbers_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("integer");
        QTest::addColumn<QString>("text");
        QTest::newRow("positive") << 1200.0 << true << " 1200 ";
        QTest::newRow("zero") << 0.0 << true << " 0 ";
        QTest::newRow("negative") << -4.0 << true << "-4 ";
        QTest::newRow("largest spectrum value") << 2147483647.0 << true << " 2147483647 ";
        QTest::newRow("range 8") << 8.0 << false << " 8 ";
        QTest::newRow("range 0.5") << 0.5 << false << " 0.5 ";
    }
    void numbers() {
        QFETCH(double, value);
        QFETCH(bool, integer);
        QTEST(integer ? LogRecord::number(qint64(value)) : LogRecord::number(value), "text");
    }

    // Line i of each array record, and the line counts.
    void arrayRecords() {
        SignalArrays a;
        a.SelLowFFT[0] = 1200, a.SelHighFFT[0] = 35, a.SupLowFFT[0] = 0, a.SupHighFFT[0] = -4;
        a.SelXProd[127] = 2147483647, a.SupXProd[127] = 9;
        a.SelLowTime[255] = -32767, a.SupHighTime[255] = 12;
        const QList<QByteArray> f = DiagnosticRecords::frequency("D", a).split('\n');
        const QList<QByteArray> x = DiagnosticRecords::crossproduct("D", a).split('\n');
        const QList<QByteArray> t = DiagnosticRecords::time("D", a).split('\n');
        // Each ends with CR LF, so splitting leaves one empty piece at the end.
        QCOMPARE(f.size() - 1, 130);
        QCOMPARE(x.size() - 1, 130);
        QCOMPARE(t.size() - 1, 258);
        QCOMPARE(f[0], "D\r");
        QCOMPARE(f[1], "Low Frequency FFT, High Frequency FFT, Supervisor Range - Low Frequency "
                       "FFT, Supervisor Range - High Frequency FFT\r");
        QCOMPARE(f[2], " 1200 ,  35 ,  0 , -4 \r");
        QCOMPARE(x[1], "Crossproduct, Supervisor Range - Crossproduct\r");
        QCOMPARE(x[129], " 2147483647 ,  9 \r");
        QCOMPARE(t[1], "Low Frequency, High Frequency, Supervisor Range - Low Frequency, "
                       "Supervisor Range - High Frequency\r");
        QCOMPARE(t[257], "-32767 ,  0 ,  0 ,  12 \r");
    }

    void parameters() {
        QCOMPARE(DiagnosticRecords::parameters("12/6/26 12:45:00", boxes(), 1024),
                 QByteArray("12/6/26 12:45:00\r\n"
                            "Fluid Vel (ft/sec)          1.0           4.204\r\n"
                            "Flow          90.50         380.50        GA/MIN \r\n"
                            "Signal Quality              94.12         88.5\r\n"
                            "Supervisor Signal Quality   90            0.05\r\n"
                            "Time Dom P/P  3400          2000\r\n"
                            "Freq Dom BN   1000          -7\r\n"
                            "Doppler Freq  156.25                      625.0\r\n"
                            "Range Idx     19.0                        19.0\r\n"
                            "Gain 5        Pipe ID6.065  Range 8 \r\n"
                            "Abs SS 100    Rel SS 37.5\r\n"
                            "LF Cutoff     0.1           Vel Scale Factor            1.25\r\n"
                            "Power         Low\r\n"
                            "Supervisor Output:\r\n"
                            "12Points\r\nSignal Valid\r\n\r\n"));
    }

    // Before any analysis: the range is blank, the output line empty, and
    // every line is still there.
    void parametersBeforeAnalysis() {
        const QByteArray r = DiagnosticRecords::parameters("D", {}, 0);
        QCOMPARE(r.count("\r\n"), 15);
        QVERIFY(r.contains("\r\nGain          Pipe ID       Range\r\n"));
        QVERIFY(r.endsWith("Supervisor Output:\r\n\r\n"));
    }

    void supervisor() {
        QCOMPARE(DiagnosticRecords::supervisor("12/6/26 12:45:00", boxes()),
                 QByteArray("12/6/26 12:45:00\r\n"
                            "Flow: 380.50GA/MIN \r\n"
                            "SS: 100\r\n"
                            "SQ: 88.5\r\n"
                            "12Points\r\nSignal Valid\r\n\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestDiagnosticRecords)
#include "tst_diagnosticrecords.moc"
