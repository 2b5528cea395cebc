#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <vector>

class MeterLink;

// Deletes every datalog file the meter lists. Logging that is on is switched
// off for the erase and on again afterwards, also when the erase fails after
// it was switched off. Every loop is bounded. The caller holds the line and
// asks the user first.
class LogErase {
public:
    LogErase(MeterLink& link, std::function<void(float)> setProg)
        : link_(link), setProg_(std::move(setProg)) {}

    struct Outcome {
        bool ok = false;
        QString message; // for the user when something went wrong; empty otherwise
        std::vector<QByteArray> deleted;
    };

    Outcome run(bool loggingActive);

private:
    // Reads reply fields until an empty one, a fixed number at most.
    void drain();
    bool setLogging(bool on);

    MeterLink& link_;
    std::function<void(float)> setProg_;
};
