#include "SettingsCatalogue.h"

#include "MiscCommands.h"
#include "OutputCommands.h"
#include "SetupCommands.h"

#include "link/DisplayFormat.h"
#include "shared/DatalogRecord.h"
#include "shared/UnitTables.h"

#include <type_traits>

using SettingsCatalogue::AllModels;
using SettingsCatalogue::KR3;
using SettingsCatalogue::KR4;
using SettingsCatalogue::KR5;
using Role = Setting::Role;
using Source = Setting::Source;
using Writer = Setting::Writer;

namespace {

// A number as the setup dialog's pattern shows it, without the pattern's
// padding.
QString shown(double value, const char* pattern) {
    return FormatNumber(value, QString::fromLatin1(pattern)).trimmed();
}

const QStringList NoYes = {"No", "Yes"};
const QStringList OffOn = {"Off", "On"};

// Putting the flow units in again recomputes the flow factor; an index the
// unit tables lack leaves the factor as it was (such a value is refused
// before anything is written).
void deriveUnits(MeterSettings& s) {
    try {
        s.config.deriveFlowUnits();
    } catch (const UnitTables::IndexError&) {
    }
}

std::pair<double, double> range(double low, double high) {
    return {low, high};
}

// The largest flow a flow setting may hold: the meter's largest range.
double highestFlow(const MeterSettings& s) {
    return double(float(SetupCommands::MaximumVelocity * s.config.FlowPerVelocity));
}

QString flowUnit(const MeterSettings& s) {
    return s.config.FlowUnitLabel;
}

// A yes/no or off/on choice held in an integer field (any non-zero is the
// second item).
template <typename Field>
Setting flag(QString name, QString section, int models, Writer writer, QStringList items,
             Field field) {
    Setting t;
    t.name = std::move(name);
    t.section = std::move(section);
    t.models = models;
    t.writer = writer;
    t.choices = std::move(items);
    t.get = [field](const MeterSettings& s) { return field(s) != 0 ? 1.0 : 0.0; };
    t.set = [field](MeterSettings& s, double v) { field(s) = v != 0 ? 1 : 0; };
    return t;
}

// A list whose index the meter holds in a field.
template <typename Field>
Setting list(QString name, QString section, int models, Writer writer, QStringList items,
             Field field) {
    Setting t = flag(std::move(name), std::move(section), models, writer, std::move(items), field);
    t.get = [field](const MeterSettings& s) { return double(field(s)); };
    t.set = [field](MeterSettings& s, double v) {
        using Value = std::remove_reference_t<decltype(field(s))>;
        field(s) = Value(v);
    };
    return t;
}

// A value the meter keeps itself, shown as text.
Setting own(QString name, QString section, int models, Source source,
            std::function<QString(const MeterSettings&)> format, QString unit = {}) {
    Setting t;
    t.name = std::move(name);
    t.section = std::move(section);
    t.models = models;
    t.role = Role::MeterOwn;
    t.source = source;
    t.unit = std::move(unit);
    t.format = std::move(format);
    return t;
}

QList<Setting> build() {
    using namespace SettingsCatalogue;
    QList<Setting> c;
    const QString pipe = QStringLiteral("Pipe and flow units");
    const QString limits = QStringLiteral("Limits and cut-offs");
    const QString learning = QStringLiteral("Learning and range");
    const QString output = QStringLiteral("4-20 mA output");
    const QString relays = QStringLiteral("Relays");
    const QString totalizer = QStringLiteral("Totalizer");
    const QString display = QStringLiteral("Display");
    const QString logging = QStringLiteral("Logging");
    const QString counters = QStringLiteral("Service counters");
    const QString meter = QStringLiteral("Meter");

    // Pipe and flow units: one "PD,1," record.
    {
        Setting t;
        t.name = "Pipe Inside Diameter";
        t.section = pipe;
        t.models = AllModels;
        t.writer = Writer::Pipe;
        t.unit = "ft";
        t.limits = [](const MeterSettings&) {
            return range(SetupCommands::MinimumDiameterIn / 12,
                         SetupCommands::MaximumDiameterIn / 12);
        };
        t.get = [](const MeterSettings& s) {
            return double(s.config.ChanConfig.PipeInsideDiameter);
        };
        t.set = [](MeterSettings& s, double v) {
            s.config.ChanConfig.PipeInsideDiameter = float(v);
            deriveUnits(s);
        };
        // Shown in the pipe unit, as the pipe frame shows it.
        t.format = [](const MeterSettings& s) {
            const double ft = s.config.ChanConfig.PipeInsideDiameter;
            return s.config.ChanConfig.PipeSizeUnit == 1 ? shown(ft * 304.8, "     ##0.0#")
                                                         : shown(ft * 12.0, "     ##0.000#");
        };
        t.shownUnit = [](const MeterSettings& s) {
            return s.config.ChanConfig.PipeSizeUnit == 1 ? QStringLiteral("mm")
                                                         : QStringLiteral("in");
        };
        c << t;
    }
    c << list(
        "Pipe Units", pipe, AllModels, Writer::Pipe, pipeUnits(),
        [](auto& s) -> auto& { return s.config.ChanConfig.PipeSizeUnit; });
    c << list(
        "Pipe Wall Material", pipe, AllModels, Writer::Pipe, wallMaterials(),
        [](auto& s) -> auto& { return s.config.LrnConfig.PipeRoughness; });
    {
        Setting t = list(
            "Flow Rate Units", pipe, AllModels, Writer::Pipe, flowUnits(),
            [](auto& s) -> auto& { return s.config.ChanConfig.FlowVolumeUnitIndex; });
        t.choiceCount = &flowUnitCount;
        t.set = [](MeterSettings& s, double v) {
            s.config.ChanConfig.FlowVolumeUnitIndex = quint8(v);
            deriveUnits(s);
        };
        c << t;
    }
    {
        Setting t = list(
            "Timebase", pipe, AllModels, Writer::Pipe, timebases(),
            [](auto& s) -> auto& { return s.config.ChanConfig.FlowTimeUnitIndex; });
        t.set = [](MeterSettings& s, double v) {
            s.config.ChanConfig.FlowTimeUnitIndex = quint8(v);
            deriveUnits(s);
        };
        c << t;
    }
    {
        Setting t;
        t.name = "Flow Conv factor";
        t.section = pipe;
        t.models = AllModels;
        t.role = Role::Derived;
        t.get = [](const MeterSettings& s) { return double(s.config.FlowPerVelocity); };
        t.format = [](const MeterSettings& s) {
            return shown(s.config.FlowPerVelocity, "   ###0.0###");
        };
        t.shownUnit = [](const MeterSettings& s) { return s.config.FlowUnitLabel + " per ft/s"; };
        c << t;
    }

    // Limits and cut-offs.
    {
        Setting t;
        t.name = "Damping";
        t.section = limits;
        t.models = AllModels;
        t.writer = Writer::Damping;
        t.whole = true;
        t.limits = [](const MeterSettings&) { return range(0, SetupCommands::MaximumDamping); };
        t.shownUnit = [](const MeterSettings&) { return MetersUnit; };
        t.get = [](const MeterSettings& s) { return double(s.config.ChanConfig.Damping); };
        t.set = [](MeterSettings& s, double v) { s.config.ChanConfig.Damping = qint16(v); };
        c << t;
    }
    {
        Setting t;
        t.name = "Low Flow Cutoff";
        t.section = limits;
        t.models = AllModels;
        t.role = Role::Derived;
        t.get = [](const MeterSettings& s) {
            return double(s.config.ChanConfig.LowFlowCutoffVelocity) * s.config.FlowPerVelocity;
        };
        t.format = [](const MeterSettings& s) {
            return shown(double(s.config.ChanConfig.LowFlowCutoffVelocity) *
                             s.config.FlowPerVelocity,
                         "  ###0.0#");
        };
        t.shownUnit = &flowUnit;
        c << t;
    }
    {
        Setting t;
        t.name = "Low Vel. Cutoff";
        t.section = limits;
        t.models = AllModels;
        t.writer = Writer::LowFlowCutoff;
        t.unit = "ft/s";
        t.limits = [](const MeterSettings&) {
            return range(double(SetupCommands::MinimumCutoff), SetupCommands::MaximumVelocity);
        };
        t.get = [](const MeterSettings& s) {
            return double(s.config.ChanConfig.LowFlowCutoffVelocity);
        };
        t.set = [](MeterSettings& s, double v) {
            s.config.ChanConfig.LowFlowCutoffVelocity = float(v);
        };
        t.format = [](const MeterSettings& s) {
            return shown(s.config.ChanConfig.LowFlowCutoffVelocity, "  ##0.0##");
        };
        c << t;
    }
    {
        Setting t;
        t.name = "Site Cal.";
        t.section = limits;
        t.models = AllModels;
        t.writer = Writer::SiteCalibration;
        t.note = "factor";
        t.limits = [](const MeterSettings&) {
            return range(SetupCommands::MinimumSiteCalibration,
                         SetupCommands::MaximumSiteCalibration);
        };
        t.get = [](const MeterSettings& s) {
            return double(s.config.ChanConfig.SiteCalibrationFactor);
        };
        t.set = [](MeterSettings& s, double v) {
            s.config.ChanConfig.SiteCalibrationFactor = float(v);
        };
        t.format = [](const MeterSettings& s) {
            return shown(s.config.ChanConfig.SiteCalibrationFactor, " ##0.0## ");
        };
        c << t;
    }
    // The KR3 has no remote zero input.
    c << flag(
        "Remote Zero", limits, KR4 | KR5, Writer::RemoteZero, OffOn,
        [](auto& s) -> auto& { return s.config.LrnConfig.RemoteZeroEnabled; });
    c << flag(
        "Meter Display", limits, AllModels, Writer::MeterDisplay, {"Flow", "Vel"},
        [](auto& s) -> auto& { return s.config.LrnConfig.DisplayFlowOrVelocity; });
    for (const bool strength : {true, false}) {
        Setting t;
        t.name = strength ? "Signal Strength Cutoff" : "Signal Quality Cutoff";
        t.section = limits;
        t.models = AllModels;
        t.writer = strength ? Writer::SignalStrengthCutoff : Writer::SignalQualityCutoff;
        t.unit = "%";
        t.limits = [](const MeterSettings&) {
            return range(0, SetupCommands::MaximumSignalCutoff);
        };
        const auto field = [strength](auto& s) -> auto& {
            return strength ? s.config.ChanConfig.SignalStrengthCutoff
                            : s.config.ChanConfig.SignalQualityCutoff;
        };
        t.get = [field](const MeterSettings& s) { return double(field(s)); };
        t.set = [field](MeterSettings& s, double v) { field(s) = float(v); };
        t.format = [field](const MeterSettings& s) { return shown(field(s), "   #0.0##"); };
        c << t;
    }

    // Learning and range: the mode and the range share the range code.
    c << flag(
        "Range Mode", learning, AllModels, Writer::RangeCode, {"Auto", "Man"},
        [](auto& s) -> auto& { return s.config.LrnConfig.RangeModeManual; });
    {
        Setting t;
        t.name = "Range";
        t.section = learning;
        t.models = AllModels;
        t.writer = Writer::RangeCode;
        t.choices = ranges();
        t.shownUnit = [](const MeterSettings&) { return QStringLiteral("ft/s"); };
        t.get = [](const MeterSettings& s) {
            return double((s.config.ChanConfig.RangeCode & 0x7f) - 1);
        };
        t.set = [](MeterSettings& s, double v) {
            s.config.ChanConfig.RangeCode =
                quint8((s.config.ChanConfig.RangeCode & 0x80) | (int(v) + 1));
        };
        c << t;
    }
    {
        Setting t;
        t.name = "Overrides";
        t.section = learning;
        t.models = AllModels;
        t.writer = Writer::Overrides;
        t.choices = overrides();
        t.get = [](const MeterSettings& s) {
            return double(2 * (s.config.LrnConfig.LowFlowCutoffOverride != 0) +
                          (s.config.LrnConfig.ZeroSignalCutoffOverride != 0));
        };
        t.set = [](MeterSettings& s, double v) {
            s.config.LrnConfig.LowFlowCutoffOverride = qint16((int(v) >> 1) & 1);
            s.config.LrnConfig.ZeroSignalCutoffOverride = qint16(int(v) & 1);
        };
        c << t;
    }
    c << flag(
        "7210XQ mode", learning, AllModels, Writer::XqMode, OffOn,
        [](auto& s) -> auto& { return s.config.LrnConfig.ExtendedModeOn; });
    c << flag(
        "Tx Power", learning, AllModels, Writer::TransmitPower, {"Reg", "Hi"},
        [](auto& s) -> auto& { return s.config.SysConfig.TransmitPower; });
    c << own("Scale", learning, AllModels, Source::Config, [](const MeterSettings& s) {
        return shown(s.config.SysConfig.LearnScale, "   ##0.0##");
    });

    // The 4-20 mA output: the range as the channel record holds it (flow)
    // and as the output record does (velocity, what "MA,3," writes).
    for (const bool at20 : {false, true}) {
        Setting t;
        t.name = at20 ? "Flow Rate at 20 mA" : "Flow Rate at 4 mA";
        t.section = output;
        t.models = AllModels;
        t.role = Role::Derived;
        t.get = [at20](const MeterSettings& s) {
            return double(at20 ? s.config.ChanConfig.FlowAt20mA : s.config.ChanConfig.FlowAt4mA);
        };
        t.format = [at20](const MeterSettings& s) {
            return at20 ? shown(s.config.ChanConfig.FlowAt20mA, "  ###0.00#")
                        : shown(s.config.ChanConfig.FlowAt4mA, "  ###0.00##");
        };
        t.shownUnit = &flowUnit;
        c << t;
    }
    for (const bool at20 : {false, true}) {
        Setting t;
        t.name = at20 ? "Velocity at 20 mA" : "Velocity at 4 mA";
        t.section = output;
        t.models = AllModels;
        t.writer = Writer::OutputRange;
        t.source = Source::Output;
        t.unit = "ft/s";
        // Either direction of flow, up to the meter's largest range.
        t.limits = [](const MeterSettings&) {
            return range(-SetupCommands::MaximumVelocity, SetupCommands::MaximumVelocity);
        };
        const auto field = [at20](auto& s) -> auto& {
            return at20 ? s.output->velocity20 : s.output->velocity4;
        };
        t.get = [field](const MeterSettings& s) { return double(field(s)); };
        t.set = [field](MeterSettings& s, double v) { field(s) = float(v); };
        t.format = [field](const MeterSettings& s) { return shown(field(s), "  ##0.0##"); };
        c << t;
    }
    for (const bool at20 : {false, true}) {
        c << own(
            at20 ? "20 mA calibration" : "4 mA calibration", output, AllModels, Source::Config,
            [at20](const MeterSettings& s) {
                return QString::number(at20 ? s.config.ChanConfig.CalibrationAt20mA
                                            : s.config.ChanConfig.CalibrationAt4mA);
            },
            "DAC counts");
    }

    // Relays: one "RY,2," record for all four.
    for (int k = 0; k < 4; ++k) {
        const int models = k == 0 ? KR4 | KR5 : KR4;
        const QString relay = QStringLiteral("Relay %1").arg(k + 1);
        const size_t i = size_t(k);
        c << flag(
            relay + " active", relays, models, Writer::Relays,
            NoYes, [i](auto& s) -> auto& { return s.config.SysConfig.RelayActive[i]; });
        {
            // "On" switches on above the upper threshold and off below the
            // lower; "Off" the other way round.
            Setting t;
            t.name = relay + " Flow > switches";
            t.section = relays;
            t.models = models;
            t.writer = Writer::Relays;
            t.choices = {"Off", "On"};
            t.get = [k](const MeterSettings& s) {
                return OutputCommands::thresholdsOf(s.config.SysConfig, k).onAbove ? 1.0 : 0.0;
            };
            t.set = [k](MeterSettings& s, double v) {
                OutputCommands::setSense(s.config.SysConfig, k, v != 0);
            };
            // A relay none of whose four flags is set switches never: shown
            // as such, though the setup dialog offers "On" for it.
            t.format = [k](const MeterSettings& s) {
                const SystemConfig& r = s.config.SysConfig;
                if (!r.RelayOnAbove[size_t(k)] && !r.RelayOffAbove[size_t(k)] &&
                    !r.RelayOnBelow[size_t(k)] && !r.RelayOffBelow[size_t(k)])
                    return QStringLiteral("not set");
                return OutputCommands::thresholdsOf(r, k).onAbove ? QStringLiteral("On")
                                                                  : QStringLiteral("Off");
            };
            c << t;
        }
        for (const bool above : {true, false}) {
            Setting t;
            t.name = relay + (above ? " Flow >" : " Flow <");
            t.section = relays;
            t.models = models;
            t.writer = Writer::Relays;
            t.shownUnit = &flowUnit;
            t.limits = [](const MeterSettings& s) { return range(0, highestFlow(s)); };
            t.get = [k, above](const MeterSettings& s) {
                const OutputCommands::Thresholds th =
                    OutputCommands::thresholdsOf(s.config.SysConfig, k);
                return double(above ? th.above : th.below);
            };
            t.set = [k, above](MeterSettings& s, double v) {
                OutputCommands::setThreshold(s.config.SysConfig, k, above, float(v));
            };
            t.format = [k, above](const MeterSettings& s) {
                const OutputCommands::Thresholds th =
                    OutputCommands::thresholdsOf(s.config.SysConfig, k);
                return shown(above ? th.above : th.below, "###0.0##");
            };
            c << t;
        }
    }
    {
        // "Yes" hands relay 4 to the power monitor; the record then holds 0.
        Setting t;
        t.name = "Pwr Monitor Rly";
        t.section = relays;
        t.models = KR4;
        t.writer = Writer::PowerMonitorRelay;
        t.choices = {"Yes", "No"};
        t.get = [](const MeterSettings& s) {
            return s.config.SysConfig.PowerMonitorRelay == 1 ? 1.0 : 0.0;
        };
        t.set = [](MeterSettings& s, double v) {
            s.config.SysConfig.PowerMonitorRelay = qint16(v != 0 ? 1 : 0);
        };
        c << t;
    }

    // Totalizer.
    c << flag(
        "Totalizer Enabled", totalizer, AllModels, Writer::TotalizerEnabled, NoYes,
        [](auto& s) -> auto& { return s.config.ChanConfig.TotalizerEnabled; });
    {
        Setting t = list(
            "Totalizer Units", totalizer, AllModels, Writer::TotalizerUnits, totalizerUnits(),
            [](auto& s) -> auto& { return s.config.ChanConfig.TotalizerVolumeUnitIndex; });
        t.choiceCount = &totalizerUnitCount;
        t.restoreNote = "resets the totalizer";
        c << t;
    }
    {
        Setting t = list(
            "Totalizer Multiplier", totalizer, AllModels, Writer::TotalizerMultiplier,
            multipliers(),
            [](auto& s) -> auto& { return s.config.ChanConfig.TotalizerMultiplierIndex; });
        t.restoreNote = "resets the totalizer";
        c << t;
    }
    // Relay 1 gives totalizer pulses (KR5, KR3) or pulses at a multiplier (KR4).
    c << flag(
        "Tot Relay 1", totalizer, KR3 | KR5, Writer::TotalizerRelay, NoYes,
        [](auto& s) -> auto& { return s.config.SysConfig.TotalizerRelay; });
    {
        Setting t = list(
            "Tot. Relay 1.", totalizer, KR4, Writer::TotalizerRelay, relayMultipliers(),
            [](auto& s) -> auto& { return s.config.SysConfig.TotalizerRelay; });
        t.note = "pulse multiplier";
        c << t;
    }
    c << own("Totalizer count", totalizer, AllModels, Source::Totals,
             [](const MeterSettings& s) {
                 return MiscCommands::totalText(s.totals->total, s.totals->multiplier).trimmed();
             },
             {});

    // Display, KR5 only: one mask ("SC,2,") and the contrast.
    const auto maskBit = [&](const char* name, QStringList items, int bit) {
        Setting t;
        t.name = name;
        t.section = display;
        t.models = KR5;
        t.writer = Writer::DisplayOptions;
        t.choices = std::move(items);
        t.get = [bit](const MeterSettings& s) {
            return (quint16(s.config.SysConfig.DisplayMask) >> bit) & 1 ? 1.0 : 0.0;
        };
        t.set = [bit](MeterSettings& s, double v) {
            s.config.SysConfig.DisplayMask = qint16(
                MiscCommands::withOption(quint16(s.config.SysConfig.DisplayMask), bit, v != 0));
        };
        return t;
    };
    c << maskBit("Rate Line 1", {"Flow", "Vel"}, 0);
    c << maskBit("Display Totalizer", NoYes, 1);
    c << maskBit("SS/SQ", NoYes, 2);
    c << maskBit("Time and Date", NoYes, 3);
    {
        Setting t;
        t.name = "Update time";
        t.section = display;
        t.models = KR5;
        t.writer = Writer::DisplayOptions;
        t.choices = updateTimes();
        t.shownUnit = [](const MeterSettings&) { return QStringLiteral("Sec."); };
        t.get = [](const MeterSettings& s) {
            return double((quint16(s.config.SysConfig.DisplayMask) >> 8) & 0xff);
        };
        t.set = [](MeterSettings& s, double v) {
            s.config.SysConfig.DisplayMask = qint16(
                MiscCommands::withUpdateTime(quint16(s.config.SysConfig.DisplayMask), int(v)));
        };
        c << t;
    }
    {
        Setting t;
        t.name = "Contrast";
        t.section = display;
        t.models = AllModels;
        t.writer = Writer::Contrast;
        t.whole = true;
        t.limits = [](const MeterSettings& s) { return range(0, contrastMax(s.unitType)); };
        t.get = [](const MeterSettings& s) { return double(s.config.SysConfig.DisplayContrast); };
        t.set = [](MeterSettings& s, double v) { s.config.SysConfig.DisplayContrast = qint16(v); };
        c << t;
    }

    // Logging.
    c << flag(
        "Logging", logging, AllModels, Writer::Logging, OffOn,
        [](auto& s) -> auto& { return s.config.SysConfig.LoggingOn; });
    {
        Setting t = list(
            "Log Rate", logging, AllModels, Writer::LogRate, logRates(),
            [](auto& s) -> auto& { return s.config.ChanConfig.LoggingRateIndex; });
        t.shownUnit = [](const MeterSettings&) { return MetersUnit; };
        c << t;
    }
    c << own("Current Log", logging, AllModels, Source::Config, [](const MeterSettings& s) {
        return DatalogDirectory::currentLogText(s.config.SysConfig.CurrentDatalogNumber);
    });

    // The meter's own values.
    c << own("Power monitor", counters, KR4 | KR5, Source::Config, [](const MeterSettings& s) {
        const int lost = s.config.LrnConfig.PowerLossCount;
        return lost ? QStringLiteral("Power Lost %1 times").arg(lost)
                    : QStringLiteral("Power Continuous");
    });
    c << own("Exceptions", counters, AllModels, Source::Config, [](const MeterSettings& s) {
        return shown(s.config.LrnConfig.ExceptionCount, "#####0");
    });
    c << own("Last Code", counters, AllModels, Source::Config,
             [](const MeterSettings& s) { return QString::number(s.config.LrnConfig.LastCode); });
    c << own("WatchDog Failures", counters, AllModels, Source::Config, [](const MeterSettings& s) {
        return shown(s.config.LrnConfig.WatchdogFailures, "#####0");
    });
    c << own("Breaks", counters, AllModels, Source::Config,
             [](const MeterSettings& s) { return QString::number(s.config.LrnConfig.Breaks); });
    c << own("Tot Code", counters, AllModels, Source::Service,
             [](const MeterSettings& s) { return QString::number(s.service->totCode); });
    c << own("Serial number", meter, AllModels, Source::Identity,
             [](const MeterSettings& s) { return s.serial; });
    c << own("Meter clock", meter, AllModels, Source::Clock, [](const MeterSettings& s) {
        const MiscCommands::MeterClock& k = *s.clock;
        return QStringLiteral("%1-%2-%3 %4:%5:%6")
            .arg(k.year, 4, 10, QChar('0'))
            .arg(k.month, 2, 10, QChar('0'))
            .arg(k.day, 2, 10, QChar('0'))
            .arg(k.hour, 2, 10, QChar('0'))
            .arg(k.minute, 2, 10, QChar('0'))
            .arg(k.second, 2, 10, QChar('0'));
    });
    return c;
}

SettingCommand untilOk(const QByteArray& command) {
    return {command, SettingShape::untilOk()};
}

// The reply of a plain acknowledgement, "OK".
constexpr int AckLength = 2;
// "LG,1," is given up after this many sends without "OK".
constexpr int LoggingSwitchSends = 6;
// The range code goes out at most twice.
constexpr int RangeCodeSends = 2;

} // namespace

