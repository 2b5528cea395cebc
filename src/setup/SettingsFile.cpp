#include "SettingsFile.h"

#include "SettingsCatalogue.h"

#include "shared/SavedFile.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace {

// A settings file holds some fifty short entries, a few kilobytes; anything
// far larger is not one and is not read into memory whole.
constexpr qint64 MaximumFileBytes = 1 << 20;

QJsonObject entry(const QString& name, const QJsonValue& value, const QString& unit,
                  const QString& shown) {
    QJsonObject o;
    o["name"] = name;
    o["value"] = value;
    if (!unit.isEmpty())
        o["unit"] = unit;
    if (!shown.isEmpty())
        o["shown"] = shown;
    return o;
}

bool readEntries(const QJsonValue& value, QList<SettingsFileData::Entry>& out, QString* why) {
    if (!value.isArray()) {
        *why = QStringLiteral("its settings are not a list");
        return false;
    }
    for (const QJsonValue& item : value.toArray()) {
        const QJsonObject o = item.toObject();
        if (!item.isObject() || !o.value("name").isString() ||
            !(o.value("value").isDouble() || o.value("value").isString())) {
            *why = QStringLiteral("an entry has no name or no value");
            return false;
        }
        out.append({o.value("name").toString(), o.value("value"), o.value("unit").toString()});
    }
    return true;
}

const SettingsFileData::Entry* findEntry(const QList<SettingsFileData::Entry>& list,
                                         const QString& name) {
    for (const SettingsFileData::Entry& e : list)
        if (e.name == name)
            return &e;
    return nullptr;
}

} // namespace

const SettingsFileData::Entry* SettingsFileData::setting(const QString& name) const {
    return findEntry(settings, name);
}

const SettingsFileData::Entry* SettingsFileData::own(const QString& name) const {
    return findEntry(meterOwn, name);
}

double SettingsFile::fileNumber(double value, bool whole) {
    if (whole || !std::isfinite(value))
        return value;
    const float single = float(value);
    for (int digits = 6; digits < 9; ++digits) {
        const double shorter = QString::number(double(single), 'g', digits).toDouble();
        if (float(shorter) == single)
            return shorter;
    }
    return double(single);
}

QByteArray SettingsFile::toJson(const MeterSettings& meter, const QDateTime& savedAt,
                                const QString& savedBy) {
    QJsonObject root;
    root["format"] = FormatName;
    root["layout"] = Layout;
    root["savedAt"] = savedAt.toUTC().toString(Qt::ISODate);
    root["savedBy"] = savedBy;
    QJsonObject m;
    m["model"] = meter.model();
    m["firmware"] = meter.version;
    m["serialNumber"] = meter.serial;
    root["meter"] = m;
    QJsonArray settings, own;
    for (const Setting* s : SettingsCatalogue::forModel(meter.unitType)) {
        if (s->role == Setting::Role::Derived || !s->readIn(meter))
            continue;
        const QString shown = (s->text(meter) + u' ' + s->unitText(meter)).trimmed();
        if (s->role == Setting::Role::MeterOwn) {
            own.append(entry(s->name, s->text(meter), s->unitText(meter), {}));
        } else if (s->isChoice()) {
            settings.append(entry(s->name, s->itemText(meter), s->unitText(meter), {}));
        } else {
            // The shown form is for the reader: it is never read back.
            // A unit that follows other settings (the flow units) is
            // recorded as it was; the shown form is for the reader alone.
            const QString unit = s->unit.isEmpty() ? s->unitText(meter) : s->unit;
            settings.append(entry(s->name, fileNumber(s->get(meter), s->whole), unit,
                                  unit == s->unitText(meter) ? QString() : shown));
        }
    }
    root["settings"] = settings;
    root["meterOwn"] = own;
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

bool SettingsFile::save(const QString& path, const MeterSettings& meter, const QDateTime& savedAt,
                        const QString& savedBy, QString* error) {
    return SavedFile::write(path, toJson(meter, savedAt, savedBy), error);
}

std::optional<SettingsFileData> SettingsFile::parse(const QByteArray& bytes, QString* why) {
    QString local;
    QString& reason = why ? *why : local;
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (doc.isNull()) {
        reason = QStringLiteral("the file is damaged: %1 at character %2")
                     .arg(error.errorString())
                     .arg(error.offset);
        return std::nullopt;
    }
    const QJsonObject root = doc.object();
    if (!doc.isObject() || root.value("format").toString() != QLatin1String(FormatName)) {
        reason = QStringLiteral("the file is not a Corvane meter settings file");
        return std::nullopt;
    }
    SettingsFileData d;
    const QJsonValue layout = root.value("layout");
    d.layout = layout.toInt(0);
    if (!layout.isDouble() || d.layout < 1 || layout.toDouble() != d.layout) {
        reason = QStringLiteral("the file's layout number is missing or not a whole number");
        return std::nullopt;
    }
    if (d.layout > Layout) {
        reason = QStringLiteral("the file has layout %1, newer than this version of Corvane "
                                "reads (layout %2); use a newer Corvane")
                     .arg(d.layout)
                     .arg(Layout);
        return std::nullopt;
    }
    const QJsonObject meter = root.value("meter").toObject();
    d.model = meter.value("model").toString();
    d.firmware = meter.value("firmware").toString();
    d.serialNumber = meter.value("serialNumber").toString();
    d.savedAt = QDateTime::fromString(root.value("savedAt").toString(), Qt::ISODate);
    d.savedBy = root.value("savedBy").toString();
    if (d.model.isEmpty()) {
        reason = QStringLiteral("the file does not say which meter model it was made for");
        return std::nullopt;
    }
    QString entries;
    if (!readEntries(root.value("settings"), d.settings, &entries) ||
        !readEntries(root.value("meterOwn"), d.meterOwn, &entries)) {
        reason = QStringLiteral("the file is damaged: %1").arg(entries);
        return std::nullopt;
    }
    return d;
}

std::optional<SettingsFileData> SettingsFile::load(const QString& path, QString* why) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (why)
            *why = file.errorString();
        return std::nullopt;
    }
    if (file.size() > MaximumFileBytes) {
        if (why)
            *why = QStringLiteral("the file is far too large to be a settings file");
        return std::nullopt;
    }
    std::optional<SettingsFileData> d = parse(file.readAll(), why);
    if (d)
        d->fileName = QFileInfo(path).fileName();
    return d;
}
