// The CSV export: the bytes for small logs written out, whatever the locale,
// and the atomic write.
#include "datalog/LogCsv.h"

#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

namespace {

DatalogRecord makeLog(std::vector<qint16> points, float scale, const QString& units) {
    DatalogRecord log;
    log.LogPoints = std::move(points);
    log.LogPointCount = qint32(log.LogPoints.size());
    log.LogScale = scale;
    log.LogInterval = 60;
    log.LogUnits = units;
    log.LogStart = QDateTime(QDate(2006, 5, 12), QTime(10, 30), Qt::UTC);
    return log;
}

} // namespace

class TestLogCsv : public QObject {
    Q_OBJECT

private slots:
    void bytes_data() {
        QTest::addColumn<std::vector<qint16>>("points");
        QTest::addColumn<float>("scale");
        QTest::addColumn<QString>("units");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QByteArray>("csv");
        QTest::newRow("gallons per minute, one reverse point")
            << std::vector<qint16>{100, -200, 50} << 0.5f << "GPM"
            << "C"
            << QByteArray("time,flow (GPM),volume (GPM x minutes),reverse\r\n"
                          "2006-05-12T10:30:00,50,50,0\r\n"
                          "2006-05-12T10:31:00,100,150,1\r\n"
                          "2006-05-12T10:32:00,25,175,0\r\n");
        QTest::newRow("decimals stay points under a German locale")
            << std::vector<qint16>{3795, 3801} << 0.1f << "LPS"
            << "de_DE"
            << QByteArray("time,flow (LPS),volume (LPS x seconds),reverse\r\n"
                          "2006-05-12T10:30:00,379.5,22770,0\r\n"
                          "2006-05-12T10:31:00,380.1,45576,0\r\n");
        QTest::newRow("a unit with a comma and a quote is quoted")
            << std::vector<qint16>{2, 4} << 1.0f << "m3,\"H"
            << "C"
            << QByteArray("time,\"flow (m3,\"\"H)\",\"volume (m3,\"\"H x hours)\",reverse\r\n"
                          "2006-05-12T10:30:00,2,0.03333334,0\r\n"
                          "2006-05-12T10:31:00,4,0.1,0\r\n");
    }
    void bytes() {
        QFETCH(std::vector<qint16>, points);
        QFETCH(float, scale);
        QFETCH(QString, units);
        QFETCH(QString, locale);
        QFETCH(QByteArray, csv);
        QLocale::setDefault(QLocale(locale));
        QCOMPARE(LogCsv::encode(makeLog(points, scale, units)), csv);
        QLocale::setDefault(QLocale::c());
    }

    // A file that cannot be written leaves the old one whole; a good write
    // replaces it.
    void save() {
        QTemporaryDir dir;
        const QString path = dir.filePath("log.csv");
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old");
        old.close();
        const DatalogRecord log = makeLog({1, 2}, 1.0f, "GPM");
        QString error;
        QVERIFY(!LogCsv::save(log, dir.filePath("missing/log.csv"), &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!LogCsv::save(makeLog({1, 2}, 1.0f, "GPX"), path, &error));
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("old"));
        old.close();
        QVERIFY(LogCsv::save(log, path, &error));
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), LogCsv::encode(log));
    }
};

QTEST_GUILESS_MAIN(TestLogCsv)
#include "tst_logcsv.moc"