bool Setting::readIn(const MeterSettings& s) const {
    switch (source) {
    case Source::Config:
        return true;
    case Source::Output:
        return s.output.has_value();
    case Source::Totals:
        return s.totals.has_value();
    case Source::Clock:
        return s.clock.has_value();
    case Source::Service:
        return s.service.has_value();
    case Source::Identity:
        return !s.serial.isEmpty();
    }
    return false;
}

int Setting::itemsFor(int unitType) const {
    return choiceCount ? choiceCount(unitType) : int(choices.size());
}

QString Setting::text(const MeterSettings& s) const {
    if (format)
        return format(s);
    const double v = get(s);
    if (isChoice()) {
        const int index = int(v);
        if (index >= 0 && index < itemsFor(s.unitType))
            return choices.at(index);
        // An index outside the list is said as such, never shown as another item.
        return QStringLiteral("index %1 (not offered for this model)").arg(index);
    }
    return whole ? QString::number(qint64(v)) : QString::number(v, 'g', 7);
}

QString Setting::itemText(const MeterSettings& s) const {
    const int index = int(get(s));
    return index >= 0 && index < itemsFor(s.unitType) ? choices.at(index) : text(s);
}

QString Setting::unitText(const MeterSettings& s) const {
    return shownUnit ? shownUnit(s) : unit;
}

