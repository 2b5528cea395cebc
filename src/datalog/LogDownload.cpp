#include "LogDownload.h"

#include "LogHeader.h"
#include "LogText.h"
#include "link/FieldConversions.h"
#include "link/MeterLink.h"
#include "link/SerialPort.h"
#include "link/Waiter.h"

#include <cmath>

namespace {

// Opens of the file before the header counts as unreadable.
constexpr int kHeaderAttempts = 5;
// Requests of one section before the download gives up (a wrong block, or a
// checksum that differs, asks for the same section again).
constexpr int kSectionAttempts = 5;
// Checksum queries of one section before the download gives up.
constexpr int kChecksumAttempts = 5;
// The meter needs this long between sections to fetch the next one from its store.
constexpr qint64 kSectionPauseMs = 700;
// Rounds of event handling before each checksum query, so the window stays live.
constexpr int kChecksumPauseRounds = 100;
// Points in one section: a 64-byte block.
constexpr qint32 kSectionPoints = 32;
// Names the directory listing can hold (the meter has ten files).
constexpr int kMaxListedFiles = 10;
// A block must be complete this soon at least; slow lines get its wire time on top.
constexpr qint64 kBlockWaitMs = 250;
// Bits on the wire per byte: start, 8 data, stop.
constexpr qint64 kBitsPerByte = 10;
// Speed assumed when the port's settings text does not give one.
constexpr int kDefaultBaud = 19200;

const QByteArray kFlush = MeterLink::FlushPrefix;
const QByteArray kBad = QByteArrayLiteral("Bad");
// The meter's reply line to a section request begins with the request's opcode.
const QByteArray kSectionEcho = QByteArrayLiteral("RD");

int baudOf(const QString& settings) {
    bool ok = false;
    const int baud = settings.section(u',', 0, 0).trimmed().toInt(&ok);
    return ok && baud > 0 ? baud : kDefaultBaud;
}

qint32 sumMatches(const QByteArray& reply, qint32 sum) {
    try {
        return HexToLong(reply.right(4)) == sum;
    } catch (const FieldError&) {
        return false;
    }
}

} // namespace

LogDownload::LogDownload(MeterLink& link, Progress progress)
    : link_(link), progress_(std::move(progress)) {
    if (!progress_.setProg)
        progress_.setProg = [](float) {};
    if (!progress_.setCancelCaption)
        progress_.setCancelCaption = [](const QString&) {};
    if (!progress_.cancelled)
        progress_.cancelled = [] { return false; };
    if (!progress_.trace)
        progress_.trace = [](const QByteArray&) {};
}

QByteArray LogDownload::sectionRequest(const QString& model, const QString& version,
                                       qint32 remaining, int bytes) {
    const QByteArray count = bytes == 0 ? QByteArray() : QByteArray::number(bytes);
    const double v = LogHeader::number(version.mid(1, 4).toLatin1());
    if (model == QLatin1String("Velmar KR5") && v < 1.9)
        return "RD," + count;
    if (model == QLatin1String("Velmar KR5") || model == QLatin1String("Velmar KR4") ||
        model == QLatin1String("Velmar KR3"))
        return "RD," + QByteArray::number(remaining) + "," + count;
    return {};
}

QByteArray LogDownload::readField() {
    return link_.ReadComm(0);
}

void LogDownload::send(const QByteArray& command) {
    link_.writeDirect(command + MeterLink::CommandTerminator);
}

bool LogDownload::stopped() const {
    return link_.isShutDown() || !link_.port().isOpen();
}

QByteArray LogDownload::readBlock(int bytes) {
    const qint64 wireMs = (bytes * kBitsPerByte * 1000 + baudOf(link_.port().settings()) - 1) /
                          baudOf(link_.port().settings());
    SerialPort& port = link_.port();
    link_.waiter().waitUntil([&] { return !port.isOpen() || port.bytesWaiting() >= bytes; },
                             link_.waiter().now() + kBlockWaitMs + wireMs);
    return link_.ReadComm(bytes);
}

