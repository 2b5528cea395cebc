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
    // The next stallReplies replies pause for stallMs in their middle, or
    // before their byte stallAt (from 0) when that is not negative: a reply
    // split in two, or a datalog block that comes late after its line.
    qint64 stallMs = 0;
    int stallReplies = 0;
    int stallAt = -1;
    // Replies to this opcode (two letters, for example "FD") lose their last
    // byte.
    QByteArray shortReplyOpcode;
    // The next N replies lose their last byte.
    int shortReplies = 0;
    // The next N replies are followed by garbageBytes bytes of garbage.
    int garbageReplies = 0;
    int garbageBytes = 8;
    // From the next command on, another device streams text without a line
    // feed over the line for noiseMs milliseconds, or for ever with noise.
    qint64 noiseMs = 0;
    bool noise = false;
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
    // The meter's own speed, in baud; 0 is whatever the line is set to.
    // While the line runs at another speed its UART reads the program's bytes
    // as framing noise: it takes no command and sends noise back.
    int meterBaud = 0;
};
