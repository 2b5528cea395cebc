#include "SettingsRestore.h"

#include "MiscCommands.h"

#include "link/MeterLink.h"
#include "link/SettingExchange.h"

#include <QSet>

#include <algorithm>
#include <cmath>

using Writer = Setting::Writer;
using Role = Setting::Role;

namespace {

// The file's value of a restorable setting, as the catalogue holds values
// (a number, or a choice's index); nothing with why when it does not read.
std::optional<double> fileValue(const Setting& s, const SettingsFileData::Entry& e, int unitType,
                                QString* why) {
    if (s.isChoice()) {
        const int index = e.value.isString() ? s.indexOf(e.value.toString(), unitType) : -1;
        if (index < 0) {
            QStringList offered = s.choices.mid(0, s.itemsFor(unitType));
            *why = QStringLiteral("%1: \"%2\" is not one of %3")
                       .arg(s.name, e.value.toVariant().toString(),
                            offered.join(QStringLiteral(", ")));
            return std::nullopt;
        }
        return index;
    }
    if (!e.value.isDouble() || !std::isfinite(e.value.toDouble())) {
        *why = QStringLiteral("%1: \"%2\" is not a number")
                   .arg(s.name, e.value.toVariant().toString());
        return std::nullopt;
    }
    if (!s.unit.isEmpty() && e.unit != s.unit) {
        *why = QStringLiteral("%1: the value is in \"%2\", not in %3").arg(s.name, e.unit, s.unit);
        return std::nullopt;
    }
    const double v = e.value.toDouble();
    if (s.whole && v != std::floor(v)) {
        *why = QStringLiteral("%1: %2 is not a whole number").arg(s.name).arg(v);
        return std::nullopt;
    }
    return v;
}

// The meter keeps numbers as singles or integers: equal as it keeps them.
bool sameValue(const Setting& s, double a, double b) {
    if (s.isChoice() || s.whole)
        return std::llround(a) == std::llround(b);
    return float(a) == float(b);
}

QString figure(double v) {
    return QString::number(v, 'g', 7);
}

} // namespace

QStringList SettingsPlan::writtenNames() const {
    QStringList out;
    for (const Step& s : steps)
        out << s.names;
    return out;
}

SettingsPlan SettingsRestore::plan(const MeterSettings& meter, const SettingsFileData& file) {
    SettingsPlan p;
    p.target = meter;
    if (file.model != meter.model()) {
        p.refusal = QStringLiteral("The file was made for a %1; this meter is a %2. Nothing "
                                   "was written.")
                        .arg(file.model, meter.model());
        return p;
    }
    const QList<const Setting*> settings = SettingsCatalogue::forModel(meter.unitType);
    QSet<QString> known;
    for (const Setting* s : settings)
        known.insert(s->name);

    // The file's values, read and checked one by one; the meter's own values
    // are compared as text.
    QList<QPair<const Setting*, double>> values;
    QStringList problems;
    QSet<Writer> changed;
    for (const Setting* s : settings) {
        if (s->role == Role::Derived)
            continue;
        if (s->role == Role::MeterOwn) {
            const SettingsFileData::Entry* e = file.own(s->name);
            if (e && s->readIn(meter) && e->value.toVariant().toString() != s->text(meter))
                p.meterOwn.append(
                    {s, e->value.toVariant().toString(), s->text(meter), s->unitText(meter)});
            continue;
        }
        const SettingsFileData::Entry* e = file.setting(s->name);
        if (!e) {
            p.skipped << QStringLiteral("%1: not in the file").arg(s->name);
            continue;
        }
        if (!s->readIn(meter)) {
            p.skipped << QStringLiteral("%1: not read from the meter").arg(s->name);
            continue;
        }
        QString why;
        const std::optional<double> v = fileValue(*s, *e, meter.unitType, &why);
        if (!v) {
            problems << why;
            continue;
        }
        values.append({s, *v});
        if (!sameValue(*s, *v, s->get(meter)))
            changed.insert(s->writer);
    }
    for (const SettingsFileData::Entry& e : file.settings)
        if (!known.contains(e.name))
            p.skipped << QStringLiteral("%1: this meter has no such setting").arg(e.name);
    if (!problems.isEmpty()) {
        p.refusal = QStringLiteral("The file holds values this meter cannot take, so nothing "
                                   "was written:\n") +
                    problems.join(u'\n');
        return p;
    }

    // A group that changes takes every one of its values from the file, in
    // the catalogue's order (a relay's sense before its thresholds), so the
    // command carries the file's settings whole.
    for (const auto& [s, v] : values)
        if (changed.contains(s->writer))
            s->set(p.target, v);
    for (const auto& [s, v] : values) {
        if (!changed.contains(s->writer))
            continue;
        if (!s->isChoice() && s->limits) {
            const auto [low, high] = s->limits(p.target);
            if (v < low || v > high) {
                const QString unit = s->unitText(p.target);
                problems << QStringLiteral("%1: %2 %3 is outside %4 to %5 %3")
                                .arg(s->name, figure(v), unit, figure(low), figure(high))
                                .replace(QStringLiteral("  "), QStringLiteral(" "));
            }
        }
        if (!sameValue(*s, v, s->get(meter)))
            p.differences.append({s, s->isChoice() ? s->itemText(p.target) : s->text(p.target),
                                  s->isChoice() ? s->itemText(meter) : s->text(meter),
                                  s->unitText(p.target)});
    }
    // The meter's display never shows the rate line alone.
    if (changed.contains(Writer::DisplayOptions) &&
        (p.target.config.SysConfig.DisplayMask & 0xe) == 0)
        problems << QStringLiteral("Time and Date: must be Yes while Display Totalizer and SS/SQ "
                                   "are both No");
    if (!problems.isEmpty()) {
        p.refusal = QStringLiteral("The file holds values this meter cannot take, so nothing "
                                   "was written:\n") +
                    problems.join(u'\n');
        p.differences.clear();
        return p;
    }

    // The steps, in the order of the writers.
    QList<Writer> order;
    for (const Setting* s : settings)
        if (changed.contains(s->writer) && !order.contains(s->writer))
            order << s->writer;
    std::sort(order.begin(), order.end());
    for (const Writer w : order) {
        SettingsPlan::Step step;
        step.writer = w;
        for (const SettingsPlan::Difference& d : p.differences) {
            if (d.setting->writer != w)
                continue;
            step.names << d.setting->name;
            const QString& note = d.setting->restoreNote;
            if (!note.isEmpty() && !step.notes.contains(note))
                step.notes << note;
        }
        step.commands = SettingsCatalogue::commands(w, p.target);
        if (!step.names.isEmpty())
            p.steps << step;
    }
    return p;
}

