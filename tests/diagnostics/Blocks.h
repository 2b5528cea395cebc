#pragma once

#include <QByteArray>
#include <QString>

#include <initializer_list>
#include <utility>

// A 540-byte meter block written out byte by byte: each pair is a 1-based
// position and the hexadecimal bytes that start there.
inline QByteArray block(std::initializer_list<std::pair<int, QByteArray>> fields, int size = 540) {
    QByteArray b(size, '\0');
    for (const auto& [position, hex] : fields) {
        const QByteArray bytes = QByteArray::fromHex(hex);
        b.replace(position - 1, bytes.size(), bytes);
    }
    return b;
}

// value as a 2-byte sign-magnitude field in hexadecimal (test-side encoder).
inline QByteArray sm(int value) {
    const int m = value < 0 ? -value : value;
    return QByteArray::number((m & 0xff) | 0x100, 16).right(2) +
           QByteArray::number(((m >> 8) & 0x7f) | (value < 0 ? 0x80 : 0) | 0x100, 16).right(2);
}
