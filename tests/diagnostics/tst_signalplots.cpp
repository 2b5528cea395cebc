#include "diagnostics/SignalPlots.h"

#include <QTest>

using Pairs = QList<QPair<int, int>>;

// The crossproduct overlay: which stretches of the curve are drawn in which
// colour and where the markers stand.
class TestSignalPlots : public QObject {
    Q_OBJECT

    // A stroke as "colour first-x..last-x", or for a marker its y values.
    static QString describe(const PlotSurface::Stroke& s) {
        const QString colour = s.colour == SignalPlots::Green  ? "green"
                               : s.colour == SignalPlots::Blue ? "blue"
                               : s.colour == SignalPlots::Red  ? "red"
                                                               : "black";
        if (s.points.first().x() == s.points.last().x() && s.points.size() > 1) {
            QStringList ys;
            for (const QPointF& p : s.points)
                ys << QString::number(p.y());
            return QString("%1 marker at %2: %3")
                .arg(colour)
                .arg(s.points.first().x())
                .arg(ys.join(','));
        }
        return QString("%1 %2..%3").arg(colour).arg(s.points.first().x()).arg(s.points.last().x());
    }

private slots:
    void overlay_data() {
        QTest::addColumn<Pairs>("marks"); // index (1-based), mark
        QTest::addColumn<QString>("strokes");
        using M = Pairs;
        QTest::newRow("no marks") << M{} << "black 1..128";
        QTest::newRow("selected stretch 40-60")
            << M{{40, 1}, {60, 2}} << "black 1..40|green 40..60|black 60..128";
        QTest::newRow("full-height marker at the left edge")
            << M{{1, 6}} << "black 1..128|blue marker at 1: 1,0,255,1";
        QTest::newRow("drop markers keep the pen")
            << M{{10, 3}, {20, 4}, {30, 5}, {50, 7}}
            << "black 1..128|red marker at 10: 10,0,10|black marker at 20: 20,0,20|"
               "blue marker at 30: 30,0,30";
        QTest::newRow("green to the end") << M{{100, 1}} << "black 1..100|green 100..128";
    }
    void overlay() {
        QFETCH(Pairs, marks);
        std::vector<double> values(128);
        for (int i = 0; i < 128; ++i)
            values[i] = i + 1;
        std::array<qint16, 128> m{};
        for (const auto& [i, mark] : marks)
            m[i - 1] = qint16(mark);
        const auto d = SignalPlots::PlotAnal(255, 0, values, m);
        QStringList strokes;
        for (const auto& s : d.strokes)
            strokes << describe(s);
        QTEST(strokes.join('|'), "strokes");
        QCOMPARE(QString("%1 %2 %3 %4").arg(d.left).arg(d.right).arg(d.top).arg(d.bottom),
                 "1 128 255 0");
    }
};

QTEST_GUILESS_MAIN(TestSignalPlots)
#include "tst_signalplots.moc"
