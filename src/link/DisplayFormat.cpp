#include "link/DisplayFormat.h"

#include <charconv>
#include <cmath>
#include <string>
#include <vector>

namespace {

// Significant decimal digits each type carries when shown.
constexpr int DoubleDigits = 15;
constexpr int SingleDigits = 7;

// Fixed notation is used for decimal exponents in [FixedMinExponent, max].
constexpr int FixedMinExponent = -5;
constexpr int DoubleFixedMaxExponent = 14;
constexpr int SingleFixedMaxExponent = 6;

// A finite magnitude as significant digits d1 d2 ... and the decimal exponent
// of d1: |value| = d1.d2d3... x 10^exponent.
struct Decimal {
    std::string digits;
    int exponent = 0;
};

// Parses the "d.ddde+XX" text that std::to_chars writes in scientific form.
Decimal parseScientific(const char* first, const char* last) {
    Decimal d;
    const char* p = first;
    if (p != last && *p == '-')
        ++p;
    for (; p != last && *p != 'e'; ++p)
        if (*p != '.')
            d.digits.push_back(*p);
    if (p != last) {
        ++p;
        if (*p == '+')
            ++p;
        std::from_chars(p, last, d.exponent);
    }
    return d;
}

template <typename Real> Decimal toDecimal(Real value, int significant) {
    char buf[64];
    const auto r =
        std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, significant - 1);
    return parseScientific(buf, r.ptr);
}

// value rounded to `significant` digits, trailing zeros dropped.
template <typename Real> Decimal roundedDecimal(Real value, int significant) {
    Decimal d = toDecimal(value, significant);
    while (d.digits.size() > 1 && d.digits.back() == '0')
        d.digits.pop_back();
    return d;
}

// Adds one to a string of decimal digits.
void increment(std::string& digits) {
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (*it != '9') {
            ++*it;
            return;
        }
        *it = '0';
    }
    digits.insert(digits.begin(), '1');
}

// |value| rounded half away from zero to `decimals` places, split into the
// integer digits (no leading zeros, empty for 0) and exactly `decimals`
// fraction digits.
void roundDecimal(const Decimal& d, int decimals, std::string& intDigits, std::string& fracDigits) {
    const long keep = long(d.exponent) + decimals + 1; // digits of d kept
    const long n = long(d.digits.size());
    std::string scaled; // |value| x 10^decimals, as a whole number
    bool roundUp = false;
    if (keep <= 0) {
        roundUp = keep == 0 && d.digits[0] >= '5';
    } else if (keep >= n) {
        scaled = d.digits + std::string(size_t(keep - n), '0');
    } else {
        scaled = d.digits.substr(0, size_t(keep));
        roundUp = d.digits[size_t(keep)] >= '5';
    }
    if (roundUp)
        increment(scaled);
    if (scaled.size() < size_t(decimals) + 1)
        scaled.insert(0, size_t(decimals) + 1 - scaled.size(), '0');
    intDigits = scaled.substr(0, scaled.size() - size_t(decimals));
    fracDigits = scaled.substr(scaled.size() - size_t(decimals));
    const size_t firstNonZero = intDigits.find_first_not_of('0');
    intDigits.erase(0, firstNonZero == std::string::npos ? intDigits.size() : firstNonZero);
}

bool isPlaceholder(QChar c) {
    return c == u'#' || c == u'0';
}

