// One command to the simulated meter, and all of its reply.
#pragma once

#include "MeterModel.h"

constexpr qint64 Later = 60000; // long enough for any reply to have left

inline QByteArray exchange(MeterModel& m, const QByteArray& command, qint64 t = 0) {
    m.receive("\x1b\r" + command + "\n", t);
    return m.takeBytesUntil(t + Later);
}
