// Texts the user types or the settings store hands back: port settings,
// stored port numbers, and display patterns with any value.
#include "fuzz/FuzzSupport.h"
#include "link/DisplayFormat.h"
#include "link/PortSettingsStore.h"
#include "link/LineSettings.h"

#include <cmath>
#include <cstdint>

namespace {

void portSettings(const QString& settings) {
    QString problem;
    const auto line = LineSettings::parse(settings, &problem);
    check(line || !problem.isEmpty());
    if (line) {
        // What the port shows of accepted settings reads back as the same.
        const auto again = LineSettings::parse(line->text());
        check(again && again->baudRate == line->baudRate && again->parity == line->parity &&
              again->dataBits == line->dataBits && again->stopBits == line->stopBits);
    }
    PortSettingsStore::startupSettingsFrom(settings);
    const int port = PortSettingsStore::startupPortFrom(settings);
    check(port >= 1 && port <= PortSettingsStore::PortCount);
}

void numbers(FuzzedDataProvider& in) {
    const QString pattern = text(in, 24);
    const double d = in.ConsumeFloatingPoint<double>();
    const float f = in.ConsumeFloatingPoint<float>();
    FormatNumber(d, pattern);
    FormatNumber(f, pattern);
    FormatNumber(in.ConsumeIntegral<qint16>(), pattern);
    FormatNumber(in.ConsumeIntegral<qint32>(), pattern);
    // The general form is the shortest text that reads back as the number.
    if (std::isfinite(d))
        check(std::strtod(GeneralForm(d).toLatin1().constData(), nullptr) == d);
    if (std::isfinite(f))
        check(std::strtof(GeneralForm(f).toLatin1().constData(), nullptr) == f);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    if (in.ConsumeBool())
        portSettings(text(in, 64));
    else
        numbers(in);
    return 0;
}
