#include "LogDirectoryScan.h"

#include "LogHeader.h"

#include "link/MeterLink.h"
#include "link/SerialPort.h"
#include "link/Waiter.h"

namespace {

// Each open is preceded by this pause: the meter needs it between files.
constexpr qint64 kOpenPauseMs = 1000;
// Opens of one file before the scan gives up on the rest.
constexpr int kFileAttempts = 20;
// The echo of "OD,DATALOG" and its digit.
constexpr int kEchoLength = 11;

const QByteArray kBad = QByteArrayLiteral("Bad");

} // namespace

bool LogDirectoryScan::run(DatalogDirectory& directory) {
    for (int d = 0; d < DatalogDirectory::FileCount; ++d) {
        DatalogDirectory::File file;
        if (!readFile(d, file))
            return false;
        directory.files[d] = file;
        // Closes the file; a second try when the first went unanswered.
        link_.writeDirect("DC,0\n");
        const QByteArray closed = link_.ReadComm(0);
        if (closed.isEmpty() || closed.contains(kBad)) {
            link_.writeDirect("DC,0\n");
            link_.ReadComm(0);
        }
        if (onFile)
            onFile(d, file.points);
    }
    return true;
}

bool LogDirectoryScan::readFile(int d, DatalogDirectory::File& file) {
    LinkState& state = link_.state();
    for (int attempt = 1; attempt <= kFileAttempts; ++attempt) {
        // The pause also clears the line, and ends at once if it closes.
        link_.discardUntilQuiet(kOpenPauseMs);
        if (link_.isShutDown() || !link_.port().isOpen())
            return false;
        link_.port().discardInput();
        link_.writeDirect("OD,DATALOG" + QByteArray::number(d) + "\n");
        if (link_.ReadComm(0).size() != kEchoLength || state.ReplyStatus != 0)
            continue;
        QByteArray fields[3];
        bool refused = false;
        for (QByteArray& f : fields) {
            f = link_.ReadComm(0);
            refused = refused || state.ReplyStatus > 1;
        }
        if (refused)
            continue;
        file = {};
        file.read = true;
        file.date = QString::fromLatin1(fields[0]);
        file.time = QString::fromLatin1(fields[1]);
        file.units = QString::fromLatin1(fields[2]);
        if (fields[0].isEmpty() && fields[1].isEmpty() && fields[2].isEmpty()) {
            file.empty = true;
            return true;
        }
        const QByteArray scale = link_.ReadComm(0);
        if (state.ReplyStatus > 1)
            continue;
        const QByteArray interval = link_.ReadComm(0);
        if (state.ReplyStatus > 1)
            continue;
        const QByteArray count = link_.ReadComm(0);
        if (count.isEmpty() || count.contains(kBad))
            continue;
        LogHeader header;
        header.scale = scale;
        header.interval = interval;
        header.count = count;
        file.scale = header.scaleValue();
        file.interval = header.intervalValue();
        file.points = header.pointCount();
        return true;
    }
    return false;
}
