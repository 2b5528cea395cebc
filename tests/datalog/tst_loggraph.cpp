// The graph and the listing: what ShowLog works out for small logs (range,
// colours, texts, outcomes), the zoom window and listing pages, and the panel
// driven as a user drives it, checked from its data and once from pixels.
#include "datalog/LogGraph.h"
#include "datalog/LogGraphPanel.h"
#include "datalog/LogListing.h"
#include "datalog/LogPlot.h"
#include "datalog/LogText.h"
#include "datalog/VdlFile.h"

#include "ScriptedPrompts.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRubberBand>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cmath>

namespace {

// A log of the given raw points, 0.5 flow units per count, one minute apart
// from 1 Jan 2020 00:00, with its text lines built as a download builds them.
DatalogRecord makeLog(std::vector<qint16> points) {
    DatalogRecord log;
    log.LogPoints = std::move(points);
    log.LogPointCount = qint32(log.LogPoints.size());
    log.LogScale = 0.5f;
    log.LogInterval = 60;
    log.LogUnits = "GPM";
    log.LogStart = QDateTime(QDate(2020, 1, 1), QTime(0, 0), Qt::UTC);
    qint16 high = 0;
    for (qint16 p : log.LogPoints)
        high = std::max<qint16>(high, qint16(std::abs(p)));
    log.LogMaxRaw = high;
    log.PageFactor = DatalogRecord::pageFactorFor(log.LogPointCount);
    LogText::buildLines(log, 0, high);
    return log;
}

std::vector<qint16> ramp(int n) {
    std::vector<qint16> v(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        v[size_t(i)] = qint16(i + 1);
    return v;
}

} // namespace

class TestLogGraph : public QObject {
    Q_OBJECT

private slots:
    void view_data() {
        QTest::addColumn<std::vector<qint16>>("points");
        QTest::addColumn<QList<double>>("asked"); // first, count, top and bottom of a drag
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("shown"); // first-last top/bottom, then the segments' colours
        QTest::addColumn<QString>("texts"); // txtLogDt(0) to (3)
        const auto row = [](const char* name, const std::vector<qint16>& points,
                            const QList<double>& asked, LogGraph::Outcome outcome,
                            const QString& shown, const char* texts) {
            QTest::newRow(name) << points << asked << int(outcome) << shown << QString(texts);
        };
        using O = LogGraph::Outcome;
        const std::vector<qint16> mixed{100, -50, 200, 300, -10};
        row("whole log, reverse points red", mixed, {1, 5, 0, 0}, O::Drawn, "1-5 375/0 RRGR",
            "1/1/2020 12:00:00 AM|1/1/2020 12:04:00 AM|150|5");
        row("one forward point between two reverse ones", {-5, 7, -9}, {1, 3, 0, 0}, O::Drawn,
            "1-3 11.25/0 RR", "1/1/2020 12:00:00 AM|1/1/2020 12:02:00 AM|4.5|2.5");
        row("a stretch: flows of the points shown only", mixed, {3, 2, 0, 0}, O::Drawn,
            "3-4 375/0 G", "1/1/2020 12:02:00 AM|1/1/2020 12:03:00 AM|150|100");
        row("a dragged range", mixed, {2, 3, 250, 125}, O::Drawn, "2-4 250/125 RG",
            "1/1/2020 12:01:00 AM|1/1/2020 12:03:00 AM|150|25");
        row("a drag of no height takes the automatic range", mixed, {1, 5, 200, 200}, O::Drawn,
            "1-5 375/0 RRGR", "1/1/2020 12:00:00 AM|1/1/2020 12:04:00 AM|150|5");
        row("count past the end stops at the last point", ramp(100), {1, 160, 0, 0}, O::Drawn,
            "1-100 125/0 " + QString(99, 'G'), "1/1/2020 12:00:00 AM|1/1/2020 1:39:00 AM|50|0.5");
        row("first at the last point", mixed, {5, 60, 0, 0}, O::NotEnough, "0-0 0/0 ", "|||");
        row("one point asked", mixed, {1, 1, 0, 0}, O::NotEnough, "0-0 0/0 ", "|||");
        row("all zero", {0, 0, 0}, {1, 3, 0, 0}, O::AllZero, "1-3 0/0 ",
            "1/1/2020 12:00:00 AM|1/1/2020 12:02:00 AM|0|0");
        row("a drag starting before point 1", mixed, {0, 3, 100, 10}, O::OutOfRange, "0-2 0/0 ",
            "12/31/2019 11:59:00 PM|1/1/2020 12:01:00 AM||");
    }
    // A loaded file's High and Low Flow are its own numbers, not its flows
    // rescaled to counts and back (340 came back as 339.9945).
    void viewOfALoadedFile() {
        const QByteArray file = "\"File 0 Started 1/1/2020 12:00:00 AM\"\r\n"
                                "\"3 Flow points at 60 second intervals\"\r\n"
                                "\"Values range from 1E-07 to 340 GPM\"\r\n"
                                "1/1/2020 12:00:00 AM \t 340 \t 5.666667\r\n"
                                "1/1/2020 12:01:00 AM \t 19.949999 \t 5.999167****\r\n"
                                "1/1/2020 12:02:00 AM \t 1E-07 \t 5.999167\r\n";
        QString error;
        const auto log = VdlFile::decode(file, &error);
        QVERIFY2(log, qPrintable(error));
        const LogGraph::View whole = LogGraph::ShowLog(*log, 1, 3, 0, 0);
        QCOMPARE(whole.texts[2] + "|" + whole.texts[3], "340|1E-07");
        const LogGraph::View tail = LogGraph::ShowLog(*log, 2, 2, 0, 0);
        QCOMPARE(tail.texts[2] + "|" + tail.texts[3], "19.949999|1E-07");
    }

