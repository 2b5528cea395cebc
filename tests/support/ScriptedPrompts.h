#pragma once

#include "ui/Prompts.h"

#include <QList>
#include <QStringList>

#include <optional>

// Prompts for tests: answers from a script instead of a modal window, and keeps
// a record of every message box and file dialog the user would have been
// shown.
class ScriptedPrompts : public Prompts {
public:
    struct Shown {
        QString text, title;
        Buttons buttons;
        Icon icon;
        Answer defaultAnswer;
        QWidget* window; // the window it belongs to; null: the main window
    };

    struct FileDialog {
        bool save;
        QString title, filter, startName;
        QWidget* window;
    };

    // Answers to the next message boxes, first queued first used; once empty,
    // fallbackAnswer, or else each box's own default.
    QList<Answer> answers;
    std::optional<Answer> fallbackAnswer;
    QList<Shown> shown;
    // Names chosen in the next file dialogs; once empty, dialogs are cancelled.
    QStringList fileNames;
    QList<FileDialog> fileDialogs;
    // Texts typed into the next multi-line boxes; once empty, boxes are
    // cancelled. Each box's title is recorded.
    QStringList typedTexts;
    QStringList textBoxes;

    Answer ask(const QString& text, const QString& title, Buttons buttons, Icon icon,
               Answer defaultAnswer) override {
        shown.append({text, title, buttons, icon, defaultAnswer, parentWindow()});
        if (!answers.isEmpty())
            return answers.takeFirst();
        return fallbackAnswer.value_or(defaultAnswer);
    }
    QString openFileName(const QString& title, const QString& filter,
                         const QString& startName) override {
        fileDialogs.append({false, title, filter, startName, parentWindow()});
        return fileNames.isEmpty() ? QString() : fileNames.takeFirst();
    }
    QString saveFileName(const QString& title, const QString& filter,
                         const QString& startName) override {
        fileDialogs.append({true, title, filter, startName, parentWindow()});
        return fileNames.isEmpty() ? QString() : fileNames.takeFirst();
    }

    std::optional<QString> multiLineText(const QString& title, const QString&,
                                         const QString&) override {
        textBoxes.append(title);
        if (typedTexts.isEmpty())
            return std::nullopt;
        return typedTexts.takeFirst();
    }

    QStringList texts() const {
        QStringList out;
        for (const Shown& s : shown)
            out << s.text;
        return out;
    }
    void clearRecord() {
        shown.clear();
        fileDialogs.clear();
    }
};
