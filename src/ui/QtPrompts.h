#pragma once

#include "Prompts.h"

#include <QPointer>
#include <QWidget>

// The program's prompts as the user sees them: QMessageBox for messages and
// questions, QFileDialog for choosing files.
class QtPrompts : public Prompts {
public:
    explicit QtPrompts(QWidget* parent = nullptr) : parent_(parent) {}

    // The window the boxes are centred on and modal to.
    void setParent(QWidget* parent) { parent_ = parent; }

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

private:
    QString titleOr(const QString& title) const;
    // The window of the action under way, or else the main window.
    QWidget* owner() const;

    QPointer<QWidget> parent_;
};
