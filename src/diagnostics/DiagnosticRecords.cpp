#include "DiagnosticRecords.h"

#include "LogRecord.h"
#include "shared/SignalArrays.h"

namespace {
// value i of several arrays on one line, joined by ", ".
template <typename... Arrays> QString valuesLine(size_t i, const Arrays&... arrays) {
    QStringList items{LogRecord::number(qint64(arrays[i]))...};
    return items.join(", ");
}

// The date line, the column heads, then one line per element of the arrays.
template <typename First, typename... Rest>
QByteArray table(const QString& dateLine, const char* heads, const First& first,
                 const Rest&... rest) {
    LogRecord r;
    r.append(dateLine).line().append(heads);
    for (size_t i = 0; i < first.size(); ++i)
        r.line().append(valuesLine(i, first, rest...));
    return r.bytes();
}
} // namespace

QByteArray DiagnosticRecords::frequency(const QString& dateLine, const SignalArrays& a) {
    return table(dateLine,
                 "Low Frequency FFT, High Frequency FFT, Supervisor Range - Low Frequency FFT, "
                 "Supervisor Range - High Frequency FFT",
                 a.SelLowFFT, a.SelHighFFT, a.SupLowFFT, a.SupHighFFT);
}

QByteArray DiagnosticRecords::crossproduct(const QString& dateLine, const SignalArrays& a) {
    return table(dateLine, "Crossproduct, Supervisor Range - Crossproduct", a.SelXProd, a.SupXProd);
}

QByteArray DiagnosticRecords::time(const QString& dateLine, const SignalArrays& a) {
    return table(dateLine,
                 "Low Frequency, High Frequency, Supervisor Range - Low Frequency, "
                 "Supervisor Range - High Frequency",
                 a.SelLowTime, a.SelHighTime, a.SupLowTime, a.SupHighTime);
}

QByteArray DiagnosticRecords::parameters(const QString& dateLine, const QHash<QString, QString>& b,
                                         int rangeScale) {
    const auto t = [&](const char* name) { return b.value(name); };
    LogRecord r;
    r.append(dateLine);
    r.line().append("Fluid Vel (ft/sec)").zone(t("Text6(1)")).zone(t("Text6(16)"));
    r.line().append("Flow ").zone(t("Text6(2)")).zone(t("Text6(17)")).zone(t("Text15"));
    r.line().append("Signal Quality").zone(t("Text6(20)")).zone(t("Text6(19)"));
    r.line().append("Supervisor Signal Quality").zone(t("Text6(26)")).zone(t("Text6(25)"));
    r.line().append("Time Dom P/P").zone(t("Text6(9)")).zone(t("Text6(7)"));
    r.line().append("Freq Dom BN").zone(t("Text6(13)")).zone(t("Text6(11)"));
    r.line().append("Doppler Freq").zone(t("Text6(0)")).zone(" ").zone(t("Text6(15)"));
    r.line().append("Range Idx").zone(t("Text6(3)")).zone(" ").zone(t("Text6(18)"));
    // The velocity range in the form 2 ^ (6 - (log2(scale) - 7)), which is
    // 8192 / scale; worked as the quotient so that it is exact.
    const QString range = rangeScale > 0 ? LogRecord::number(8192.0 / rangeScale) : QString();
    r.line()
        .append("Gain ")
        .append(t("Text1"))
        .zone("Pipe ID")
        .append(t("Text5"))
        .zone("Range")
        .append(range);
    r.line().append("Abs SS ").append(t("Text12")).zone("Rel SS ").append(t("Text10"));
    r.line().append("LF Cutoff").zone(t("Text11(0)")).zone("Vel Scale Factor").zone(t("Text11(1)"));
    r.line().append("Power ").zone(t("Text9"));
    r.line().append("Supervisor Output:");
    r.line().raw(t("Text7"));
    return r.bytes();
}

QByteArray DiagnosticRecords::supervisor(const QString& dateLine,
                                         const QHash<QString, QString>& b) {
    LogRecord r;
    r.append(dateLine);
    r.line().append("Flow: ").append(b.value("Text6(17)")).append(b.value("Text15"));
    r.line().append("SS: ").append(b.value("Text12"));
    r.line().append("SQ: ").append(b.value("Text6(19)"));
    r.line().raw(b.value("Text7"));
    return r.bytes();
}
