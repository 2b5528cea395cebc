#include "CliPrompts.h"

#include <cstdio>

Prompts::Answer CliPrompts::ask(const QString& text, const QString&, Buttons, Icon,
                                Answer defaultAnswer) {
    std::fprintf(stderr, "corvane-cli: %s\n", qPrintable(QString(text).replace('\n', ' ')));
    return defaultAnswer;
}
