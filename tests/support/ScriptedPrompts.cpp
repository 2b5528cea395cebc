#include "ScriptedPrompts.h"

Prompts::Answer ScriptedPrompts::ask(const QString& text, const QString& title, Buttons buttons,
                                     Icon icon, Answer defaultAnswer) {
    Shown s{text, title, buttons, icon, defaultAnswer, defaultAnswer};
    if (!answers.isEmpty())
        s.answered = answers.takeFirst();
    else if (fallbackAnswer)
        s.answered = *fallbackAnswer;
    if (onAsk)
        onAsk(s);
    shown.append(s);
    return s.answered;
}

QString ScriptedPrompts::nextFileName() {
    return fileNames.isEmpty() ? QString() : fileNames.takeFirst();
}

QString ScriptedPrompts::openFileName(const QString& title, const QString& filter,
                                      const QString& startName) {
    const QString name = nextFileName();
    fileDialogs.append({false, title, filter, startName, name});
    return name;
}

QString ScriptedPrompts::saveFileName(const QString& title, const QString& filter,
                                      const QString& startName) {
    const QString name = nextFileName();
    fileDialogs.append({true, title, filter, startName, name});
    return name;
}

QStringList ScriptedPrompts::texts() const {
    QStringList out;
    for (const Shown& s : shown)
        out << s.text;
    return out;
}

int ScriptedPrompts::countOf(const QString& text) const {
    int n = 0;
    for (const Shown& s : shown)
        n += s.text == text ? 1 : 0;
    return n;
}

void ScriptedPrompts::clearRecord() {
    shown.clear();
    fileDialogs.clear();
}
