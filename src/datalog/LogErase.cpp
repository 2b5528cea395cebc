#include "LogErase.h"

#include "link/FieldConversions.h"
#include "link/MeterLink.h"
#include "link/SerialPort.h"

namespace {

// Leftover reply lines read and dropped before and after the erase: more than
// a listing of ten names ever leaves behind.
constexpr int kDrainReads = 20;
// The meter has ten files; a longer listing is cut to them.
constexpr int kMaxNames = 10;
// A deletion is written once; this long is its acknowledgement waited for.
constexpr qint64 kDeleteReplyMs = 2000;

} // namespace

void LogErase::drain() {
    for (int i = 0; i < kDrainReads && !link_.isShutDown(); ++i)
        if (link_.ReadComm(0).isEmpty())
            return;
}

bool LogErase::setLogging(bool on) {
    return link_.SendUntilOk("LG,1," + IntToRaw(on ? 1 : 0));
}

LogErase::Outcome LogErase::run(bool loggingActive) {
    Outcome out;
    link_.writeDirect(MeterLink::FlushPrefix + MeterLink::CommandTerminator);
    drain();

    QByteArray listing;
    for (int tries = 0; tries < 2 && listing.isEmpty() && !link_.isShutDown(); ++tries) {
        link_.writeDirect("DL,0\n");
        listing = link_.ReadComm(0);
    }
    bool counted = false;
    const int n = listing.size() > 3 ? listing.mid(3).trimmed().toInt(&counted) : 0;
    if (!counted || n < 0) {
        out.message = link_.isShutDown()
                          ? QString()
                          : QStringLiteral("The meter did not list its datalog files, so nothing "
                                           "was erased.");
        return out;
    }
    std::vector<QByteArray> names;
    for (int j = 0; j < std::min(n, kMaxNames); ++j)
        names.push_back(link_.ReadComm(0));

    if (loggingActive) {
        if (!setLogging(false)) {
            out.message = QStringLiteral("The meter did not switch its logging off, so nothing "
                                         "was erased. Logging is still on.");
            return out;
        }
        if (!link_.SendUntilOk("LG,3")) {
            const bool back = setLogging(true);
            out.message = back ? QStringLiteral("The meter did not accept the erase of its "
                                                "logs, so nothing was erased. Logging is on "
                                                "again.")
                               : QStringLiteral("The meter did not accept the erase of its "
                                                "logs, so nothing was erased, and it did not "
                                                "confirm that logging is on again: check the "
                                                "logging setting in the setup dialog.");
            return out;
        }
    }

    for (size_t j = 0; j < names.size(); ++j) {
        if (!names[j].isEmpty()) {
            link_.SendOnce("DD," + names[j] + MeterLink::CommandTerminator, kDeleteReplyMs);
            out.deleted.push_back(names[j]);
        }
        setProg_(float(j + 1) * 100.0f / float(names.size()));
    }
    drain();

    if (loggingActive && !setLogging(true)) {
        out.message = QStringLiteral("The datalogs were erased, but the meter did not confirm "
                                     "that logging is on again: check the logging setting in "
                                     "the setup dialog.");
        return out;
    }
    out.ok = true;
    return out;
}