LogDownload::Outcome LogDownload::run(DatalogRecord& target, const QString& model,
                                      const QString& version, const QString& logId) {
    QString errorText = QStringLiteral("Error Downloading Log");
    const QString file = QStringLiteral("Datalog %1").arg(logId);
    const auto failure = [](const QString& words, const QString& detail) {
        Outcome out;
        out.failure.words = words;
        out.failure.detail = detail;
        return out;
    };
    if (sectionRequest(model, version, 1, 2).isEmpty())
        return failure(errorText, QStringLiteral("The meter's model \"%1\" is not one the "
                                                 "program knows how to download a datalog from.")
                                      .arg(model));

    SerialPort& port = link_.port();
    int section = 0, sections = 0;
    const auto fail = [&](const QString& words, const QString& detail) {
        if (port.isOpen() && port.bytesWaiting() > 0)
            port.discardInput();
        Outcome out = failure(words, detail);
        out.closing = stopped();
        return out;
    };
    const auto atSection = [&](const QString& what) {
        return QStringLiteral("Section %1 of %2: ").arg(section).arg(sections) + what;
    };

    DatalogRecord log;
    log.CurrentLogId = logId;
    link_.writeDirect(kFlush);

    // The listing is only traced.
    port.discardInput();
    send("DL,0");
    const int listed = int(LogHeader::number(readField().mid(3)));
    for (int i = 0; i < std::min(listed, kMaxListedFiles) && !stopped(); ++i)
        progress_.trace(readField());

    // The header.
    LogHeader header;
    bool shortSeen = false;
    for (int attempt = 1;; ++attempt) {
        if (stopped())
            return fail(errorText, {});
        // A repeat first lets the rest of the failed answer arrive and go.
        if (attempt > 1)
            link_.discardUntilQuiet();
        port.discardInput();
        send("OD,DATALOG" + logId.toLatin1());
        // Anything but the echo (nothing, or a late line of an earlier
        // reply) opens the file again.
        if (readField() != "OD,DATALOG" + logId.toLatin1()) {
            if (attempt >= kHeaderAttempts)
                return fail(errorText,
                            QStringLiteral("%1: the meter did not answer the request to open it "
                                           "(%2 tries).")
                                .arg(file)
                                .arg(attempt));
            continue;
        }
        // A field cut short by a pause of the meter would shift the ones
        // after it (a count read from the interval line): the header is read
        // again instead. A file without a log ends after its unit line.
        bool cut = false;
        const auto field = [&] {
            const QByteArray f = readField();
            cut = cut || link_.state().ReplyStatus != 0;
            return f;
        };
        header = {};
        header.date = field();
        header.time = field();
        header.units = field();
        const bool empty = header.date.isEmpty() && header.time.isEmpty() && header.units.isEmpty();
        if (!empty) {
            header.scale = field();
            header.interval = field();
            header.count = field();
        }
        if (cut) {
            if (attempt >= kHeaderAttempts)
                return fail(errorText, QStringLiteral("%1: the meter's header reply was cut "
                                                      "short %2 times.")
                                           .arg(file)
                                           .arg(attempt));
            continue;
        }
        log.LogPointCount = header.pointCount();
        for (const QByteArray& line : {header.date, header.time, header.units, header.scale,
                                       header.interval, header.count, logId.toLatin1()})
            progress_.trace(line);
        if (log.LogPointCount < 2) {
            const QString detail =
                empty ? QStringLiteral("%1 on the meter holds no log.").arg(file)
                      : QStringLiteral("%1 on the meter holds %2 points; a log needs at least 2.")
                            .arg(file)
                            .arg(log.LogPointCount);
            if (shortSeen)
                return fail(QStringLiteral("Less than 2 points in log"), detail);
            shortSeen = true;
            if (attempt >= kHeaderAttempts)
                return fail(errorText, detail);
            continue;
        }
        send("DC,0");
        if (readField().isEmpty()) {
            send("DC,0");
            readField();
        }
        progress_.trace(QByteArray::number(attempt));
        break;
    }
    if (log.LogPointCount > DatalogRecord::MaxPoints)
        return fail(errorText, QStringLiteral("%1 on the meter claims %2 points, more than the "
                                              "%3 the program can hold.")
                                   .arg(file)
                                   .arg(log.LogPointCount)
                                   .arg(DatalogRecord::MaxPoints));
    // A header that makes no sense is refused before a single point is fetched.
    if (const QString problem = header.problem(logId); !problem.isEmpty())
        return fail(errorText, problem);
    log.LogUnits = QString::fromLatin1(header.units);
    log.LogScale = header.scaleValue();
    log.LogInterval = header.intervalValue();
    sections = int((log.LogPointCount + kSectionPoints - 1) / kSectionPoints);

    // The sections.
    qint32 remaining = log.LogPointCount;
    // The smallest magnitude starts at the largest a point can have.
    qint16 minimum = 32767, maximum = 0;
    qint32 stored = 0;
    int requests = 0;
    log.LogPoints.resize(size_t(log.LogPointCount));
    // A meter asked with the remaining count serves that section again; one
    // asked with the older form moves on, so a bad section cannot be retried.
    const bool canRetrySection = sectionRequest(model, version, 1, 2).count(',') == 2;
    // Requests of the section under way whose checksum differed.
    int sumRetries = 0;
    while (remaining >= 0) {
        const int bytes = 2 * std::min(remaining, kSectionPoints);
        section = std::min(int(stored / kSectionPoints) + 1, sections);
        QByteArray block;
        for (int attempt = 1 + sumRetries;; ++attempt) {
            // The pause before a request also throws away whatever is still
            // arriving (a late block, a reply's tail), so no stale byte is
            // read as the reply to this request.
            link_.discardUntilQuiet(kSectionPauseMs);
            if (stopped() || progress_.cancelled())
                return fail(errorText, atSection(QStringLiteral("the download was cancelled.")));
            send(sectionRequest(model, version, remaining, bytes));
            const QByteArray line = readField();
            progress_.trace(line);
            if (remaining == 0)
                break;
            ++requests;
            if (line.isEmpty()) {
                errorText =
                    QStringLiteral("0 points received from log from log section %1").arg(requests);
                const QByteArray stars(90, '*');
                progress_.trace(stars);
                progress_.trace("DATALOG FAILED SecondTry Section#   " +
                                QByteArray::number(requests));
                progress_.trace(QByteArray::number(attempt));
                progress_.trace(stars);
                progress_.setCancelCaption(QStringLiteral("Cancel %1").arg(requests));
                if (attempt >= kSectionAttempts)
                    return fail(errorText, atSection(QStringLiteral("the meter did not answer "
                                                                    "(%1 tries).")
                                                         .arg(attempt)));
                continue;
            }
            // Anything but the request's echo is not this section's reply.
            block = line.startsWith(kSectionEcho) ? readBlock(bytes) : QByteArray();
            progress_.trace(block);
            if (block.size() != bytes) {
                if (attempt >= kSectionAttempts)
                    return fail(errorText, atSection(QStringLiteral("%1 of its %2 bytes arrived "
                                                                    "(%3 tries).")
                                                         .arg(block.size())
                                                         .arg(bytes)
                                                         .arg(attempt)));
                continue;
            }
            break;
        }
        if (remaining == 0)
            break;
        const qint32 sum = link_.state().ReplyByteSum;
        progress_.trace(QByteArray::number(sum));
        if (progress_.cancelled())
            return fail(errorText, atSection(QStringLiteral("the download was cancelled.")));
        for (int i = 0; i < kChecksumPauseRounds; ++i)
            link_.waiter().yield();
        link_.writeDirect(kFlush + MeterLink::CommandTerminator);
        link_.writeDirect(kFlush + MeterLink::CommandTerminator);

        QByteArray reply;
        for (int query = 1;; ++query) {
            if (stopped())
                return fail(errorText, {});
            port.discardInput();
            send("DC,0,");
            reply = readField();
            if (!reply.isEmpty() && !reply.contains(kBad))
                break;
            // A late answer (and every one queued behind it) goes before the
            // query is asked again.
            link_.discardUntilQuiet();
            if (query >= kChecksumAttempts)
                return fail(errorText, atSection(QStringLiteral("the meter did not give the "
                                                                "section's checksum (%1 tries).")
                                                     .arg(query)));
        }
        if (!sumMatches(reply, sum)) {
            send("DC,0");
            const QByteArray again = readField();
            const bool matched = sumMatches(again, sum);
            if (!matched && canRetrySection && ++sumRetries < kSectionAttempts) {
                progress_.trace(QStringLiteral("Section %1 of %2: checksum differs, asked again "
                                               "(attempt %3 of %4)")
                                    .arg(section)
                                    .arg(sections)
                                    .arg(sumRetries + 1)
                                    .arg(kSectionAttempts)
                                    .toLatin1());
                continue;
            }
            if (!matched) {
                const QString meterSum =
                    QString::fromLatin1(again.isEmpty() ? reply.right(4) : again.right(4))
                        .toUpper();
                return fail(
                    errorText,
                    atSection(QStringLiteral("checksum %1 from the meter, %2 received%3.")
                                  .arg(meterSum,
                                       QString::number(sum, 16).toUpper().rightJustified(4, u'0'),
                                       sumRetries > 0
                                           ? QStringLiteral(" (%1 tries)").arg(sumRetries)
                                           : QString())));
            }
        }
        sumRetries = 0;
        link_.noteGoodReply();
        // Only a section whose sum the meter confirmed is stored.
        for (int k = 0; k < bytes / 2; ++k) {
            if (progress_.cancelled())
                return fail(errorText, atSection(QStringLiteral("the download was cancelled.")));
            const qint16 raw = StrToInt(block.mid(2 * k, 2));
            log.LogPoints[size_t(stored++)] = raw;
            const qint16 magnitude = qint16(std::abs(raw));
            maximum = std::max(maximum, magnitude);
            minimum = std::min(minimum, magnitude);
        }
        remaining -= bytes / 2;
        progress_.setProg(float(stored) / float(log.LogPointCount) * 100.0f);
    }

    log.LogMaxRaw = maximum;
    log.LogStart = *LogHeader::startTime(header.date, header.time);
    LogText::buildLines(log, minimum, maximum);
    log.PageFactor = DatalogRecord::pageFactorFor(log.LogPointCount);
    target = std::move(log);
    Outcome done;
    done.ok = true;
    return done;
}
