#include "CliSettings.h"

#include "monitor/MeterSettingsReader.h"
#include "setup/SettingsCatalogue.h"
#include "setup/SettingsRestore.h"

#include <QDateTime>

#include <cstdio>

namespace {

// The exit statuses corvane-cli shares.
constexpr int Success = 0;
constexpr int Failure = 1;
constexpr int Usage = 2;

void out(const QString& line) {
    std::fputs(qPrintable(line + u'\n'), stdout);
}

int failed(const QString& why) {
    std::fprintf(stderr, "corvane-cli: %s\n", qPrintable(why));
    return Failure;
}

std::optional<MeterSettings> readMeter(MeterLink& link) {
    QString why;
    std::optional<MeterSettings> s = MeterSettingsReader::read(link, &why);
    if (!s)
        failed(why);
    return s;
}

QString valueWithUnit(const QString& value, const QString& unit) {
    return unit.isEmpty() ? value : value + u' ' + unit;
}

QString versionText() {
    return QStringLiteral("Corvane %1").arg(QStringLiteral(CORVANE_VERSION));
}

} // namespace

std::optional<SettingsFileData> CliSettings::loadFile(const CliOptions& o) {
    QString why;
    std::optional<SettingsFileData> file = SettingsFile::load(o.input, &why);
    if (!file)
        std::fprintf(stderr, "corvane-cli: cannot use %s: %s\n", qPrintable(o.input),
                     qPrintable(why));
    return file;
}

int CliSettings::config(MeterLink& link) {
    const std::optional<MeterSettings> s = readMeter(link);
    if (!s)
        return Failure;
    QString section;
    for (const Setting* setting : SettingsCatalogue::forModel(s->unitType)) {
        if (!setting->readIn(*s))
            continue;
        if (setting->section != section) {
            if (!section.isEmpty())
                out({});
            section = setting->section;
            out(u'[' + section + u']');
        }
        out(setting->name + QStringLiteral(" = ") +
            valueWithUnit(setting->text(*s), setting->unitText(*s)));
    }
    return Success;
}

int CliSettings::save(MeterLink& link, const CliOptions& o) {
    const std::optional<MeterSettings> s = readMeter(link);
    if (!s)
        return Failure;
    QString error;
    if (!SettingsFile::save(o.output, *s, QDateTime::currentDateTimeUtc(), versionText(), &error))
        return failed(QStringLiteral("cannot write %1: %2").arg(o.output, error));
    return Success;
}

namespace {

// The meter's settings read and set against file; nothing, with the exit
// status in *status, when the meter failed or the file is refused.
std::optional<SettingsPlan> planFor(MeterLink& link, const SettingsFileData& file, int* status) {
    const std::optional<MeterSettings> s = readMeter(link);
    if (!s) {
        *status = Failure;
        return std::nullopt;
    }
    SettingsPlan plan = SettingsRestore::plan(*s, file);
    if (!plan.refusal.isEmpty()) {
        std::fprintf(stderr, "corvane-cli: %s\n", qPrintable(plan.refusal));
        *status = Usage;
        return std::nullopt;
    }
    return plan;
}

} // namespace

int CliSettings::compare(MeterLink& link, const SettingsFileData& file) {
    int status = Success;
    const std::optional<SettingsPlan> found = planFor(link, file, &status);
    if (!found)
        return status;
    const SettingsPlan& plan = *found;
    for (const SettingsPlan::Difference& d : plan.differences)
        out(QStringLiteral("%1\tfile: %2\tmeter: %3")
                .arg(d.setting->name, valueWithUnit(d.fileText, d.unit),
                     valueWithUnit(d.meterText, d.unit)));
    for (const SettingsPlan::Difference& d : plan.meterOwn)
        out(QStringLiteral("%1\tfile: %2\tmeter: %3\t(the meter's own value, never restored)")
                .arg(d.setting->name, valueWithUnit(d.fileText, d.unit),
                     valueWithUnit(d.meterText, d.unit)));
    for (const QString& skipped : plan.skipped)
        out(QStringLiteral("skipped\t") + skipped);
    return plan.equal() ? Success : Differs;
}

int CliSettings::restore(MeterLink& link, const SettingsFileData& file, const CliOptions& o) {
    int status = Success;
    const std::optional<SettingsPlan> found = planFor(link, file, &status);
    if (!found)
        return status;
    const SettingsPlan& plan = *found;
    for (const QString& skipped : plan.skipped)
        out(QStringLiteral("skipped\t") + skipped);
    if (plan.equal()) {
        out(QStringLiteral("the meter already holds the file's settings; nothing to write"));
        return Success;
    }
    const QStringList writes = SettingsRestore::describe(plan);
    for (const QString& line : writes)
        out((o.yes ? QStringLiteral("write\t") : QStringLiteral("would write\t")) + line);
    if (!o.yes) {
        out(QStringLiteral("nothing was written; add --yes to write these %1 settings")
                .arg(writes.size()));
        return Differs;
    }
    const SettingsRestore::Result r = SettingsRestore::run(
        link, plan, file, [&link](QString* why) { return MeterSettingsReader::read(link, why); });
    if (!r.matches)
        return failed(r.message);
    out(QStringLiteral("restored %1 settings; the meter now matches the file")
            .arg(r.written.size()));
    return Success;
}
