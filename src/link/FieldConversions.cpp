#include "link/FieldConversions.h"

#include "link/DisplayFormat.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr int WorkBufferSize = 8;

// Rounds half to even, as an assignment of a single to an integer does.
double roundHalfEven(double x) {
    const double r = std::floor(x + 0.5);
    if (r - x == 0.5 && std::fmod(r, 2.0) != 0.0)
        return r - 1.0;
    return r;
}

template <typename Int> Int toInteger(double x) {
    if (std::isnan(x))
        throw FieldError("field value is not a number");
    const double r = roundHalfEven(x);
    if (r < double(std::numeric_limits<Int>::min()) || r > double(std::numeric_limits<Int>::max()))
        throw FieldError("field value does not fit its type");
    return Int(r);
}

template <typename Int> Int integerOf(const FieldValue::Storage& value) {
    return std::visit(
        [](const auto& v) -> Int {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::monostate>)
                return 0;
            else if constexpr (std::is_same_v<T, QByteArray>)
                throw FieldError("text field read as a number");
            else
                return toInteger<Int>(double(v));
        },
        value);
}

} // namespace

qint16 FieldValue::toInt() const {
    return integerOf<qint16>(value_);
}

qint32 FieldValue::toLong() const {
    return integerOf<qint32>(value_);
}

double FieldValue::toDouble() const {
    return std::visit(
        [](const auto& v) -> double {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::monostate>)
                return 0.0;
            else if constexpr (std::is_same_v<T, QByteArray>)
                throw FieldError("text field read as a number");
            else
                return double(v);
        },
        value_);
}

float FieldValue::toFloat() const {
    const double d = toDouble();
    if (std::isfinite(d) && std::fabs(d) > double(std::numeric_limits<float>::max()))
        throw FieldError("field value does not fit a single");
    return float(d);
}

QByteArray FieldValue::toText() const {
    return std::visit(
        [](const auto& v) -> QByteArray {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::monostate>)
                return {};
            else if constexpr (std::is_same_v<T, QByteArray>)
                return v;
            else if constexpr (std::is_same_v<T, float>)
                return GeneralForm(v).toLatin1();
            else
                return QByteArray::number(v);
        },
        value_);
}

std::array<quint8, 8> RawToBytes(const QByteArray& text) {
    if (text.size() > WorkBufferSize)
        throw FieldError("field of more than 8 bytes");
    std::array<quint8, 8> buffer{};
    for (qsizetype i = 0; i < text.size(); ++i)
        buffer[size_t(i)] = quint8(text[i]);
    return buffer;
}

qint16 RawToInt(const QByteArray& text) {
    const auto b = RawToBytes(text);
    return qint16(quint16(b[0] | (b[1] << 8)));
}

qint32 RawToLong(const QByteArray& text) {
    const auto b = RawToBytes(text);
    return qint32(quint32(b[0]) | (quint32(b[1]) << 8) | (quint32(b[2]) << 16) |
                  (quint32(b[3]) << 24));
}

float RawToSingle(const QByteArray& text) {
    const auto b = RawToBytes(text);
    // The meter sends zero high bytes for "no value"; the low bytes are noise.
    if (b[2] == 0 && b[3] == 0)
        return 0.0f;
    const quint32 bits = quint32(RawToLong(text));
    float value;
    std::memcpy(&value, &bits, sizeof value);
    if (!std::isfinite(value))
        throw FieldError("single field is not a finite number");
    return value;
}

double RawToDouble(const QByteArray& text) {
    const auto b = RawToBytes(text);
    quint64 bits = 0;
    for (int i = WorkBufferSize - 1; i >= 0; --i)
        bits = (bits << 8) | b[size_t(i)];
    double value;
    std::memcpy(&value, &bits, sizeof value);
    if (!std::isfinite(value))
        throw FieldError("double field is not a finite number");
    return value;
}

qint16 RawToSgnByte(const QByteArray& text) {
    const int b = RawToBytes(text)[0];
    return qint16(b >= 128 ? b - 256 : b);
}

QByteArray HexText(const QByteArray& text) {
    return text.toHex().toUpper();
}

