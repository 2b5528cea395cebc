#pragma once

#include "Prompts.h"

// Passes prompts through to the real ones until the program starts closing;
// from then on nothing is shown: questions get the answer that changes
// nothing (Cancel, or No) and file dialogs count as cancelled. Handlers still
// unwinding from a wait when the window closes therefore cannot put a box on
// the screen of a program that is going away.
class PromptGate : public Prompts {
public:
    explicit PromptGate(Prompts& inner) : inner_(inner) {}

    void close() { closed_ = true; }
    bool isClosed() const { return closed_; }

    Answer ask(const QString& text, const QString& title, Buttons buttons, Icon icon,
               Answer defaultAnswer) override;
    QString openFileName(const QString& title, const QString& filter,
                         const QString& startName) override;
    QString saveFileName(const QString& title, const QString& filter,
                         const QString& startName) override;
    QString appendFileName(const QString& title, const QString& filter,
                           const QString& startName) override;
    std::optional<QString> multiLineText(const QString& title, const QString& label,
                                         const QString& initial) override;
    // The prompts behind the gate show their boxes over the same window.
    void setParentWindow(QWidget* window) override {
        Prompts::setParentWindow(window);
        inner_.setParentWindow(window);
    }

private:
    Prompts& inner_;
    bool closed_ = false;
};
