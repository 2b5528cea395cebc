// Datalog files (*.VDL) as the program reads them: any bytes must give a log
// or a refusal, never a crash; a log that loads must be whole and must save.
#include "datalog/VdlFile.h"
#include "fuzz/FuzzSupport.h"
#include "link/DisplayFormat.h"

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
        // Writing what loaded changes no number: each point's flow and mark
        // read back as the file gave them.
        const std::optional<DatalogRecord> again = VdlFile::decode(VdlFile::encode(*log), &error);
        if (again && again->FilePoints.size() == log->FilePoints.size())
            for (size_t i = 0; i < log->FilePoints.size(); ++i)
                check(GeneralForm(again->FilePoints[i].flow) ==
                          GeneralForm(log->FilePoints[i].flow) &&
                      again->FilePoints[i].reverse == log->FilePoints[i].reverse);
    }
    return 0;
}
