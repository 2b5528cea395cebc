#pragma once

#include "MeterSettings.h"
#include "link/SettingExchange.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <utility>

// Every setting and value the meter's configuration reads carry, in one
// table: its name as the setup dialog labels it, where it is shown, how it
// is shown and in which unit, its valid values, which models have it, whether
// it is the meter's own, and the commands that write it. The setup dialog's
// lists, the service report, corvane-cli and the settings file read it here.
struct Setting {
    // A setting the user chooses (saved, compared and restored); a value the
    // meter keeps itself (saved and compared for the record, never written);
    // a figure derived from other settings (shown, never saved).
    enum class Role { Restored, MeterOwn, Derived };

    // The command groups that write settings, in the order a restore sends
    // them: the setup dialog's pages in turn. Settings sharing a group go out
    // in one command (the pipe record, the relay record, the range code).
    enum class Writer {
        None,
        Pipe,
        Damping,
        LowFlowCutoff,
        SiteCalibration,
        RemoteZero,
        MeterDisplay,
        SignalStrengthCutoff,
        SignalQualityCutoff,
        RangeCode,
        Overrides,
        XqMode,
        TransmitPower,
        OutputRange,
        Relays,
        PowerMonitorRelay,
        TotalizerEnabled,
        TotalizerUnits,
        TotalizerMultiplier,
        TotalizerRelay,
        DisplayOptions,
        Contrast,
        Logging,
        LogRate,
    };

    // The reads a value needs beyond the three configuration records.
    enum class Source { Config, Output, Totals, Clock, Service, Identity };

    QString name;
    QString section;
    int models = 0; // bit n for unit type n
    Role role = Role::Restored;
    Writer writer = Writer::None;
    Source source = Source::Config;
    // A choice's items by the index the meter uses; empty for a number.
    QStringList choices;
    // The items a model offers (the first n); null when every model offers all.
    std::function<int(int unitType)> choiceCount;
    // A number's valid values for a meter; null for a choice or a value
    // that is never written.
    std::function<std::pair<double, double>(const MeterSettings&)> limits;
    // A whole number (an integer field), compared exactly; otherwise the
    // meter keeps it as a single and it is compared as one.
    bool whole = false;
    // The unit of the value in the settings file; empty for none.
    QString unit;
    // The unit shown beside the value where it depends on other settings
    // (the pipe unit, the flow units); null: unit.
    std::function<QString(const MeterSettings&)> shownUnit;
    // A remark the report adds.
    QString note;
    // What writing it does besides, said before a restore writes it.
    QString restoreNote;

    // The value: a number, or a choice's index.
    std::function<double(const MeterSettings&)> get;
    // Puts a value into a meter's settings; null for values never written.
    std::function<void(MeterSettings&, double)> set;
    // The value as the setup dialog shows it; null: the choice's item, or
    // the number as it stands.
    std::function<QString(const MeterSettings&)> format;

    bool isChoice() const { return !choices.isEmpty(); }
    bool hasModel(int unitType) const { return unitType > 0 && (models >> unitType) & 1; }
    // The settings this meter's reads carry (a report made without the extra
    // reads lacks the output record, the totalizer and so on).
    bool readIn(const MeterSettings& s) const;
    int itemsFor(int unitType) const;
    QString text(const MeterSettings& s) const;
    // A choice's item as a settings file holds it (never a shown remark).
    QString itemText(const MeterSettings& s) const;
    QString unitText(const MeterSettings& s) const;
    // The index of a choice's item, or -1 when this model does not offer it.
    int indexOf(const QString& item, int unitType) const;
};

// One command of a restore, in the shape the setup dialog sends it.
struct SettingCommand {
    QByteArray command;
    SettingShape shape;
    bool operator==(const SettingCommand&) const = default;
};

namespace SettingsCatalogue {

// Bits of Setting::models.
constexpr int KR3 = 1 << 3, KR4 = 1 << 4, KR5 = 1 << 5, AllModels = KR3 | KR4 | KR5;

const QList<Setting>& all();
// The setting of that name, or null.
const Setting* find(const QString& name);
// The settings a model has, in the catalogue's order.
QList<const Setting*> forModel(int unitType);
// The titles of the sections, in their order.
QStringList sections();

// The commands that write a writer's settings as s holds them, in order.
QList<SettingCommand> commands(Setting::Writer writer, const MeterSettings& s);

// The unit beside a value the meter alone defines.
inline const QString MetersUnit = QStringLiteral("(meter's own)");

// Items of the setup dialog's lists, by the index the meter sends.
const QStringList& pipeUnits();
const QStringList& wallMaterials();
const QStringList& flowUnits();
const QStringList& timebases();
const QStringList& totalizerUnits();
const QStringList& multipliers();
const QStringList& relayMultipliers();
const QStringList& ranges();
const QStringList& overrides();
const QStringList& updateTimes();
const QStringList& logRates();
// The items of the flow unit and totalizer unit lists a model offers.
int flowUnitCount(int unitType);
int totalizerUnitCount(int unitType);
// Relays a model has: the KR4 four, the KR5 relay 1, the KR3 none.
int relayCount(int unitType);
// The contrast's upper end: 15 on the KR5, 100 otherwise.
int contrastMax(int unitType);

} // namespace SettingsCatalogue
