#include "LineSettings.h"

#include <QStringList>

std::optional<LineSettings> LineSettings::parse(const QString& text, QString* problem) {
    const auto fail = [problem](const QString& why) -> std::optional<LineSettings> {
        if (problem)
            *problem = why;
        return std::nullopt;
    };
    const QStringList parts = text.split(u',');
    if (parts.size() != 4)
        return fail(QStringLiteral("\"%1\" is not a port setting: it should read like "
                                   "19200,n,8,1 (speed, parity, data bits, stop bits).")
                        .arg(text));

    LineSettings s;
    bool ok = false;
    const QString speed = parts[0].trimmed();
    s.baudRate = speed.toInt(&ok);
    if (!ok || s.baudRate <= 0)
        return fail(QStringLiteral("The speed \"%1\" is not a whole number of bits per second.")
                        .arg(speed));

    const QString parity = parts[1].trimmed();
    static const struct {
        char letter;
        Parity parity;
    } parities[] = {{'e', Parity::Even},
                    {'o', Parity::Odd},
                    {'n', Parity::None},
                    {'m', Parity::Mark},
                    {'s', Parity::Space}};
    bool known = false;
    if (parity.size() == 1)
        for (const auto& p : parities)
            if (parity.at(0).toLower() == QLatin1Char(p.letter)) {
                s.parity = p.parity;
                s.parityLetter = parity.at(0);
                known = true;
            }
    if (!known)
        return fail(QStringLiteral("The parity \"%1\" is not one of e (even), o (odd), n (none), "
                                   "m (mark) or s (space).")
                        .arg(parity));

    const QString bits = parts[2].trimmed();
    s.dataBits = bits.toInt(&ok);
    if (!ok || s.dataBits < kFewestDataBits || s.dataBits > kMostDataBits)
        return fail(QStringLiteral("The data bits \"%1\" are not a number from %2 to %3.")
                        .arg(bits)
                        .arg(kFewestDataBits)
                        .arg(kMostDataBits));

    const QString stop = parts[3].trimmed();
    if (stop == u"1")
        s.stopBits = StopBits::One;
    else if (stop == u"1.5")
        s.stopBits = StopBits::OneAndHalf;
    else if (stop == u"2")
        s.stopBits = StopBits::Two;
    else
        return fail(QStringLiteral("The stop bits \"%1\" are not 1, 1.5 or 2.").arg(stop));
    return s;
}

std::optional<LineSettings> LineSettings::parseForPort(const QString& text, QString* problem) {
    std::optional<LineSettings> line = parse(text, problem);
    if (line && line->dataBits < kFewestPortDataBits) {
        if (problem)
            *problem = QStringLiteral("This serial port cannot send %1 data bits; choose %2 to %3.")
                           .arg(line->dataBits)
                           .arg(kFewestPortDataBits)
                           .arg(kMostDataBits);
        return std::nullopt;
    }
    return line;
}

QString LineSettings::text() const {
    const QString stop = stopBits == StopBits::OneAndHalf ? QStringLiteral("1.5")
                         : stopBits == StopBits::Two      ? QStringLiteral("2")
                                                          : QStringLiteral("1");
    return QStringLiteral("%1,%2,%3,%4").arg(baudRate).arg(parityLetter).arg(dataBits).arg(stop);
}
