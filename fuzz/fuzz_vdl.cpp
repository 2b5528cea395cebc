// Datalog files (*.VDL) as the program reads them: any bytes must give a log
// or a refusal, never a crash; a log that loads must be whole and must save.
#include "datalog/VdlFile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QString error;
    const std::optional<DatalogRecord> log = VdlFile::decode(bytes, &error);
    if (!log) {
        if (error.isEmpty())
            std::abort(); // a refusal always says why
        return 0;
    }
    if (log->LogPointCount < VdlFile::MinPoints || log->LogPointCount > DatalogRecord::MaxPoints ||
        qsizetype(log->LogPoints.size()) != log->LogPointCount ||
        log->LogLines.size() != log->LogPointCount + 3)
        std::abort();
    // What loaded can be written again.
    if (VdlFile::encode(*log).isEmpty())
        std::abort();
    return 0;
}
