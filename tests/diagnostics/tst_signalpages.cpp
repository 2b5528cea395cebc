#include "Blocks.h"
#include "SignalRig.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTest>

// The four pages driven tick by tick against the simulated meter: the exact
// commands of each tick, the values shown for blocks written out here, and
// what each kind of bad reply leaves on the page.
class TestSignalPages : public QObject {
    Q_OBJECT

    static QByteArray commands(std::initializer_list<const char*> list) {
        QByteArray out;
        for (const char* c : list)
            out += QByteArray("\x1b\r") + c + "\n";
        return out;
    }

    // XR blocks with every figure written out.
    static QByteArray knownXR(int n) {
        switch (n) {
        case 1:
            return block({{1, "10000000"},
                          {5, "20000000"},
                          {513, "00009841"},
                          {517, "480de803"},
                          {521, "0040be43"},
                          {525, "0000a03f"},
                          {529, "0000b542"},
                          {533, "0047414d494e20"}});
        case 2:
            return block({{1, "05000000"},
                          {513, "00009841"},
                          {517, "d0070780"},
                          {521, "0000b542"},
                          {525, "cdcccc3d"},
                          {529, "7b14c240"},
                          {533, "05000400"},
                          {537, "04"}});
        case 3:
            return block({{79, "0100"},
                          {119, "0200"},
                          {263, sm(12)},
                          {269, sm(800)},
                          {273, sm(300)},
                          {293, sm(9412) + sm(9000) + sm(8850) + sm(5)},
                          {309, sm(1) + sm(1) + sm(1)},
                          {331, sm(1)},
                          {511, "01"}});
        default:
            return block({{1, "0600"}});
        }
    }

private slots:
    void commandsOfATick_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<bool>("peaks");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("time domain") << 1 << false << commands({"XD,5", "XD,6", "XD,7", "XD,8"});
        QTest::newRow("freq. domain") << 2 << false << commands({"XD,1", "XD,2", "XD,3", "XD,4"});
        QTest::newRow("crossproduct") << 3 << false << commands({"XR,1", "XR,2"});
        QTest::newRow("crossproduct, peak selection")
            << 3 << true << commands({"XR,1", "XR,2", "XR,3", "XR,4"});
        QTest::newRow("raw flow data") << 4 << false << commands({"XR,1", "XR,2", "XR,3", "XR,4"});
    }
    void commandsOfATick() {
        QFETCH(int, page);
        QFETCH(bool, peaks);
        SignalRig rig;
        rig.cross.findChild<QCheckBox*>("Check1")->setChecked(peaks);
        rig.page(page).Refresh();
        QTEST(rig.sent(), "sent");
        // Every tick fills its page's boxes from the meter.
        const char* box = page == 1 ? "Text3(0)" : page == 2 ? "Text3(2)" : "Text2(0)";
        QVERIFY(!rig.text(box).isEmpty());
    }

    // The analysis of blocks written out byte by byte, as the pages show it.
    void knownAnalysis() {
        SignalRig rig;
        rig.answerXR(knownXR);
        rig.cross.findChild<QCheckBox*>("Check1")->setChecked(true);
        rig.raw.Refresh();
        QCOMPARE(
            rig.texts({"Text6(3)", "Text6(0)", "Text6(18)", "Text6(15)", "Text6(17)", "Text6(16)",
                       "Text6(2)", "Text6(1)", "Text6(20)", "Text6(19)", "Text6(26)", "Text6(25)",
                       "Text6(9)", "Text6(7)", "Text6(13)", "Text6(11)"}),
            "19.0|156.25|19.0|625.0|380.50|4.204|90.50|1.0|94.12|88.5|90|0.05|3400|2000|"
            "1000|-7");
        QCOMPARE(rig.texts({"Text11(1)", "Text11(0)", "Text15", "Text5", "Text1", "Text9", "Text14",
                            "Text12", "Text10", "Text3(0)", "Text2(1)", "Text4", "Text13"}),
                 "1.25|0.1|GA/MIN |6.065|5|Low|8|100|37.5|3400|-7|5|Low");
        QCOMPARE(rig.text("Text7"), "12Points\nSignal Valid");
        QCOMPARE(rig.config.Analysis.PointCount, 12);
        QCOMPARE(rig.arrays.SelXProd[1], 32);
        QCOMPARE(rig.arrays.PeakSel[0], 6); // the marks of XR,4, decoded last
    }

    // What the meter's odd figures leave on the "Raw Flow Data" page.
    void oddFigures_data() {
        QTest::addColumn<QString>("fault");
        // Text14, then x for each of Text6(0), Text6(16), Text6(1), Text6(17), Text7 filled
        QTest::addColumn<QString>("shown");
        QTest::newRow("meter's own") << ""
                                     << "8|x|x|x|x|x";
        QTest::newRow("range byte 0") << "range 0"
                                      << "||x|x|x|x";
        QTest::newRow("range byte 200") << "range 200"
                                        << "0.16|x|x|x|x|x";
        QTest::newRow("divisor 0") << "divisor"
                                   << "8|x|||x|x";
        QTest::newRow("status not current") << "status"
                                            << "|||||";
    }
    void oddFigures() {
        QFETCH(QString, fault);
        SignalRig rig;
        auto& f = rig.model.faults();
        f.rangeScaleByte = fault.startsWith("range") ? fault.mid(6).toInt() : -1;
        f.zeroDivisor = fault == "divisor";
        f.statusNotValid = fault == "status";
        rig.raw.Refresh();
        QStringList shown{rig.text("Text14")};
        for (const char* box : {"Text6(0)", "Text6(16)", "Text6(1)", "Text6(17)", "Text7"})
            shown << (rig.text(box).isEmpty() ? "" : "x");
        QTEST(shown.join('|'), "shown");
        QVERIFY(!rig.text("Text3(0)").isEmpty()); // the trailer figures always show
    }

    // A tick with one bad block changes nothing: arrays, boxes and pictures stay.
    void badBlockChangesNothing_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<QByteArray>("opcode");
        QTest::newRow("time domain, short XD") << 1 << QByteArray("XD");
        QTest::newRow("freq. domain, short XD") << 2 << QByteArray("XD");
        QTest::newRow("raw flow data, short XR") << 4 << QByteArray("XR");
    }
    void badBlockChangesNothing() {
        QFETCH(int, page);
        QFETCH(QByteArray, opcode);
        SignalRig rig;
        rig.page(page).Refresh();
        const QHash<QString, QString> before = rig.diag.boxes();
        const SignalArrays arrays = rig.arrays;
        const PlotSurface::Drawing drawing = rig.diag.drawing(page == 4 ? 5 : 2 * (page - 1));
        rig.waiter.advanceBy(3000); // the meter's values move meanwhile
        rig.model.faults().shortReplyOpcode = opcode;
        rig.page(page).Refresh();
        QVERIFY(rig.diag.boxes() == before);
        QVERIFY(std::memcmp(&arrays, &rig.arrays, sizeof arrays) == 0);
        QVERIFY(rig.diag.drawing(page == 4 ? 5 : 2 * (page - 1)) == drawing);
        // ...and the next good tick shows the moved values.
        rig.model.faults().shortReplyOpcode.clear();
        rig.page(page).Refresh();
        QVERIFY(rig.diag.boxes() != before);
    }

    // A time block that first comes back empty is asked for once more.
    void emptyTimeBlockAskedAgain() {
        SignalRig rig;
        int asked = 0;
        // The three writes of the first exchange get nothing; the repeat is answered.
        rig.model.addCommand(
            {"XD,6", 0, false, [&asked](MeterModel& m, const QByteArray&, qint64 t) {
                 return ++asked <= 3 ? QByteArray() : m.signalBlock(6, t);
             }});
        rig.time.Refresh();
        QVERIFY(!rig.text("Text3(0)").isEmpty());
        QCOMPARE(rig.sent().count("XD,6\n"), 4);
    }

    // Each page at a usual size and after a resize: the pictures fill their
    // frames and follow the page, without a command to the meter. With
    // CORVANE_SHOT_DIR set, the pages are saved there as PNG pictures.
    void pagesFillTheirSpace() {
        SignalRig rig;
        rig.switches.setFieldDiagnostics(true);
        rig.cross.findChild<QCheckBox*>("Check1")->setChecked(true);
        for (int i = 1; i <= 4; ++i)
            rig.page(i).Refresh();
        const QString dir = qEnvironmentVariable("CORVANE_SHOT_DIR");
        const char* names[] = {"time-domain", "freq-domain", "crossproduct", "raw-flow-data"};
        for (int i = 1; i <= 4; ++i) {
            QWidget& w = rig.widget(i);
            // About the page area of the main window, then a large window. The
            // page area is counted in the page's own text (7 px a character and
            // 16 px a line at common fonts), so wider or taller fonts ask for a
            // larger window, never a clipped page.
            const QFontMetrics fm(w.font());
            const QSize pageArea(790 * std::max(1.0, fm.averageCharWidth() / 7.0),
                                 430 * std::max(1.0, fm.lineSpacing() / 16.0));
            for (const QSize size : {pageArea, QSize(1300, 860).expandedTo(pageArea)}) {
                w.resize(size);
                w.show();
                QCoreApplication::processEvents();
                rig.sent();
                const QPixmap shot = w.grab();
                for (auto* p : w.findChildren<PlotSurface*>())
                    QVERIFY2(p->width() > size.width() * 0.8 && p->height() > size.height() / 5,
                             qPrintable(p->objectName()));
                QVERIFY(rig.sent().isEmpty());
                QVERIFY(w.minimumSizeHint().width() <= size.width() &&
                        w.minimumSizeHint().height() <= size.height());
                if (!dir.isEmpty() && size == pageArea)
                    shot.save(dir + "/" + names[i - 1] + ".png");
            }
            w.hide();
        }
    }

    // The Save to Log buttons follow the field-diagnostics switch.
    void saveButtonsFollowSwitch() {
        SignalRig rig;
        QString shown;
        for (int step = 0; step < 3; ++step) { // as started, switched on, switched off
            if (step > 0)
                rig.switches.setFieldDiagnostics(step == 1);
            for (int i = 1; i <= 4; ++i)
                for (auto* b : rig.widget(i).findChildren<QPushButton*>())
                    shown += b->objectName() + (b->isHidden() ? "- " : "+ ");
        }
        QCOMPARE(shown, "Command4- Command1- Command2- Command3- Command4+ Command1+ Command2+ "
                        "Command3+ Command4- Command1- Command2- Command3- ");
    }
};

QTEST_MAIN(TestSignalPages)
#include "tst_signalpages.moc"
