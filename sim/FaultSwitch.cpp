#include "FaultSwitch.h"

#include <QStringList>

#include <limits>

namespace {

// Counts are ints, and a stall of at most that many milliseconds stays within
// the model's microsecond clock.
bool number(const QString& text, qint64& value) {
    bool ok = false;
    value = text.toLongLong(&ok);
    return ok && value > 0 && value <= std::numeric_limits<int>::max();
}

} // namespace

bool FaultSwitch::apply(const QString& text, MeterFaults& faults, QString* error) {
    const QStringList parts = text.trimmed().toLower().split(':');
    const QString& name = parts[0];
    const int args = int(parts.size()) - 1;
    qint64 a = 0;
    qint64 b = 0;
    const auto bad = [&](const QString& why) {
        if (error)
            *error = QStringLiteral("fault \"%1\": %2").arg(text, why);
        return false;
    };
    const bool firstOk = args >= 1 && number(parts[1], a);
    const bool secondOk = args >= 2 && number(parts[2], b);

    if (name == "silent") {
        if (args == 0)
            faults.silent = true;
        else if (args == 1 && firstOk)
            faults.silentCommands = int(a);
        else
            return bad("expected silent or silent:N");
    } else if (name == "recerr" || name == "badop") {
        if (args != 1 || !firstOk)
            return bad("expected " + name + ":N");
        (name == "recerr" ? faults.recErrCommands : faults.badOpCommands) = int(a);
    } else if (name == "stall") {
        qint64 at = -1;
        if (!firstOk || args > 3 || (args >= 2 && !secondOk) ||
            (args == 3 && !number(parts[3], at)))
            return bad("expected stall:MS, stall:MS:N or stall:MS:N:AT");
        faults.stallMs = a;
        faults.stallReplies = args >= 2 ? int(b) : 1;
        faults.stallAt = int(at);
    } else if (name == "short") {
        if (args == 1 && firstOk)
            faults.shortReplies = int(a);
        else if (args == 1 && parts[1].size() == 2)
            faults.shortReplyOpcode = parts[1].toUpper().toLatin1();
        else
            return bad("expected short:OP with a two-letter opcode, or short:N");
    } else if (name == "speed") {
        if (args != 1 || !firstOk || a <= 0 || a > 4'000'000)
            return bad("expected speed:BAUD, the meter's own speed");
        faults.meterBaud = int(a);
    } else if (name == "garbage") {
        if (!firstOk || args > 2 || (args == 2 && !secondOk))
            return bad("expected garbage:N or garbage:N:BYTES");
        faults.garbageReplies = int(a);
        if (args == 2)
            faults.garbageBytes = int(b);
    } else if (name == "noise") {
        if (args == 0)
            faults.noise = true;
        else if (args == 1 && firstOk)
            faults.noiseMs = a;
        else
            return bad("expected noise or noise:MS");
    } else if (name == "corrupt") {
        if (!firstOk || args > 2)
            return bad("expected corrupt:N or corrupt:N:OFFSET");
        faults.corruptReplies = int(a);
        if (args == 2) {
            bool ok = false;
            const int offset = parts[2].toInt(&ok);
            if (!ok || offset < 0)
                return bad("the offset is a byte position from 0");
            faults.corruptOffset = offset;
        }
    } else if (name == "never-ok") {
        if (args != 0)
            return bad("never-ok takes no number");
        faults.neverOk = true;
    } else if (name == "hangup") {
        if (args == 0)
            faults.hangUp = true;
        else if (args == 1 && firstOk)
            faults.hangUpAfterCommands = int(a);
        else
            return bad("expected hangup or hangup:N");
    } else if (name == "status-invalid" || name == "zero-divisor" || name == "dead-low") {
        if (args != 0)
            return bad(name + " takes no number");
        (name == "status-invalid" ? faults.statusNotValid
         : name == "zero-divisor" ? faults.zeroDivisor
                                  : faults.deadLowFrequency) = true;
    } else if (name == "range-byte") {
        bool ok = false;
        const int value = args == 1 ? parts[1].toInt(&ok) : -1;
        if (!ok || value < 0 || value > 255)
            return bad("expected range-byte:N with N from 0 to 255");
        faults.rangeScaleByte = value;
    } else {
        return bad("unknown fault");
    }
    return true;
}

QString FaultSwitch::help() {
    return QStringLiteral(
        "Faults (--fault may be given several times; they add up):\n"
        "  silent          never answer\n"
        "  silent:N        give no answer to the next N commands\n"
        "  recerr:N        answer \"RecErr\" to the next N commands read as a line\n"
        "  badop:N         answer \"Bad OPCode \" to the next N commands\n"
        "  stall:MS[:N[:AT]] pause MS milliseconds in the middle (or before byte AT, from 0) "
        "of the next N replies (default 1)\n"
        "  short:OP        send replies to opcode OP (e.g. FD) one byte short\n"
        "  short:N         send the next N replies one byte short\n"
        "  garbage:N[:B]   follow the next N replies with B bytes of garbage (default 8)\n"
        "  noise           from the next command on, stream text without a line feed for ever\n"
        "  noise:MS        the same for MS milliseconds\n"
        "  corrupt:N[:OFF] invert one byte (at OFF, from 0; default the middle) of the next N "
        "replies\n"
        "  never-ok        acknowledge set-commands with \"NO\" instead of \"OK\"\n"
        "  hangup          hang up at once (the line goes away)\n"
        "  hangup:N        hang up after answering N commands\n"
        "  status-invalid  mark the analysis status block (XR,3) as not current\n"
        "  range-byte:N    send N (0-255) as the range-scale byte of XR,2\n"
        "  zero-divisor    send a velocity divisor of 0 in XR,1\n"
        "  dead-low        send all-zero low-frequency spectra (XD,1 and XD,3)\n"
        "  speed:BAUD      the meter is set to BAUD: while the line runs at another speed\n"
        "                  it takes no command and answers framing noise\n");
}
