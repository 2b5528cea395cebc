#include "datalog/frmProgress.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

class TestFrmProgress : public QObject {
    Q_OBJECT

    static QProgressBar* bar(frmProgress& w) {
        return w.findChild<QProgressBar*>(QStringLiteral("ProgressBar1"));
    }
    static QLineEdit* text(frmProgress& w) {
        return w.findChild<QLineEdit*>(QStringLiteral("Text1"));
    }

private slots:
    void setProg_data() {
        QTest::addColumn<float>("percent");
        QTest::addColumn<int>("barValue");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<float>("afterwards");
        QTest::newRow("100 held at 99") << 100.0f << 99 << "99 %" << 99.0f;
        QTest::newRow("above 100") << 250.0f << 99 << "99 %" << 99.0f;
        QTest::newRow("one decimal, truncated") << 33.333f << 33 << "33.3 %" << 33.333f;
        QTest::newRow("half") << 42.5f << 42 << "42.5 %" << 42.5f;
        QTest::newRow("just below 100") << 99.99f << 99 << "99.9 %" << 99.99f;
        QTest::newRow("tenths not rounded up") << 12.06f << 12 << "12 %" << 12.06f;
        QTest::newRow("0.7 stays 0.7") << 0.7f << 0 << "0.7 %" << 0.7f;
        QTest::newRow("zero") << 0.0f << 0 << "0 %" << 0.0f;
    }
    void setProg() {
        QFETCH(float, percent);
        QFETCH(int, barValue);
        QFETCH(QString, shown);
        QFETCH(float, afterwards);
        frmProgress window;
        window.Init(QStringLiteral("Downloading Datalog"));
        float value = percent;
        window.SetProg(value);
        QCOMPARE(bar(window)->value(), barValue);
        QCOMPARE(text(window)->text(), shown);
        QCOMPARE(value, afterwards);
        QCOMPARE(bar(window)->minimum(), 0);
        QCOMPARE(bar(window)->maximum(), 100);
    }

    void lifecycle_data() {
        QTest::addColumn<QString>("caption");
        QTest::newRow("download") << "Downloading Datalog";
        QTest::newRow("erase") << "Erasing Datalogs";
    }
    void lifecycle() {
        QFETCH(QString, caption);
        frmProgress window;
        frmProgress::CancelRequested = true;
        window.Init(caption);
        QVERIFY(!frmProgress::CancelRequested);
        QVERIFY(window.isVisible());
        QVERIFY(!window.isModal());
        QCOMPARE(window.windowTitle(), caption);
        float half = 50.0f;
        window.SetProg(half);

        auto* cancel = window.findChild<QPushButton*>(QStringLiteral("cmdCancel"));
        QVERIFY(cancel);
        QCOMPARE(cancel->text(), QStringLiteral("Cancel"));
        QTest::mouseClick(cancel, Qt::LeftButton);
        QVERIFY(frmProgress::CancelRequested);
        // Cancel only raises the flag; the caller decides when to stop.
        QVERIFY(window.isVisible());

        window.Done();
        QVERIFY(!frmProgress::CancelRequested);
        QVERIFY(!window.isVisible());

        // Opened again, it starts from an empty bar.
        frmProgress::CancelRequested = true;
        window.Init(caption);
        QCOMPARE(bar(window)->value(), 0);
        QVERIFY(!frmProgress::CancelRequested);
        window.cmdCancel_Click();
        QVERIFY(frmProgress::CancelRequested);
        window.Done();
        QVERIFY(!frmProgress::CancelRequested);
    }
};

QTEST_MAIN(TestFrmProgress)
#include "tst_frmprogress.moc"
