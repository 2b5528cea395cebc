#include "LogCsv.h"
#include "shared/SavedFile.h"

#include "LogText.h"
#include "ui/Prompts.h"

namespace {

const QByteArray kLineEnd = QByteArrayLiteral("\r\n");

QString timeBaseName(const QString& units) {
    switch (DatalogRecord::secondsPerUnit(units)) {
    case 1:
        return QStringLiteral("seconds");
    case 60:
        return QStringLiteral("minutes");
    case 3600:
        return QStringLiteral("hours");
    default:
        return QStringLiteral("days");
    }
}

} // namespace

QByteArray LogCsv::isoTime(const QDateTime& t) {
    const QDate d = t.date();
    const QTime tm = t.time();
    return QString::asprintf("%04d-%02d-%02dT%02d:%02d:%02d", d.year(), d.month(), d.day(),
                             tm.hour(), tm.minute(), tm.second())
        .toLatin1();
}

QByteArray LogCsv::field(const QString& text) {
    QByteArray f = text.toUtf8();
    if (!f.contains(',') && !f.contains('"') && !f.contains('\n') && !f.contains('\r'))
        return f;
    return '"' + f.replace('"', "\"\"") + '"';
}

QByteArray LogCsv::encode(const DatalogRecord& log) {
    QByteArray out;
    out.reserve(qsizetype(log.LogPointCount) * 40 + 128);
    out += "time," + field(QStringLiteral("flow (%1)").arg(log.LogUnits)) + ',' +
           field(QStringLiteral("volume (%1 x %2)").arg(log.LogUnits, timeBaseName(log.LogUnits))) +
           ",reverse" + kLineEnd;
    LogText::forEachWritten(log, [&](const LogText::Written& p) {
        out += isoTime(p.time);
        out += ',';
        out += p.flow.toLatin1();
        out += ',';
        out += p.volume.toLatin1();
        out += p.negative ? ",1" : ",0";
        out += kLineEnd;
    });
    return out;
}

bool LogCsv::save(const DatalogRecord& log, const QString& path, QString* error) {
    const auto refuse = [&](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    if (log.LogPointCount < 1 || DatalogRecord::secondsPerUnit(log.LogUnits) == 0)
        return refuse(QStringLiteral("The log cannot be exported: it has no points or its flow "
                                     "unit has no known time base."));
    return SavedFile::write(path, encode(log), error);
}

void LogCsv::exportLog(const DatalogRecord& log, Prompts& prompts) {
    // An extension is added when the user typed none.
    const QString path = Prompts::withDefaultSuffix(
        prompts.saveFileName(QStringLiteral("Export DataLog as CSV"),
                             QStringLiteral("CSV Files (*.csv);;All Files (*)"), QString()),
        QStringLiteral("csv"));
    if (path.isEmpty())
        return;
    QString error;
    if (save(log, path, &error))
        prompts.message(QStringLiteral("Log exported to ") + path);
    else
        prompts.message(error, Prompts::Icon::Exclamation);
}
