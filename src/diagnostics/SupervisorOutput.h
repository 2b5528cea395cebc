#pragma once

#include <QStringList>
#include <QtGlobal>

#include <array>

// The wording of the meter's learn/range state and flag words: the lines of
// the "Supervisor Output" box, in the order they are shown.
class SupervisorOutput {
public:
    // The status block: words 129 to 166, element k for word 129 + k.
    using Words = std::array<qint16, 38>;
    static constexpr int FirstWord = 129;

    static qint16 word(const Words& words, int number) { return words[number - FirstWord]; }

    // learnState: byte 0-5 of the meter; remoteZero: the remote zero is
    // enabled; diagnosticCode: 0 for none.
    static QStringList lines(int learnState, const Words& words, bool remoteZero,
                             int diagnosticCode);
};
