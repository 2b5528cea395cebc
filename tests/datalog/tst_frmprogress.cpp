#include "datalog/frmProgress.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

class TestFrmProgress : public QObject {
    Q_OBJECT

private slots:
    void progressAndCancel() {
        frmProgress window;
        auto* bar = window.findChild<QProgressBar*>("ProgressBar1");
        // Percent given, then the bar, the text (one decimal, truncated) and the caller's value.
        const QList<std::tuple<float, int, QString, float>> cases = {
            {0.7f, 0, "0.7 %", 0.7f},
            {12.06f, 12, "12 %", 12.06f},
            {33.333f, 33, "33.3 %", 33.333f},
            {100.0f, 99, "99 %", 99.0f},
            {99.99f, 99, "99.9 %", 99.99f}};
        for (auto [percent, barValue, shown, afterwards] : cases) {
            window.Init("Downloading Datalog");
            window.SetProg(percent);
            QCOMPARE(bar->value(), barValue);
            QCOMPARE(window.findChild<QLineEdit*>("Text1")->text(), shown);
            QCOMPARE(percent, afterwards);
        }

        // Cancel only raises the flag; Init and Done clear it, and Init empties the bar.
        QVERIFY(window.isVisible() && !window.isModal());
        QCOMPARE(window.windowTitle(), "Downloading Datalog");
        window.findChild<QPushButton*>("cmdCancel")->click();
        QVERIFY(frmProgress::CancelRequested);
        QVERIFY(window.isVisible());
        window.Done();
        QVERIFY(!frmProgress::CancelRequested && !window.isVisible());
        frmProgress::CancelRequested = true;
        window.Init("Erasing Datalogs");
        QVERIFY(!frmProgress::CancelRequested);
        QCOMPARE(bar->value(), 0);

        // Init gives the Cancel button its caption back; closing the window is Cancel.
        window.setCancelCaption("Cancel 3");
        window.Init("Downloading Datalog");
        QCOMPARE(window.findChild<QPushButton*>("cmdCancel")->text(), "Cancel");
        window.close();
        QVERIFY(frmProgress::CancelRequested && !window.isVisible());
    }
};

QTEST_MAIN(TestFrmProgress)
#include "tst_frmprogress.moc"
