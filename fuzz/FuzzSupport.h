#pragma once
// What the fuzz targets share: a check that stops the run so libFuzzer keeps
// the input, and the fuzzer's bytes as Qt types.
#include <QByteArray>
#include <QString>

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>

inline void check(bool condition) {
    if (!condition)
        std::abort();
}

inline QByteArray bytes(FuzzedDataProvider& in, size_t max) {
    const std::string s = in.ConsumeRandomLengthString(max);
    return QByteArray(s.data(), qsizetype(s.size()));
}

inline QString text(FuzzedDataProvider& in, size_t max) {
    return QString::fromUtf8(bytes(in, max));
}