QString formatDecimal(bool negative, const Decimal& d, const QString& pattern) {
    const qsizetype dot = pattern.indexOf(u'.');
    const QString intPattern = dot < 0 ? pattern : pattern.left(dot);
    const QString fracPattern = dot < 0 ? QString() : pattern.mid(dot + 1);

    std::vector<qsizetype> intSlots;
    qsizetype firstZero = -1;
    for (qsizetype i = 0; i < intPattern.size(); ++i) {
        if (!isPlaceholder(intPattern[i]))
            continue;
        if (intPattern[i] == u'0' && firstZero < 0)
            firstZero = qsizetype(intSlots.size());
        intSlots.push_back(i);
    }
    int decimals = 0;
    int requiredDecimals = 0;
    for (const QChar c : fracPattern) {
        if (!isPlaceholder(c))
            continue;
        ++decimals;
        if (c == u'0')
            requiredDecimals = decimals;
    }

    std::string intDigits, fracDigits;
    roundDecimal(d, decimals, intDigits, fracDigits);

    const size_t requiredInt = firstZero < 0 ? 0 : intSlots.size() - size_t(firstZero);
    if (intDigits.size() < requiredInt)
        intDigits.insert(0, requiredInt - intDigits.size(), '0');
    while (fracDigits.size() > size_t(requiredDecimals) && fracDigits.back() == '0')
        fracDigits.pop_back();

    QString out;
    if (negative)
        out += u'-';

    if (intSlots.empty()) {
        out += intPattern;
        out += QString::fromLatin1(intDigits);
    } else {
        // Digits for each placeholder, right to left; the leftmost takes the rest.
        std::vector<QString> filled(intSlots.size());
        qsizetype remaining = qsizetype(intDigits.size());
        for (size_t s = intSlots.size(); s-- > 1 && remaining > 0;)
            filled[s] = QChar::fromLatin1(intDigits[size_t(--remaining)]);
        filled[0] = QString::fromLatin1(intDigits.data(), remaining);
        size_t slot = 0;
        for (qsizetype i = 0; i < intPattern.size(); ++i) {
            if (slot < intSlots.size() && intSlots[slot] == i)
                out += filled[slot++];
            else
                out += intPattern[i];
        }
    }

    if (dot >= 0) {
        out += u'.';
        size_t k = 0;
        for (const QChar c : fracPattern) {
            if (!isPlaceholder(c))
                out += c;
            else if (k < fracDigits.size())
                out += QChar::fromLatin1(fracDigits[k++]);
        }
    }
    return out;
}

QString nonFinite(double value) {
    if (std::isnan(value))
        return QStringLiteral("NaN");
    return value < 0 ? QStringLiteral("-Inf") : QStringLiteral("Inf");
}

template <typename Real> QString generalForm(Real value, int significant, int fixedMaxExponent) {
    if (!std::isfinite(value))
        return nonFinite(double(value));
    if (value == 0)
        return QStringLiteral("0");
    const Decimal d = roundedDecimal(value, significant);
    const int n = int(d.digits.size());
    QString out;
    if (value < 0)
        out += u'-';
    if (d.exponent < FixedMinExponent || d.exponent > fixedMaxExponent) {
        out += QChar::fromLatin1(d.digits[0]);
        if (n > 1)
            out += u'.' + QString::fromLatin1(d.digits.data() + 1, n - 1);
        out += d.exponent < 0 ? QStringLiteral("E-") : QStringLiteral("E+");
        out += QString::number(std::abs(d.exponent)).rightJustified(2, u'0');
    } else if (d.exponent < 0) {
        out += QStringLiteral("0.") + QString(-d.exponent - 1, u'0') +
               QString::fromLatin1(d.digits.data(), n);
    } else if (n <= d.exponent + 1) {
        out += QString::fromLatin1(d.digits.data(), n) + QString(d.exponent + 1 - n, u'0');
    } else {
        out += QString::fromLatin1(d.digits.data(), d.exponent + 1) + u'.' +
               QString::fromLatin1(d.digits.data() + d.exponent + 1, n - d.exponent - 1);
    }
    return out;
}

} // namespace

QString FormatNumber(double value, const QString& pattern) {
    if (!std::isfinite(value))
        return nonFinite(value);
    if (pattern.isEmpty())
        return GeneralForm(value);
    return formatDecimal(value < 0, toDecimal(value, DoubleDigits), pattern);
}

QString FormatNumber(float value, const QString& pattern) {
    if (!std::isfinite(value))
        return nonFinite(double(value));
    if (pattern.isEmpty())
        return GeneralForm(value);
    return formatDecimal(value < 0, toDecimal(value, SingleDigits), pattern);
}

QString GeneralForm(double value) {
    return generalForm(value, DoubleDigits, DoubleFixedMaxExponent);
}

QString GeneralForm(float value) {
    return generalForm(value, SingleDigits, SingleFixedMaxExponent);
}