SettingsRestore::Result SettingsRestore::run(MeterLink& link, const SettingsPlan& plan,
                                             const SettingsFileData& file, const Reader& read,
                                             const Progress& progress) {
    Result r;
    if (!plan.refusal.isEmpty()) {
        r.message = plan.refusal;
        return r;
    }
    const int total = int(plan.steps.size());
    for (int i = 0; i < total; ++i) {
        const SettingsPlan::Step& step = plan.steps.at(i);
        const QString names = step.names.join(QStringLiteral(", "));
        if (progress)
            progress(i, total, names);
        for (const SettingCommand& c : step.commands) {
            const SettingExchange::Result sent = SettingExchange::send(link, c.command, c.shape);
            if (!sent.acknowledged) {
                r.failedSetting = names;
                r.message =
                    sent.sends == 0
                        ? QStringLiteral("%1 could not be sent (the port is closed), so the "
                                         "restore stopped there.")
                              .arg(names)
                        : QStringLiteral("The meter did not confirm %1 (%2), so the restore "
                                         "stopped there.")
                              .arg(names, MeterLink::commandForUser(c.command));
                r.message += r.written.isEmpty()
                                 ? QStringLiteral(" Nothing had been written before it.")
                                 : QStringLiteral(" Already written: %1.")
                                       .arg(r.written.join(QStringLiteral(", ")));
                return r;
            }
        }
        r.written << step.names;
    }
    if (progress)
        progress(total, total, {});
    QString why;
    const std::optional<MeterSettings> now = read(&why);
    if (!now) {
        r.message = QStringLiteral("Every setting was confirmed, but the settings could not be "
                                   "read again to check them: %1.")
                        .arg(why);
        return r;
    }
    r.after = SettingsRestore::plan(*now, file);
    r.matches = r.after.refusal.isEmpty() && r.after.equal();
    if (!r.matches) {
        QStringList names;
        for (const SettingsPlan::Difference& d : r.after.differences)
            names << d.setting->name;
        r.message = r.after.refusal.isEmpty()
                        ? QStringLiteral("Every setting was confirmed, but the meter still "
                                         "differs from the file in: %1.")
                              .arg(names.join(QStringLiteral(", ")))
                        : r.after.refusal;
    }
    return r;
}

QStringList SettingsRestore::describe(const SettingsPlan& p) {
    QStringList out;
    for (const SettingsPlan::Step& step : p.steps) {
        for (const QString& name : step.names) {
            for (const SettingsPlan::Difference& d : p.differences) {
                if (d.setting->name != name)
                    continue;
                out << QStringLiteral("%1: %2 -> %3%4")
                           .arg(name, d.meterText, d.fileText,
                                d.unit.isEmpty() ? QString() : u' ' + d.unit);
            }
        }
        if (!step.notes.isEmpty())
            out.last() += QStringLiteral(" (%1)").arg(step.notes.join(QStringLiteral(", ")));
    }
    return out;
}
