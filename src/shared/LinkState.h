#pragma once

#include <QByteArray>
#include <QtGlobal>

// What every part of the program may read after an exchange with the meter.
// One instance lives for the whole run, owned by the meter link.
struct LinkState {
    // An exchange is under way. The polling cycle skips its tick while set and
    // user-initiated commands wait for it to clear.
    bool CommBusy = false;
    // The command being sent, built here by the caller (terminator included).
    QByteArray CurrentCommand;
    // Copy of the last command written to the port.
    QByteArray LastCommand;
    // Bytes of the last binary read; emptied at the start of each exchange.
    QByteArray RawReply;
    // Result of the last read: 0 good, 1 time-out or partial, 2 "Bad OP" seen.
    qint16 ReplyStatus = 0;
    // Sum of the byte values of the last complete binary read.
    qint32 ReplyByteSum = 0;
    // Exchanges that ended without the expected reply since the program started.
    qint32 ReplyTimeouts = 0;
};