    void view() {
        QFETCH(std::vector<qint16>, points);
        QFETCH(QList<double>, asked);
        const LogGraph::View v = LogGraph::ShowLog(makeLog(points), qint32(asked[0]),
                                                   qint32(asked[1]), asked[2], asked[3]);
        QTEST(int(v.outcome), "outcome");
        QTEST(QString("%1-%2 %3/%4 ").arg(v.first).arg(v.last).arg(v.yTop).arg(v.yBottom) +
                  v.colours(),
              "shown");
        QTEST(QStringList(v.texts.begin(), v.texts.end()).join('|'), "texts");
    }

    // A header that claims more points than are stored draws only the stored ones.
    void neverBeyondStoredPoints() {
        DatalogRecord log = makeLog({4, 5, 6});
        log.LogPointCount = 50;
        const LogGraph::View v = LogGraph::ShowLog(log, 1, 50, 0, 0);
        QCOMPARE(v.last, 3);
        QCOMPARE(v.points.size(), size_t(3));
    }

    void pages_data() {
        QTest::addColumn<int>("points");
        QTest::addColumn<int>("scrollValue");
        QTest::addColumn<int>("zoomFirst");
        QTest::addColumn<QString>("listed"); // first and last line number listed
        QTest::addColumn<int>("hMaximum");
        QTest::addColumn<int>("vMaximum");
        QTest::newRow("value 1: header and points 1-3") << 100 << 1 << 1 << "1-6" << 45 << 98;
        QTest::newRow("value 2 lists lines 2 to 7") << 100 << 2 << 1 << "2-7" << 45 << 98;
        QTest::newRow("inside the log") << 100 << 30 << 29 << "30-35" << 45 << 98;
        QTest::newRow("past the end: the last 60 points, the last page")
            << 100 << 200 << 41 << "98-103" << 45 << 98;
        QTest::newRow("a log shorter than the window") << 30 << 2 << 1 << "2-7" << 2 << 28;
        QTest::newRow("largest log, page factor 4: last scroll value reaches the end")
            << 100000 << 25001 << 99941 << "99998-100003" << 24986 << 25001;
        QTest::newRow("largest log, page factor 4, value 2")
            << 100000 << 2 << 4 << "5-10" << 24986 << 25001;
    }
    void pages() {
        QFETCH(int, points);
        QFETCH(int, scrollValue);
        QFETCH(int, zoomFirst);
        QFETCH(QString, listed);
        QFETCH(int, hMaximum);
        QFETCH(int, vMaximum);
        DatalogRecord log;
        log.LogPointCount = points;
        log.PageFactor = DatalogRecord::pageFactorFor(points);
        for (int i = 1; i <= points + 3; ++i)
            log.LogLines << QString::number(i);
        QCOMPARE(LogGraph::zoomFirst(log, scrollValue), zoomFirst);
        const QStringList lines =
            LogListing::text(log, scrollValue).split("\r\n", Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 6);
        QCOMPARE(lines.first() + '-' + lines.last(), listed);
        QCOMPARE(LogListing::horizontal(log).maximum, hMaximum);
        QCOMPARE(LogListing::vertical(log).maximum, vMaximum);
    }

