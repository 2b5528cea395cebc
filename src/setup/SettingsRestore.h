#pragma once

#include "SettingsCatalogue.h"
#include "SettingsFile.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class MeterLink;

// A settings file against the meter: what differs, and what a restore
// would write. Worked out from the meter's fresh settings and the file
// alone, before anything is sent.
struct SettingsPlan {
    struct Difference {
        const Setting* setting = nullptr;
        QString fileText;  // the file's value, as the setup dialog shows it
        QString meterText; // the meter's
        QString unit;
    };
    // One group of writes: the settings it carries and their commands.
    struct Step {
        Setting::Writer writer = Setting::Writer::None;
        QStringList names;
        QStringList notes;
        QList<SettingCommand> commands;
    };

    // Why nothing may be written (another model, a value outside its valid
    // values); empty when the file can be restored.
    QString refusal;
    QList<Difference> differences; // restorable settings
    QList<Difference> meterOwn;    // the meter's own values, never written
    QStringList skipped;           // "name: why"
    QList<Step> steps;             // in the order they are sent
    // The meter's settings as they will be once every step is taken.
    MeterSettings target;

    bool equal() const { return differences.isEmpty(); }
    QStringList writtenNames() const;
};

class SettingsRestore {
public:
    static SettingsPlan plan(const MeterSettings& meter, const SettingsFileData& file);

    struct Result {
        bool matches = false;  // the meter now holds the file's settings
        QStringList written;   // settings the meter confirmed, in order
        QString failedSetting; // the setting the meter refused; empty if none
        QString message;       // what went wrong, in plain words
        SettingsPlan after;    // the compare made after the writes
    };
    using Reader = std::function<std::optional<MeterSettings>(QString* why)>;
    using Progress = std::function<void(int done, int total, const QString& name)>;

    // Sends plan's steps in order, each confirmed by the meter, by whoever
    // holds the line; stops at the first one refused or never confirmed.
    // Then reads the settings again with read and compares them with file.
    static Result run(MeterLink& link, const SettingsPlan& plan, const SettingsFileData& file,
                      const Reader& read, const Progress& progress = {});

    // The lines a restore prints or lists before it writes anything.
    static QStringList describe(const SettingsPlan& plan);
};
