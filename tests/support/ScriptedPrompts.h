#pragma once

#include "ui/Prompts.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// Prompts for tests: answers from a script instead of a modal window, and keeps
// a record of everything the user would have been shown.
class ScriptedPrompts : public Prompts {
public:
    // One message box as it would have appeared.
    struct Shown {
        QString text;
        QString title;
        Buttons buttons = Buttons::Ok;
        Icon icon = Icon::None;
        Answer defaultAnswer = Answer::Ok;
        Answer answered = Answer::Ok;
    };

    // One file dialog as it would have appeared.
    struct FileDialog {
        bool save = false;
        QString title;
        QString filter;
        QString startName;
        QString answered;
    };

    Answer ask(const QString& text, const QString& title, Buttons buttons, Icon icon,
               Answer defaultAnswer) override;
    QString openFileName(const QString& title, const QString& filter,
                         const QString& startName) override;
    QString saveFileName(const QString& title, const QString& filter,
                         const QString& startName) override;

    // Answers given to the next message boxes, first queued first used.
    QList<Answer> answers;
    // The answer once the queue is empty; unset means each box's own default.
    std::optional<Answer> fallbackAnswer;
    // File names given to the next file dialogs; once empty, dialogs are
    // cancelled (an empty name).
    QStringList fileNames;

    // Everything shown so far, in order.
    QList<Shown> shown;
    QList<FileDialog> fileDialogs;

    // Runs when a message box is shown, before it is answered: the place for a
    // test to look at the program's state while the box is up.
    std::function<void(const Shown&)> onAsk;

    // The texts of the message boxes shown so far.
    QStringList texts() const;
    // How many message boxes showed exactly this text.
    int countOf(const QString& text) const;
    // Forgets what was shown (the scripts stay).
    void clearRecord();

private:
    QString nextFileName();
};