    // The panel as the window shows it: a new log, the zoom box, the scroll
    // bar, a drag each way, the messages, and a log too short to show.
    void panel() {
        ScriptedPrompts prompts;
        DatalogRecord log = makeLog(ramp(100));
        log.LogPoints[49] = -50;
        LogGraphPanel panel(log, prompts);
        panel.resize(800, 500);
        panel.show();
        auto* text8 = panel.findChild<QPlainTextEdit*>("Text8");
        auto* hscroll = panel.findChild<QScrollBar*>("HScroll1");
        auto* shape = panel.findChild<QRubberBand*>("Shape1");
        auto* last = panel.findChild<QLineEdit*>("txtLogDt(1)");
        QVERIFY(text8 && hscroll && shape && last);
        QCOMPARE(text8->toPlainText(), "No Datalog Loaded");
        QVERIFY(!panel.exportCsvAction()->isEnabled());

        panel.logReplacing();
        QCOMPARE(panel.zoom(), int(LogGraphPanel::Grey));
        QVERIFY(!panel.plot()->hasView());
        panel.showNewLog();
        QCOMPARE(text8->toPlainText().split(QChar(10)).first(),
                 "File 0 Started 1/1/2020 12:00:00 AM");
        QCOMPARE(panel.plot()->view()->last, 100);
        QCOMPARE(last->text(), "1/1/2020 1:39:00 AM");
        QVERIFY(panel.exportCsvAction()->isEnabled());

        panel.findChild<QCheckBox*>("chkZoom")->click();
        QCOMPARE(panel.zoom(), int(LogGraphPanel::Window));
        QCOMPARE(panel.plot()->view()->last, 60);
        hscroll->setValue(hscroll->maximum());
        QCOMPARE(panel.plot()->view()->first, 41);
        QCOMPARE(panel.plot()->view()->colours().count('R'), 2);

        // Dragging shows Shape1 over the graph without drawing it again.
        panel.plot()->rendering();
        const int renders = panel.plot()->renderCount();
        panel.Picture6_MouseDown({70, 40});
        panel.Picture6_MouseMove({50, 20});
        QVERIFY(shape->isVisible());
        QCOMPARE(panel.shapeRect(), QRectF(50, 40, 20, 20));
        panel.plot()->rendering();
        QCOMPARE(panel.plot()->renderCount(), renders);
        panel.Picture6_MouseUp({50.4, 20});
        QVERIFY(!shape->isVisible());
        const LogGraph::View rightToLeft = *panel.plot()->view();
        panel.Picture6_MouseDown({50.4, 20});
        panel.Picture6_MouseUp({70, 40});
        QCOMPARE(panel.plot()->view()->points, rightToLeft.points);
        QCOMPARE(rightToLeft.first, 50);
        QCOMPARE(rightToLeft.last, 70);
        QCOMPARE(rightToLeft.yTop, 40.0);
        QVERIFY(prompts.texts().isEmpty());

        // The real mouse over the real widget: pixels become graph coordinates.
        LogPlot* plot = panel.plot();
        panel.HScroll1_Change(); // back to points 41-100, automatic range
        QTest::mousePress(plot, Qt::LeftButton, {}, plot->toPixel({62, 80}).toPoint());
        QTest::mouseMove(plot, plot->toPixel({70, 60}).toPoint());
        QVERIFY(shape->isVisible());
        QTest::mouseRelease(plot, Qt::LeftButton, {}, plot->toPixel({80, 40}).toPoint());
        QCOMPARE(plot->view()->first, 62);
        QCOMPARE(plot->view()->last, 80);
        QCOMPARE(plot->view()->yTop, 80.0);
        QCOMPARE(plot->view()->yBottom, 40.0);
        panel.Picture6_MouseDown({50.4, 20});
        panel.Picture6_MouseUp({70, 40});

        // Export: the file chosen gets the CSV, the user is told where.
        QTemporaryDir dir;
        prompts.fileNames << dir.filePath("log.csv");
        panel.exportCsvAction()->trigger();
        QCOMPARE(prompts.texts().value(0), "Log exported to " + dir.filePath("log.csv"));
        QFile csv(dir.filePath("log.csv"));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QCOMPARE(csv.readAll().count('\n'), 101);
        prompts.clearRecord();

        // A click is a drag of no width; a drag left of the log is out of range.
        panel.Picture6_MouseDown({10, 20});
        panel.Picture6_MouseUp({10, 20});
        panel.Picture6_MouseDown({-3, 20});
        panel.Picture6_MouseUp({10, 30});
        QCOMPARE(prompts.texts(),
                 QStringList({"Not Enough log to display", "Selections are out of range"}));
        QCOMPARE(panel.plot()->view()->first, 50); // the previous drawing stays

        log = makeLog({0, 0, 0});
        panel.showNewLog();
        QCOMPARE(prompts.texts().last(), "Log Values are all Zero");
        QCOMPARE(panel.findChild<QLineEdit*>("txtLogDt(2)")->text(), "0");

        log = makeLog({5});
        panel.setZoom(LogGraphPanel::Window);
        QCOMPARE(text8->toPlainText(), "No Datalog Loaded");
        QCOMPARE(last->text(), " ");
        QVERIFY(!panel.plot()->hasView());
        QVERIFY(!panel.exportCsvAction()->isEnabled());
    }

