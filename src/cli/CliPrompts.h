#pragma once

#include "ui/Prompts.h"

// Prompts for a terminal: a message is one line on stderr, a question takes
// its default answer, a file dialog is cancelled (files come from the
// command line).
class CliPrompts : public Prompts {
public:
    Answer ask(const QString& text, const QString& title, Buttons buttons, Icon icon,
               Answer defaultAnswer) override;
    QString openFileName(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFileName(const QString&, const QString&, const QString&) override { return {}; }
};
