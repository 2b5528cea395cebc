// A meter's settings saved as a file, compared and restored against the
// simulated meter of each model: the round trip, the files refused with
// nothing written, and a meter that refuses one setting in the middle.
#include "MeterModel.h"
#include "ScriptedPrompts.h"
#include "SimSerialPort.h"
#include "VirtualWaiter.h"
#include "link/MeterLink.h"
#include "monitor/MeterSettingsReader.h"
#include "setup/SettingsCatalogue.h"
#include "setup/SettingsFile.h"
#include "setup/SettingsRestore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <functional>
#include <memory>

namespace {

// The reads a settings file is made from; anything else on the wire writes.
const QList<QByteArray> ReadOpcodes = {"VT,0", "VR,0", "SC,0", "CC,0", "LR,0",
                                       "MA,0", "GT,0", "DT,0", "MD,0"};

struct Rig {
    explicit Rig(int unitType) {
        MeterState s;
        s.unitType = unitType;
        model = std::make_unique<MeterModel>(s);
        port = std::make_unique<SimSerialPort>(*model, waiter);
        link = std::make_unique<MeterLink>(*port, waiter, prompts);
        port->open();
    }
    std::optional<MeterSettings> read() {
        QString why;
        auto s = MeterSettingsReader::read(*link, &why);
        if (!s)
            qWarning("read failed: %s", qPrintable(why));
        return s;
    }
    SettingsRestore::Reader reader() {
        return [this](QString* why) { return MeterSettingsReader::read(*link, why); };
    }
    // The commands received since mark that are not reads.
    QList<QByteArray> writesSince(qsizetype mark) const {
        QList<QByteArray> out;
        for (qsizetype i = mark; i < model->received().size(); ++i) {
            const QByteArray& c = model->received().at(i).command;
            if (!ReadOpcodes.contains(c.left(4)))
                out << c.left(5);
        }
        return out;
    }
    VirtualWaiter waiter;
    ScriptedPrompts prompts;
    std::unique_ptr<MeterModel> model;
    std::unique_ptr<SimSerialPort> port;
    std::unique_ptr<MeterLink> link;
};

QJsonObject edited(const QByteArray& json, const std::function<void(QJsonObject&)>& edit) {
    QJsonObject root = QJsonDocument::fromJson(json).object();
    edit(root);
    return root;
}

// Sets the value (and unit, when given) of the named setting in a file.
void setValue(QJsonObject& root, const QString& name, const QJsonValue& value,
              const QString& unit = {}) {
    QJsonArray settings = root["settings"].toArray();
    for (qsizetype i = 0; i < settings.size(); ++i) {
        QJsonObject e = settings[i].toObject();
        if (e["name"].toString() != name)
            continue;
        e["value"] = value;
        if (!unit.isEmpty())
            e["unit"] = unit;
        settings[i] = e;
    }
    root["settings"] = settings;
}

} // namespace

