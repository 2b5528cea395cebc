#include "LogRecord.h"

#include "link/DisplayFormat.h"

LogRecord& LogRecord::line() {
    lines_.append(QString());
    return *this;
}

LogRecord& LogRecord::append(const QString& text) {
    lines_.last() += text;
    return *this;
}

LogRecord& LogRecord::zone(const QString& text) {
    QString& l = lines_.last();
    const int next = (int(l.size()) / ZoneWidth + 1) * ZoneWidth;
    l += QString(next - l.size(), ' ') + text;
    return *this;
}

QString LogRecord::number(qint64 value) {
    return (value < 0 ? "-" : " ") + QString::number(value < 0 ? -value : value) + " ";
}

QString LogRecord::number(double value) {
    return (value < 0 ? "-" : " ") + GeneralForm(value < 0 ? -value : value) + " ";
}

QByteArray LogRecord::bytes() const {
    QByteArray out;
    for (const QString& l : lines_)
        out += l.toLatin1() + "\r\n";
    return out;
}
