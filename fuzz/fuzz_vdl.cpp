// Datalog files (*.VDL) as the program reads them: any bytes must give a log
// or a refusal, never a crash; a log that loads must be whole and must save.
#include "datalog/VdlFile.h"
#include "fuzz/FuzzSupport.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QString error;
    const std::optional<DatalogRecord> log = VdlFile::decode(bytes, &error);
    check(log || !error.isEmpty()); // a refusal always says why
    if (log) {
        check(log->LogPointCount >= VdlFile::MinPoints &&
              log->LogPointCount <= DatalogRecord::MaxPoints &&
              qsizetype(log->LogPoints.size()) == log->LogPointCount &&
              log->LogLines.size() == log->LogPointCount + 3);
        check(!VdlFile::encode(*log).isEmpty()); // what loaded can be written again
    }
    return 0;
}
