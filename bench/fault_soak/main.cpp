// A soak of the program against the simulated meter with random line faults,
// on the virtual clock: the main window's polling cycle for many exchanges,
// then many datalog downloads. Prints hangs, crashes, values shown that the
// meter never sent, and downloads exact, refused and wrong.
// Usage: fault_soak [EXCHANGES [DOWNLOADS [POLL_RATE [DOWNLOAD_RATE]]]]
//        (defaults 100000, 1000, 0.02 and 0.02: faults per exchange)
#include "BenchSupport.h"
#include "datalog/LogDownload.h"
#include "link/LineOwner.h"
#include "link/PortSettingsStore.h"
#include "monitor/FlowReading.h"
#include "monitor/PollingCycle.h"
#include "monitor/frmKVT7210.h"
#include "shared/SchedulingFlags.h"
#include "ui/PromptGate.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMap>
#include <QRandomGenerator>

#include <deque>

namespace {

// The polling timer's period: the virtual clock moves on this much per tick.
constexpr qint64 TickMs = 1500;
// A tick or a download that takes longer than this on the virtual clock
// counts as hung: the longest bounded wait chain is far shorter.
constexpr qint64 HangMs = 120000;
// Every this many ticks another window marks the configuration stale, so the
// configuration reads meet the faults too.
constexpr int StaleEvery = 50;
// Points of each soaked download: seven sections.
constexpr int DownloadPoints = 200;
// Whole records kept for the comparison with what the page shows.
constexpr size_t KeptRecords = 16;

enum class Fault { Silence, Short, Corrupt, Late, Garbage, Split, Noise, Count };
const char* const FaultNames[] = {"silence", "short", "corrupted byte", "late reply",
                                  "garbage", "split", "streaming noise"};

// Switches on one fault for the meter's next reply.
Fault arm(MeterModel& m, QRandomGenerator& rng) {
    const auto f = Fault(rng.bounded(int(Fault::Count)));
    MeterFaults& x = m.faults();
    switch (f) {
    case Fault::Silence:
        x.silentCommands = 1;
        break;
    case Fault::Short:
        x.shortReplies = 1;
        break;
    case Fault::Corrupt:
        x.corruptReplies = 1;
        x.corruptOffset = int(rng.bounded(40));
        break;
    case Fault::Late:
        x.stallMs = 900 + rng.bounded(1200);
        x.stallReplies = 1;
        x.stallAt = 0;
        break;
    case Fault::Garbage:
        x.garbageReplies = 1;
        x.garbageBytes = 1 + int(rng.bounded(16));
        break;
    case Fault::Split:
        x.stallMs = 100 + rng.bounded(1100);
        x.stallReplies = 1;
        x.stallAt = 1 + int(rng.bounded(36));
        break;
    case Fault::Noise:
        x.noiseMs = 200 + rng.bounded(1000);
        break;
    case Fault::Count:
        break;
    }
    return f;
}

QStringList flowTexts(const QByteArray& record) {
    try {
        const FlowReading r(record);
        return {r.flowText(), r.timeText(), r.dateText(), r.totalizerText(0)};
    } catch (const std::exception&) {
        return {};
    }
}

struct PollingFigures {
    qint64 ticks = 0, faults = 0, hangs = 0, longestTickMs = 0, wrongShown = 0, corruptShown = 0,
           wrongConfig = 0, freshTicks = 0, staleAfterFault = 0, prompts = 0, longestStale = 0;
    // Fault-free ticks without a fresh value, by the fault of the tick before.
    qint64 staleAfter[int(Fault::Count)] = {};
};

class CountingPrompts : public SilentPrompts {
public:
    qint64 shown = 0;
    Answer ask(const QString& t, const QString& c, Buttons b, Icon i, Answer d) override {
        ++shown;
        return SilentPrompts::ask(t, c, b, i, d);
    }
};

PollingFigures soakPolling(qint64 exchanges, double rate) {
    MeterModel model;
    VirtualWaiter waiter;
    SimSerialPort port(model, waiter);
    CountingPrompts prompts;
    PromptGate gate(prompts);
    MeterLink link(port, waiter, gate);
    LineOwner owner(link, gate);
    QTemporaryDir dir;
    PortSettingsStore store(dir.filePath("corvane.ini"));
    frmKVT7210 w(link, owner, store);
    w.runPropertiesDialog = [](frmProperties&) {};
    QRandomGenerator rng(18);

    // What the meter meant to send for each flow read, and the corrupted
    // reply where a fault inverted one byte of it.
    std::deque<QStringList> whole, corrupted;
    std::optional<int> corruptAt;
    model.onCommand = [&](const MeterModel::Received& r) {
        if (!r.command.startsWith("FD,0,"))
            return;
        const QByteArray record = model.flowDataRecord(r.timeMs);
        whole.push_back(flowTexts(record));
        if (corruptAt) {
            QByteArray bad = record;
            bad[*corruptAt] = char(~quint8(bad[*corruptAt]));
            corrupted.push_back(flowTexts(bad));
            corruptAt.reset();
        }
        while (whole.size() > KeptRecords)
            whole.pop_front();
        while (corrupted.size() > KeptRecords)
            corrupted.pop_front();
    };
    const auto label = [&](const char* name) { return w.findChild<QLabel*>(name)->text(); };
    const auto contains = [](const std::deque<QStringList>& d, const QStringList& t) {
        return std::find(d.begin(), d.end(), t) != d.end();
    };

    w.Form_Load();
    PollingFigures f;
    std::optional<Fault> faultBefore;
    qint64 staleRun = 0;
    for (qint64 tick = 0; tick < exchanges; ++tick) {
        if (tick % StaleEvery == StaleEvery - 1) {
            SchedulingFlags& flags = w.flags();
            flags.NeedSysConfig = flags.NeedSSConfig = flags.NeedLrnData = true;
        }
        std::optional<Fault> fault;
        if (rng.generateDouble() < rate) {
            ++f.faults;
            fault = arm(model, rng);
            if (fault == Fault::Corrupt)
                corruptAt = model.faults().corruptOffset;
        }
        const size_t before = whole.empty() ? 0 : whole.size();
        const QStringList newest = whole.empty() ? QStringList() : whole.back();
        const qint64 start = waiter.now();
        w.polling().Launch();
        const qint64 took = waiter.now() - start;
        f.longestTickMs = std::max(f.longestTickMs, took);
        if (took > HangMs)
            ++f.hangs;
        waiter.advanceTo(start + std::max(TickMs, took));
        ++f.ticks;

        const QStringList shown = {label("FlowValText"), label("NormDispTime"),
                                   label("NormDispDate"), label("TotValtext")};
        if (!shown[1].isEmpty()) {
            if (contains(corrupted, shown) && !contains(whole, shown))
                ++f.corruptShown;
            else if (!contains(whole, shown))
                ++f.wrongShown;
        }
        if (label("FlowRateEEval") != "G/Min" || label("TxtLogging") != "Logging")
            f.wrongConfig += !w.flags().ConfigPending && tick > 2;
        const bool fresh =
            !whole.empty() && shown == whole.back() && (whole.size() != before || shown != newest);
        f.freshTicks += fresh;
        staleRun = fresh ? 0 : staleRun + 1;
        if (tick > 2)
            f.longestStale = std::max(f.longestStale, staleRun);
        if (!fresh && !fault && faultBefore && tick > 2) {
            ++f.staleAfterFault;
            ++f.staleAfter[int(*faultBefore)];
        }
        faultBefore = fault;
    }
    f.prompts = prompts.shown;
    return f;
}

struct DownloadFigures {
    int runs = 0, exact = 0, refused = 0, wrong = 0, hangs = 0;
    qint64 faults = 0, longestMs = 0;
    QMap<QString, int> reasons; // refusals by message
};

DownloadFigures soakDownloads(int downloads, double rate) {
    DownloadFigures f;
    QRandomGenerator rng(4218);
    for (int run = 0; run < downloads; ++run) {
        VirtualMeter meter;
        auto& points = meter.logs.logs[0].points;
        points.resize(DownloadPoints);
        for (qint16& p : points)
            p = qint16(int(rng.bounded(65535)) - 32767);
        meter.model.onCommand = [&](const MeterModel::Received&) {
            if (rng.generateDouble() < rate) {
                ++f.faults;
                arm(meter.model, rng);
            }
        };
        DatalogRecord log;
        const qint64 start = meter.waiter.now();
        const auto outcome = LogDownload(meter.link, {}).run(log, "Velmar KR5", "V1.95", "0");
        const qint64 took = meter.waiter.now() - start;
        f.longestMs = std::max(f.longestMs, took);
        f.hangs += took > HangMs * 10;
        ++f.runs;
        if (!outcome.ok) {
            ++f.refused;
            ++f.reasons[outcome.message().replace(u'\n', QStringLiteral(" | "))];
        } else if (log.LogPoints == points)
            ++f.exact;
        else
            ++f.wrong;
    }
    return f;
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const qint64 exchanges = args.value(1, "100000").toLongLong();
    const int downloads = args.value(2, "1000").toInt();
    const double pollRate = args.value(3, "0.02").toDouble();
    const double downloadRate = args.value(4, "0.02").toDouble();

    std::printf("faults: ");
    for (const char* name : FaultNames)
        std::printf("%s%s", name, name == FaultNames[int(Fault::Count) - 1] ? "\n" : ", ");

    QElapsedTimer t;
    t.start();
    const PollingFigures p = soakPolling(exchanges, pollRate);
    std::printf("polling: %lld ticks, %lld with a fault (rate %.3f): hangs %lld (longest tick %lld "
                "ms), crashes 0\n",
                p.ticks, p.faults, pollRate, p.hangs, p.longestTickMs);
    std::printf("  wrong values shown %lld, wrong configuration shown %lld, values from a "
                "corrupted byte the record cannot reveal %lld\n",
                p.wrongShown, p.wrongConfig, p.corruptShown);
    std::printf("  ticks with a fresh value %.2f %%, longest run of ticks without one %lld; "
                "fault-free ticks right after a fault without one %lld, after:",
                100.0 * double(p.freshTicks) / double(p.ticks), p.longestStale, p.staleAfterFault);
    for (int k = 0; k < int(Fault::Count); ++k)
        std::printf(" %s %lld%s", FaultNames[k], p.staleAfter[k],
                    k + 1 < int(Fault::Count) ? "," : "\n");
    std::printf("  messages shown %lld (%.1f s)\n", p.prompts, double(t.restart()) / 1000);

    const DownloadFigures d = soakDownloads(downloads, downloadRate);
    std::printf("downloads of %d points: %d runs, %lld faults (rate %.3f per exchange): exact %d "
                "(%.1f %%), refused %d, wrong %d, hangs %d, crashes 0 (longest %.1f s on the "
                "virtual clock; %.1f s)\n",
                DownloadPoints, d.runs, d.faults, downloadRate, d.exact,
                100.0 * d.exact / std::max(1, d.runs), d.refused, d.wrong, d.hangs,
                double(d.longestMs) / 1000, double(t.elapsed()) / 1000);
    for (auto it = d.reasons.cbegin(); it != d.reasons.cend(); ++it)
        std::printf("  refused %d times: %s\n", it.value(), qPrintable(it.key()));
    return p.hangs + p.wrongShown + d.hangs + d.wrong == 0 ? 0 : 1;
}