class TestSettingsFile : public QObject {
    Q_OBJECT

private slots:
    // Known answers: the file holds the meter's own numbers, shortest form.
    void fileNumbers_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("whole");
        QTest::addColumn<double>("expected");
        QTest::newRow("a single's 0.1") << double(0.1f) << false << 0.1;
        QTest::newRow("the pipe of the simulator") << double(0.50542f) << false << 0.50542;
        QTest::newRow("a third kept to the single") << double(1.0f / 3) << false << 0.33333334;
        QTest::newRow("a whole number") << 32767.0 << true << 32767.0;
    }
    void fileNumbers() {
        QFETCH(double, value);
        QFETCH(bool, whole);
        QFETCH(double, expected);
        QCOMPARE(SettingsFile::fileNumber(value, whole), expected);
        QCOMPARE(float(SettingsFile::fileNumber(value, whole)), float(value));
    }

    // Save, change on the meter, compare, restore, compare again.
    void roundTrip_data() {
        QTest::addColumn<int>("unitType");
        QTest::addColumn<QStringList>("differing");
        QTest::addColumn<QList<QByteArray>>("writes");
        // The meter keeps its 4-20 mA range as flows: other flow units move
        // the range's velocity, and the restore writes it back.
        QTest::newRow("KR5") << 5 << QStringList{"Flow Rate Units",   "Damping",
                                                 "Velocity at 20 mA", "Relay 1 Flow >",
                                                 "Totalizer Units",   "Update time",
                                                 "Log Rate"}
                             << QList<QByteArray>{"PD,1,", "LM,1,", "MA,3,", "RY,2,",
                                                  "GT,3,", "GT,1",  "SC,2,", "LG,2,"};
        QTest::newRow("KR4") << 4 << QStringList{"Flow Rate Units",   "Damping",
                                                 "Velocity at 20 mA", "Relay 1 Flow >",
                                                 "Relay 3 active",    "Totalizer Units",
                                                 "Log Rate"}
                             << QList<QByteArray>{"PD,1,", "LM,1,", "MA,3,", "RY,2,",
                                                  "GT,3,", "GT,1",  "LG,2,"};
        // The KR3 has no relays and no display options.
        QTest::newRow("KR3") << 3
                             << QStringList{"Flow Rate Units", "Damping", "Velocity at 20 mA",
                                            "Totalizer Units", "Log Rate"}
                             << QList<QByteArray>{"PD,1,", "LM,1,", "MA,3,",
                                                  "GT,3,", "GT,1",  "LG,2,"};
    }
    void roundTrip() {
        QFETCH(int, unitType);
        QFETCH(QStringList, differing);
        QFETCH(QList<QByteArray>, writes);
        Rig rig(unitType);
        const std::optional<MeterSettings> before = rig.read();
        QVERIFY(before);
        const QByteArray json = SettingsFile::toJson(*before, QDateTime::currentDateTimeUtc(),
                                                     QStringLiteral("Corvane test"));
        QString why;
        const std::optional<SettingsFileData> file = SettingsFile::parse(json, &why);
        QVERIFY2(file, qPrintable(why));
        QCOMPARE(SettingsRestore::plan(*before, *file).differences.size(), 0);

        // Someone changed the meter since.
        MeterState& s = rig.model->state();
        s.flowVolumeUnit = 4;
        s.damping = 33;
        s.relaySingles[0][0] = 123.0f;
        s.relayInts[4][2] = 0;
        s.totalizerUnit = 3;
        s.displayMask = qint16(0x0307);
        s.loggingRateIndex = 1;
        const QByteArray serial = s.serial;
        const qint16 cal4 = s.cal4mA, cal20 = s.cal20mA;

        const std::optional<MeterSettings> changed = rig.read();
        QVERIFY(changed);
        const SettingsPlan plan = SettingsRestore::plan(*changed, *file);
        QVERIFY2(plan.refusal.isEmpty(), qPrintable(plan.refusal));
        QStringList names;
        for (const SettingsPlan::Difference& d : plan.differences)
            names << d.setting->name;
        QCOMPARE(names, differing);

        const qsizetype mark = rig.model->received().size();
        const SettingsRestore::Result r =
            SettingsRestore::run(*rig.link, plan, *file, rig.reader());
        QVERIFY2(r.matches, qPrintable(r.message));
        QCOMPARE(r.written, differing);
        QCOMPARE(rig.writesSince(mark), writes);
        QCOMPARE(s.flowVolumeUnit, quint8(0));
        QCOMPARE(s.damping, qint16(10));
        // The meter's own values are never written.
        QCOMPARE(s.serial, serial);
        QCOMPARE(s.cal4mA, cal4);
        QCOMPARE(s.cal20mA, cal20);
        QVERIFY(rig.prompts.shown.isEmpty());
    }

    // Files that are not restored, each with nothing written.
    void refusals_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("unitType");
        QTest::addColumn<QString>("message");
        Rig kr5(5);
        const std::optional<MeterSettings> s = kr5.read();
        QVERIFY(s);
        const QByteArray good = SettingsFile::toJson(*s, QDateTime::currentDateTimeUtc(), "t");
        const auto with = [&](const std::function<void(QJsonObject&)>& edit) {
            return QJsonDocument(edited(good, edit)).toJson();
        };
        QTest::newRow("damaged") << good.left(good.size() / 2) << 5 << "the file is damaged: ";
        QTest::newRow("not a settings file")
            << with([](QJsonObject& o) { o["format"] = "Something else"; }) << 5
            << "the file is not a Corvane meter settings file";
        QTest::newRow("a newer layout")
            << with([](QJsonObject& o) { o["layout"] = 2; }) << 5
            << "the file has layout 2, newer than this version of Corvane reads (layout 1)";
        QTest::newRow("made for another model") << good << 4
                                                << "The file was made for a Velmar KR5; this meter "
                                                   "is a Velmar KR4. Nothing was written.";
        QTest::newRow("damping beyond 16 bits")
            << with([](QJsonObject& o) { setValue(o, "Damping", 40000); }) << 5
            << "Damping: 40000 (meter's own) is outside 0 to 32767 (meter's own)";
        QTest::newRow("a contrast above the KR5's 15") << with([](QJsonObject& o) {
            setValue(o, "Contrast", 20);
            setValue(o, "Damping", 12);
        }) << 5 << "Contrast: 20 is outside 0 to 15";
        QTest::newRow("pounds on a KR5")
            << with([](QJsonObject& o) { setValue(o, "Flow Rate Units", "LB"); }) << 5
            << "Flow Rate Units: \"LB\" is not one of US Gal, ImpGal, MGal, Ft^3, M^3, Liter, OB";
        QTest::newRow("a diameter in inches")
            << with([](QJsonObject& o) { setValue(o, "Pipe Inside Diameter", 6.065, "in"); }) << 5
            << "Pipe Inside Diameter: the value is in \"in\", not in ft";
        QTest::newRow("a cut-off below the meter's least")
            << with([](QJsonObject& o) { setValue(o, "Low Vel. Cutoff", 0.15, "ft/s"); }) << 5
            << "Low Vel. Cutoff: 0.15 ft/s is outside 0.2 to 32 ft/s";
    }
    void refusals() {
        QFETCH(QByteArray, file);
        QFETCH(int, unitType);
        QFETCH(QString, message);
        Rig rig(unitType);
        const qsizetype mark = rig.model->received().size();
        QString why;
        const std::optional<SettingsFileData> data = SettingsFile::parse(file, &why);
        QString said = why;
        if (data) {
            const std::optional<MeterSettings> s = rig.read();
            QVERIFY(s);
            const SettingsPlan plan = SettingsRestore::plan(*s, *data);
            QVERIFY(plan.steps.isEmpty());
            const SettingsRestore::Result r =
                SettingsRestore::run(*rig.link, plan, *data, rig.reader());
            QVERIFY(!r.matches);
            said = r.message;
        }
        QVERIFY2(said.contains(message), qPrintable(said));
        QCOMPARE(rig.writesSince(mark), QList<QByteArray>());
    }

    // The meter refuses the damping: the restore stops there and says what
    // was already written.
    void refusedInTheMiddle() {
        Rig rig(5);
        const std::optional<MeterSettings> before = rig.read();
        QVERIFY(before);
        const std::optional<SettingsFileData> file =
            SettingsFile::parse(SettingsFile::toJson(*before, {}, "t"), nullptr);
        QVERIFY(file);
        rig.model->state().flowVolumeUnit = 4;
        rig.model->state().damping = 33;
        rig.model->state().loggingRateIndex = 1;
        rig.model->addCommand(
            {"LM,1,", 2, true, [](MeterModel&, const QByteArray&, qint64) { return "NO\n"; }});
        const std::optional<MeterSettings> changed = rig.read();
        QVERIFY(changed);
        const qsizetype mark = rig.model->received().size();
        const SettingsRestore::Result r = SettingsRestore::run(
            *rig.link, SettingsRestore::plan(*changed, *file), *file, rig.reader());
        QVERIFY(!r.matches);
        QCOMPARE(r.failedSetting, QString("Damping"));
        QCOMPARE(r.written, QStringList{"Flow Rate Units"});
        QVERIFY2(r.message.contains("Already written: Flow Rate Units."), qPrintable(r.message));
        // Nothing after the refused setting went out.
        const QList<QByteArray> writes = rig.writesSince(mark);
        QVERIFY(!writes.isEmpty() && writes.first() == "PD,1,");
        QVERIFY(!writes.contains("LG,2,"));
        QCOMPARE(rig.model->state().loggingRateIndex, qint16(1));
    }

    // A file from other firmware: settings only one side has are skipped.
    void otherFirmware() {
        Rig rig(5);
        const std::optional<MeterSettings> s = rig.read();
        QVERIFY(s);
        QJsonObject root = QJsonDocument::fromJson(SettingsFile::toJson(*s, {}, "t")).object();
        QJsonArray settings = root["settings"].toArray();
        for (qsizetype i = settings.size() - 1; i >= 0; --i)
            if (settings[i].toObject()["name"] == "Contrast")
                settings.removeAt(i);
        settings.append(QJsonObject{{"name", "Backlight"}, {"value", "On"}});
        root["settings"] = settings;
        const std::optional<SettingsFileData> file =
            SettingsFile::parse(QJsonDocument(root).toJson(), nullptr);
        QVERIFY(file);
        const SettingsPlan plan = SettingsRestore::plan(*s, *file);
        QVERIFY(plan.refusal.isEmpty());
        QVERIFY(plan.equal());
        QCOMPARE(plan.skipped, (QStringList{"Contrast: not in the file",
                                            "Backlight: this meter has no such setting"}));
    }

    // What each model's file holds.
    void settingsPerModel_data() {
        QTest::addColumn<int>("unitType");
        QTest::addColumn<int>("restored");
        QTest::addColumn<int>("own");
        // Pipe 5, limits 7 (no remote zero on the KR3: 6), learning 5,
        // output 2, relays 4 per relay (KR4 four and the power monitor),
        // totalizer 4, display 5 on the KR5 and the contrast, logging 2.
        QTest::newRow("KR5") << 5 << 35 << 13;
        QTest::newRow("KR4") << 4 << 43 << 13;
        // No relays, no power monitor.
        QTest::newRow("KR3") << 3 << 25 << 12;
    }
    void settingsPerModel() {
        QFETCH(int, unitType);
        QFETCH(int, restored);
        QFETCH(int, own);
        int r = 0, o = 0;
        for (const Setting* s : SettingsCatalogue::forModel(unitType)) {
            r += s->role == Setting::Role::Restored;
            o += s->role == Setting::Role::MeterOwn;
            // Every restorable setting is written by some command.
            QVERIFY2(s->role != Setting::Role::Restored || s->writer != Setting::Writer::None,
                     qPrintable(s->name));
        }
        QCOMPARE(r, restored);
        QCOMPARE(o, own);
    }
};

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
