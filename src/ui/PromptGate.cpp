#include "PromptGate.h"

Prompts::Answer PromptGate::ask(const QString& text, const QString& title, Buttons buttons,
                                Icon icon, Answer defaultAnswer) {
    if (!closed_)
        return inner_.ask(text, title, buttons, icon, defaultAnswer);
    switch (buttons) {
    case Buttons::Ok:
        return Answer::Ok;
    case Buttons::YesNo:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}

QString PromptGate::openFileName(const QString& title, const QString& filter,
                                 const QString& startName) {
    return closed_ ? QString() : inner_.openFileName(title, filter, startName);
}

QString PromptGate::saveFileName(const QString& title, const QString& filter,
                                 const QString& startName) {
    return closed_ ? QString() : inner_.saveFileName(title, filter, startName);
}

QString PromptGate::appendFileName(const QString& title, const QString& filter,
                                   const QString& startName) {
    return closed_ ? QString() : inner_.appendFileName(title, filter, startName);
}

std::optional<QString> PromptGate::multiLineText(const QString& title, const QString& label,
                                                 const QString& initial) {
    if (closed_)
        return std::nullopt;
    return inner_.multiLineText(title, label, initial);
}
