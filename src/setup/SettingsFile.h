#pragma once

#include "MeterSettings.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonValue>
#include <QList>
#include <QString>

#include <optional>

// A meter's settings as a readable, diffable JSON text: the meter it was
// read from, when and by which Corvane, every setting by its catalogue name
// with its value and unit, and the meter's own values for the record.
struct SettingsFileData {
    struct Entry {
        QString name;
        QJsonValue value; // a number, or a choice's item as text
        QString unit;
    };
    int layout = 0;
    QString model; // "Velmar KR5"
    QString firmware;
    QString serialNumber;
    QDateTime savedAt;
    QString savedBy;
    QString fileName; // the file it was read from, without its folder
    QList<Entry> settings;
    QList<Entry> meterOwn;

    const Entry* setting(const QString& name) const;
    const Entry* own(const QString& name) const;
};

class SettingsFile {
public:
    // The format's name in every file, and the layout this version writes
    // and reads; a file of a later layout is refused, never half read.
    static constexpr const char* FormatName = "Corvane meter settings";
    static constexpr int Layout = 1;

    static QByteArray toJson(const MeterSettings& meter, const QDateTime& savedAt,
                             const QString& savedBy);
    // Written in one step (a failed save leaves the old file as it was).
    static bool save(const QString& path, const MeterSettings& meter, const QDateTime& savedAt,
                     const QString& savedBy, QString* error);

    // The file's contents, or nothing with why in *why: damaged (not JSON),
    // not a settings file, or of a newer layout.
    static std::optional<SettingsFileData> parse(const QByteArray& bytes, QString* why);
    static std::optional<SettingsFileData> load(const QString& path, QString* why);

    // A number as the file holds it: the shortest decimal that reads back as
    // the same single the meter keeps.
    static double fileNumber(double value, bool whole);
};
