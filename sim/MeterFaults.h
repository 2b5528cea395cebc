#pragma once

#include <QByteArray>
#include <QtGlobal>

// Misbehaviour a test can switch on in the simulated meter, alone or
// together. Counters count down as the meter meets matching commands; a
// counter of 0 means the fault is off.
struct MeterFaults {
    // The meter answers nothing at all.
    bool silent = false;
    // The next N commands get no answer.
    int silentCommands = 0;
    // The next N commands that the program reads as a text line are answered
    // with "RecErr" (14 bytes).
    int recErrCommands = 0;
    // The next N commands are answered "Bad OPCode " as if unknown.
    int badOpCommands = 0;
    // The next stallReplies replies pause for stallMs in their middle.
    qint64 stallMs = 0;
    int stallReplies = 0;
    // Replies to this opcode (two letters, for example "FD") lose their last
    // byte.
    QByteArray shortReplyOpcode;
    // The next N replies have one byte inverted: the byte at corruptOffset
    // (0-based), or the middle byte when corruptOffset is negative.
    int corruptReplies = 0;
    int corruptOffset = -1;
    // Set-commands are acknowledged with "NO" instead of "OK".
    bool neverOk = false;
    // The line goes away: at once, or after the next N commands.
    bool hangUp = false;
    int hangUpAfterCommands = 0;
    // Diagnostic blocks: the XR,3 status block marked not current; the XR,2
    // range-scale byte forced to this value (-1: the meter's own); a velocity
    // divisor of 0 in XR,1; a dead low-frequency transducer (XD,1 and XD,3
    // spectra all 0).
    bool statusNotValid = false;
    int rangeScaleByte = -1;
    bool zeroDivisor = false;
    bool deadLowFrequency = false;
};