qint32 HexToLong(const QByteArray& text) {
    if (text.size() > WorkBufferSize)
        throw FieldError("hexadecimal text of more than 8 digits");
    qint64 sum = 0;
    qint64 place = 1;
    for (qsizetype i = text.size() - 1; i >= 0; --i) {
        const int c = quint8(text[i]);
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else
            digit = c - 55;
        sum += digit * place;
        place *= 16;
    }
    if (sum < std::numeric_limits<qint32>::min() || sum > std::numeric_limits<qint32>::max())
        throw FieldError("hexadecimal value does not fit 32 bits");
    return qint32(sum);
}

QByteArray BytesToRaw(const std::array<quint8, 8>& buffer, int count) {
    if (count < 0 || count > WorkBufferSize)
        throw FieldError("byte count outside 0..8");
    return QByteArray(reinterpret_cast<const char*>(buffer.data()), count);
}

QByteArray IntToRaw(qint16 value) {
    const quint16 u = quint16(value);
    const char bytes[2] = {char(u & 0xFF), char(u >> 8)};
    return QByteArray(bytes, 2);
}

QByteArray SingleToRaw(float value) {
    quint32 bits;
    std::memcpy(&bits, &value, sizeof bits);
    QByteArray raw(4, '\0');
    for (int i = 0; i < 4; ++i)
        raw[i] = char((bits >> (8 * i)) & 0xFF);
    return raw;
}

QByteArray SgnByteToRaw(qint16 value) {
    const int code = value < 0 ? value + 256 : value;
    if (code < 0 || code > 255)
        throw FieldError("value does not fit one byte");
    return QByteArray(1, char(code));
}

FieldValue GetField(const QByteArray& reply, qint16& position, qint16& sizeCode) {
    const bool isLong = sizeCode == 44;
    if (isLong)
        sizeCode = 4;
    if (position < 1 || sizeCode < 0)
        throw FieldError("field position or size out of range");
    const int next = position + sizeCode;
    if (next > std::numeric_limits<qint16>::max())
        throw FieldError("field position out of range");

    const QByteArray field = reply.mid(position - 1, sizeCode);
    const qint16 code = sizeCode;
    position = qint16(next);

    switch (code) {
    case 1:
    case 2:
        return FieldValue(RawToInt(field));
    case 4:
        if (isLong)
            return FieldValue(RawToLong(field));
        return FieldValue(RawToSingle(field));
    case 6:
        return FieldValue(field);
    default:
        return FieldValue();
    }
}

qint16 StrToInt(const QByteArray& bytes) {
    if (bytes.size() != 2)
        return -1;
    const int low = quint8(bytes[0]);
    const int high = quint8(bytes[1]);
    const int magnitude = (high & 0x7F) * 256 + low;
    return qint16((high & 0x80) ? -magnitude : magnitude);
}

qint32 StrToLong(const QByteArray& bytes) {
    if (bytes.size() != 4)
        return -1;
    const double value = quint8(bytes[0]) + 256.0 * quint8(bytes[1]) + 65536.0 * quint8(bytes[2]) +
                         16777216.0 * quint8(bytes[3]);
    if (value > double(std::numeric_limits<qint32>::max()))
        throw FieldError("unsigned 32-bit field above 2147483647");
    return qint32(value);
}

float Stringtofloat(const QByteArray& bytes) {
    if (bytes.size() != 4)
        return -1.0f;
    const int b1 = quint8(bytes[0]);
    const int b2 = quint8(bytes[1]);
    const int b3 = quint8(bytes[2]);
    const int b4 = quint8(bytes[3]);
    const int sign = b4 >> 7;
    const int exponent = (b4 & 0x7F) * 2 + (b3 >> 7);
    if (exponent == 255)
        throw FieldError("single field exponent out of range");
    const double mantissa = (b1 + 256.0 * b2 + 65536.0 * (b3 & 0x7F) + 8388608.0) / 8388608.0;
    const double value = std::ldexp(mantissa, exponent - 127);
    return float(sign ? -value : value);
}