int Setting::indexOf(const QString& item, int unitType) const {
    const int index = int(choices.indexOf(item));
    return index < itemsFor(unitType) ? index : -1;
}

namespace SettingsCatalogue {

const QList<Setting>& all() {
    static const QList<Setting> catalogue = build();
    return catalogue;
}

const Setting* find(const QString& name) {
    for (const Setting& s : all())
        if (s.name == name)
            return &s;
    return nullptr;
}

QList<const Setting*> forModel(int unitType) {
    QList<const Setting*> out;
    for (const Setting& s : all())
        if (s.hasModel(unitType))
            out << &s;
    return out;
}

QStringList sections() {
    QStringList out;
    for (const Setting& s : all())
        if (!out.contains(s.section))
            out << s.section;
    return out;
}

QList<SettingCommand> commands(Writer writer, const MeterSettings& s) {
    const ConfigRecord& c = s.config;
    switch (writer) {
    case Writer::None:
        return {};
    case Writer::Pipe: {
        SetupCommands::PipeData p;
        p.diameterFt = c.ChanConfig.PipeInsideDiameter;
        p.pipeUnit = c.ChanConfig.PipeSizeUnit;
        p.wall = c.LrnConfig.PipeRoughness;
        p.flowUnit = c.ChanConfig.FlowVolumeUnitIndex;
        p.timeUnit = c.ChanConfig.FlowTimeUnitIndex;
        return {{SetupCommands::pipeCommand(p), SettingShape::counted(AckLength)}};
    }
    case Writer::Damping:
        return {untilOk(SetupCommands::withInt16("LM,1,", c.ChanConfig.Damping))};
    case Writer::LowFlowCutoff:
        return {untilOk(SetupCommands::withSingle("LM,3,", c.ChanConfig.LowFlowCutoffVelocity))};
    case Writer::SiteCalibration:
        return {{SetupCommands::withSingle("LM,4,", c.ChanConfig.SiteCalibrationFactor),
                 SettingShape::counted(AckLength)}};
    case Writer::RemoteZero:
        return {
            untilOk(SetupCommands::withInt16("LM,5,", qint16(c.LrnConfig.RemoteZeroEnabled != 0)))};
    case Writer::MeterDisplay:
        return {{SetupCommands::withInt16("LM,2,", qint16(c.LrnConfig.DisplayFlowOrVelocity != 0)),
                 SettingShape::once()}};
    case Writer::SignalStrengthCutoff:
        return {untilOk(SetupCommands::withSingle("MD,5,", c.ChanConfig.SignalStrengthCutoff))};
    case Writer::SignalQualityCutoff:
        return {untilOk(SetupCommands::withSingle("MD,6,", c.ChanConfig.SignalQualityCutoff))};
    case Writer::RangeCode:
        return {{SetupCommands::rangeCommand(SetupCommands::rangeCode(
                     c.LrnConfig.RangeModeManual != 0, (c.ChanConfig.RangeCode & 0x7f) - 1)),
                 SettingShape::counted(AckLength, RangeCodeSends)}};
    case Writer::Overrides:
        return {untilOk(SetupCommands::withInt16(
            "LR,3,", qint16(2 * (c.LrnConfig.LowFlowCutoffOverride != 0) +
                            (c.LrnConfig.ZeroSignalCutoffOverride != 0))))};
    case Writer::XqMode:
        return {untilOk(SetupCommands::framed(c.LrnConfig.ExtendedModeOn ? "MD,4,1" : "MD,4,0"))};
    case Writer::TransmitPower:
        return {untilOk(SetupCommands::framed(c.SysConfig.TransmitPower ? "MD,3,2" : "MD,3,1"))};
    case Writer::OutputRange: {
        if (!s.output)
            return {};
        // As the output page's Send: the range with the meter's own counts,
        // the calibration marked finished.
        OutputCommands::OutputRecord r = *s.output;
        r.calFinished = 1;
        r.secondFlag = 0;
        return {untilOk(OutputCommands::outputCommand(r))};
    }
    case Writer::Relays:
        return {untilOk(OutputCommands::relayCommand(c.SysConfig))};
    case Writer::PowerMonitorRelay:
        return {untilOk(
            SetupCommands::framed(c.SysConfig.PowerMonitorRelay == 1 ? "RY,4,0" : "RY,4,1"))};
    case Writer::TotalizerEnabled:
        return {
            untilOk(SetupCommands::framed(c.ChanConfig.TotalizerEnabled ? "GT,2,1" : "GT,2,0"))};
    case Writer::TotalizerUnits:
    case Writer::TotalizerMultiplier: {
        // The change resets the total on the meter, then the total is reset
        // as the totalizer page does: both written once.
        const bool units = writer == Writer::TotalizerUnits;
        const QByteArray command =
            (units ? QByteArray("GT,3,") : QByteArray("GT,4,")) +
            QByteArray::number(units ? c.ChanConfig.TotalizerVolumeUnitIndex
                                     : c.ChanConfig.TotalizerMultiplierIndex);
        return {{SetupCommands::framed(command), SettingShape::writtenOnce()},
                {SetupCommands::framed("GT,1"), SettingShape::writtenOnce()}};
    }
    case Writer::TotalizerRelay:
        if (s.unitType == 4)
            return {untilOk(
                SetupCommands::framed("GT,5," + QByteArray::number(c.SysConfig.TotalizerRelay)))};
        // The relay settings follow; the byte 9 is the meter's own code.
        return {untilOk(SetupCommands::framed(c.SysConfig.TotalizerRelay ? "GT,5,1" : "GT,5,0")),
                untilOk(SetupCommands::framed(QByteArray("RY,9,") + char(9)))};
    case Writer::DisplayOptions:
        return {untilOk(MiscCommands::displayCommand(
            MiscCommands::maskToSend(quint16(c.SysConfig.DisplayMask))))};
    case Writer::Contrast:
        return {untilOk(
            SetupCommands::framed("MD,2," + QByteArray::number(c.SysConfig.DisplayContrast)))};
    case Writer::Logging:
        return {{SetupCommands::withInt16("LG,1,", qint16(c.SysConfig.LoggingOn != 0)),
                 SettingShape::counted(AckLength, LoggingSwitchSends)}};
    case Writer::LogRate:
        return {untilOk(SetupCommands::withInt16("LG,2,", c.ChanConfig.LoggingRateIndex))};
    }
    return {};
}

const QStringList& pipeUnits() {
    static const QStringList items = {"Inches", "mm"};
    return items;
}
const QStringList& wallMaterials() {
    static const QStringList items = {"Carbon Steel",    "Cast Iron", "Concrete Liner",
                                      "Stainless Steel", "Copper",    "Plastic"};
    return items;
}
const QStringList& flowUnits() {
    static const QStringList items = {"US Gal", "ImpGal", "MGal", "Ft^3",
                                      "M^3",    "Liter",  "OB",   "LB"};
    return items;
}
const QStringList& timebases() {
    static const QStringList items = {"Sec.", "Min.", "Hr.", "Day"};
    return items;
}
const QStringList& totalizerUnits() {
    static const QStringList items = {"US Gal", "ImpGal", "MGal", "Ft^3",
                                      "M^3",    "Liter",  "OB",   "LB"};
    return items;
}
const QStringList& multipliers() {
    static const QStringList items = {"x1", "x10", "x100", "x1000", "x10000"};
    return items;
}
const QStringList& relayMultipliers() {
    static const QStringList items = {"No", "x1", "x2", "x5", "x10"};
    return items;
}
const QStringList& ranges() {
    static const QStringList items = {"2", "4", "8", "16", "32"};
    return items;
}
const QStringList& overrides() {
    static const QStringList items = {"None", "SS0", "LFO", "Both"};
    return items;
}
const QStringList& updateTimes() {
    static const QStringList items = {"4", "8", "16", "32", "64"};
    return items;
}
const QStringList& logRates() {
    static const QStringList items = {"0.5", "1", "5", "15", "60"};
    return items;
}

// The KR5 has no pound units: its flow list ends at "OB", its totalizer
// list at "Liter".
int flowUnitCount(int unitType) {
    return unitType == 5 ? 7 : 8;
}
int totalizerUnitCount(int unitType) {
    return unitType == 5 ? 6 : 8;
}
int relayCount(int unitType) {
    return unitType == 4 ? 4 : unitType == 5 ? 1 : 0;
}
int contrastMax(int unitType) {
    return unitType == 5 ? 15 : 100;
}

} // namespace SettingsCatalogue
