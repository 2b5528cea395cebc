#pragma once

#include <QChar>
#include <QString>
#include <optional>

// The line settings of a serial port as the user writes them: speed, parity
// letter, data bits, stop bits, for example "19200,n,8,1" or "9600,E,7,1.5".
// Read the same way by every port (the Qt one, the Win32 one, the simulated
// meter's), so a text one accepts is never refused by another.
struct LineSettings {
    enum class Parity { None, Even, Odd, Mark, Space };
    enum class StopBits { One, OneAndHalf, Two };

    qint32 baudRate = 19200;
    // The parity letter as written ("n" or "N" alike), kept for the text.
    QChar parityLetter = u'n';
    Parity parity = Parity::None;
    int dataBits = 8;
    StopBits stopBits = StopBits::One;

    // Data bits a text may name; real ports start at kFewestPortDataBits.
    static constexpr int kFewestDataBits = 4;
    static constexpr int kMostDataBits = 8;
    static constexpr int kFewestPortDataBits = 5;

    // Reads a settings text: parity letter e, o, n, m or s in either case, data
    // bits 4 to 8, stop bits 1, 1.5 or 2. An invalid text gives nothing and, in
    // problem, a plain description of what is wrong.
    static std::optional<LineSettings> parse(const QString& text, QString* problem = nullptr);
    // The same, refusing too what no real port can send (fewer than
    // kFewestPortDataBits data bits).
    static std::optional<LineSettings> parseForPort(const QString& text, QString* problem);
    // The text without blanks: parse(s.text()) gives s again.
    QString text() const;
};
