#pragma once

#include "ui/Prompts.h"

#include <QList>
#include <QStringList>

// Prompts for tests: answers from a script instead of a modal window, and keeps
// a record of every message box the user would have been shown. File dialogs
// are cancelled.
class ScriptedPrompts : public Prompts {
public:
    struct Shown {
        QString text, title;
        Buttons buttons;
        Icon icon;
        Answer defaultAnswer;
    };

    // Answers to the next message boxes, first queued first used; once empty,
    // each box gets its own default.
    QList<Answer> answers;
    QList<Shown> shown;

    Answer ask(const QString& text, const QString& title, Buttons buttons, Icon icon,
               Answer defaultAnswer) override {
        shown.append({text, title, buttons, icon, defaultAnswer});
        return answers.isEmpty() ? defaultAnswer : answers.takeFirst();
    }
    QString openFileName(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFileName(const QString&, const QString&, const QString&) override { return {}; }

    QStringList texts() const {
        QStringList out;
        for (const Shown& s : shown)
            out << s.text;
        return out;
    }
    void clearRecord() { shown.clear(); }
};
