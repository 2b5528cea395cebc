#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <array>
#include <stdexcept>
#include <variant>

// Conversions between the meter's little-endian binary fields and numbers.
//
// Replies and binary command arguments are byte strings, one character per
// byte. Two families decode them:
//  - the text family (RawTo..., GetField) works on reply text cut from
//    LinkState::RawReply; 2-byte values are two's complement;
//  - the byte-string family (StrToInt, StrToLong, Stringtofloat) works on
//    fields of the signal, analysis, datalog and flow blocks; 2-byte values
//    are sign-magnitude there, and a field of the wrong length gives -1.
//
// A field that cannot be converted (too long, or a value that does not fit its
// result) throws FieldError. The read procedure that walks a record catches it
// and treats the whole read as failed, so a bad field is never used.

class FieldError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One field cut by GetField: a 16-bit integer (codes 1 and 2), a single
// (code 4), a 32-bit integer (code 44), 6 characters of text (code 6), or
// nothing (any other code).
//
// The accessors convert the way an assignment to a typed variable does:
// nothing reads as 0 or as empty text; a single is rounded half to even when
// read as an integer; a value that does not fit the asked type, or text read
// as a number, throws FieldError.
class FieldValue {
public:
    using Storage = std::variant<std::monostate, qint16, float, qint32, QByteArray>;

    FieldValue() = default;
    explicit FieldValue(Storage value) : value_(std::move(value)) {}

    bool isEmpty() const { return std::holds_alternative<std::monostate>(value_); }
    const Storage& storage() const { return value_; }

    qint16 toInt() const;
    qint32 toLong() const;
    float toFloat() const;
    double toDouble() const;
    // Text as it stands; a number as its general decimal form.
    QByteArray toText() const;

    bool operator==(const FieldValue&) const = default;

private:
    Storage value_;
};

// Text family, decoders. A field shorter than its type reads as if padded
// with zero bytes, so an empty field (cut beyond the end of a reply) gives 0.
std::array<quint8, 8> RawToBytes(const QByteArray& text); // more than 8 bytes: FieldError
qint16 RawToInt(const QByteArray& text);
qint32 RawToLong(const QByteArray& text);
// 0 when the third and fourth bytes are both 0 (or missing). A pattern that
// is not a finite number throws FieldError.
float RawToSingle(const QByteArray& text);
// A pattern that is not a finite number throws FieldError.
double RawToDouble(const QByteArray& text);
// The first byte as -128..127; an empty field gives 0.
qint16 RawToSgnByte(const QByteArray& text);
// Each byte as two upper-case hexadecimal digits.
QByteArray HexText(const QByteArray& text);
// Hexadecimal text to a number: "0"-"9", "a"-"f" and "A"-"F" are digits; any
// other character counts its code minus 55. More than 8 characters, or a
// result outside the 32-bit range, throws FieldError. Empty text gives 0.
qint32 HexToLong(const QByteArray& text);

// Text family, encoders for command arguments.
QByteArray BytesToRaw(const std::array<quint8, 8>& buffer, int count); // count 0..8
QByteArray IntToRaw(qint16 value);
QByteArray SingleToRaw(float value);
// -256..255 to one byte (a negative value is taken modulo 256); anything
// else throws FieldError.
QByteArray SgnByteToRaw(qint16 value);

// Cuts the field of sizeCode at the 1-based position from reply and advances
// position past it. Code 44 (a 32-bit integer) is changed to 4 first. A
// field that runs past the end of the reply keeps only the bytes present, so
// the fields after a reply that was cut short all read as 0. A position below
// 1, a negative code or a position that leaves the 16-bit range throws
// FieldError.
FieldValue GetField(const QByteArray& reply, qint16& position, qint16& sizeCode);

// Byte-string family, decoders.
// Sign-magnitude: byte 1 low, byte 2 bits 0-6 high, bit 7 the sign.
qint16 StrToInt(const QByteArray& bytes);
// Unsigned little-endian; a value above 2147483647 throws FieldError.
qint32 StrToLong(const QByteArray& bytes);
// IEEE single bit layout decoded arithmetically; exponent 0 is not special
// (four zero bytes give 2^-127). Exponent 255 does not fit a single and
// throws FieldError.
float Stringtofloat(const QByteArray& bytes);