    // Once from pixels: forward flow green, reverse red, nothing above the
    // line; the image has the screen's own pixel density.
    void rendering() {
        ScriptedPrompts prompts;
        const DatalogRecord log = makeLog({100, 100, 100, -100, -100});
        LogGraphPanel panel(log, prompts);
        panel.resize(600, 400);
        panel.show();
        panel.showNewLog();
        LogPlot* plot = panel.plot();
        const auto green = [](QColor c) { return c.green() > 150 && c.red() < 80; };
        const auto red = [](QColor c) { return c.red() > 150 && c.green() < 80; };
        const auto anyOf = [](const QList<QColor>& colours, auto test) {
            return std::any_of(colours.begin(), colours.end(), test);
        };
        // Window heights a pixel apart put the line at every fraction of a
        // pixel, as the labels' fonts would move it.
        for (int height = 400; height < 410; ++height) {
            panel.resize(600, height);
            QApplication::processEvents();
            const QImage image = plot->rendering();
            QCOMPARE(image.size(), plot->size() * plot->devicePixelRatioF());
            // The pixels of one column, from rows above to rows below the
            // graph point (x, y): an anti-aliased line anywhere in the band
            // gives one pixel near its full colour.
            const auto band = [&](double x, double y, int above, int below) {
                const QPoint centre = (plot->toPixel({x, y}) * image.devicePixelRatio()).toPoint();
                QList<QColor> colours;
                for (int row = centre.y() - above; row <= centre.y() + below; ++row)
                    if (image.valid(centre.x(), row))
                        colours << image.pixelColor(centre.x(), row);
                return colours;
            };
            const int lineBand = 3 * int(std::ceil(image.devicePixelRatio()));
            QVERIFY(anyOf(band(1.5, 100, lineBand, lineBand), green));
            QVERIFY(!anyOf(band(1.5, 100, lineBand, lineBand), red));
            QVERIFY(anyOf(band(4.5, 100, lineBand, lineBand), red));
            // Above the line nothing is drawn in either colour.
            const QList<QColor> above = band(2.5, 100, 4 * lineBand, -lineBand - 1);
            QVERIFY(!above.isEmpty());
            QVERIFY(!anyOf(above, green) && !anyOf(above, red));
        }

        // A bigger window gets a drawing of its own size.
        const int renders = plot->renderCount();
        panel.resize(900, 700);
        QApplication::processEvents();
        QCOMPARE(plot->rendering().size(), plot->size() * plot->devicePixelRatioF());
        QCOMPARE(plot->renderCount(), renders + 1);
        QVERIFY(plot->width() > 800);
    }
};

QTEST_MAIN(TestLogGraph)
#include "tst_loggraph.moc"
