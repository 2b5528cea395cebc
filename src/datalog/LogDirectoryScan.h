#pragma once

#include "shared/DatalogRecord.h"

#include <functional>

class MeterLink;

// Opens each of the meter's ten datalog files in turn and reads its header,
// to show how many points each holds. Fills its own directory record only:
// the log in memory is never touched. The caller holds the line.
class LogDirectoryScan {
public:
    explicit LogDirectoryScan(MeterLink& link) : link_(link) {}

    // Called as each file's count is known (0 for an empty file).
    std::function<void(int file, qint32 points)> onFile;

    // Scans files 0 to 9; false when a file never answered properly (the
    // scan then ends there) or the program is closing.
    bool run(DatalogDirectory& directory);

private:
    bool readFile(int d, DatalogDirectory::File& file);

    MeterLink& link_;
};
