#include "QtPrompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPlainTextEdit>

namespace {

QMessageBox::Icon boxIcon(Prompts::Icon icon) {
    switch (icon) {
    case Prompts::Icon::Information:
        return QMessageBox::Information;
    case Prompts::Icon::Question:
        return QMessageBox::Question;
    case Prompts::Icon::Exclamation:
        return QMessageBox::Warning;
    case Prompts::Icon::Critical:
        return QMessageBox::Critical;
    case Prompts::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons boxButtons(Prompts::Buttons buttons) {
    switch (buttons) {
    case Prompts::Buttons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case Prompts::Buttons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case Prompts::Buttons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case Prompts::Buttons::RetryCancel:
        return QMessageBox::Retry | QMessageBox::Cancel;
    case Prompts::Buttons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

QMessageBox::StandardButton boxButton(Prompts::Answer answer) {
    switch (answer) {
    case Prompts::Answer::Cancel:
        return QMessageBox::Cancel;
    case Prompts::Answer::Yes:
        return QMessageBox::Yes;
    case Prompts::Answer::No:
        return QMessageBox::No;
    case Prompts::Answer::Retry:
        return QMessageBox::Retry;
    case Prompts::Answer::Ok:
        break;
    }
    return QMessageBox::Ok;
}

} // namespace

QWidget* QtPrompts::owner() const {
    return parentWindow() ? parentWindow() : parent_.data();
}

QString QtPrompts::titleOr(const QString& title) const {
    return title.isEmpty() ? QApplication::applicationDisplayName() : title;
}

Prompts::Answer QtPrompts::ask(const QString& text, const QString& title, Buttons buttons,
                               Icon icon, Answer defaultAnswer) {
    QMessageBox box(boxIcon(icon), titleOr(title), text, boxButtons(buttons), owner());
    const QMessageBox::StandardButton preferred = boxButton(defaultAnswer);
    if (box.button(preferred))
        box.setDefaultButton(preferred);
    // Closing the box answers Cancel, or No where there is no Cancel.
    const QMessageBox::StandardButtons shown = box.standardButtons();
    if (shown & QMessageBox::Cancel)
        box.setEscapeButton(QMessageBox::Cancel);
    else if (shown & QMessageBox::No)
        box.setEscapeButton(QMessageBox::No);
    else
        box.setEscapeButton(QMessageBox::Ok);

    box.exec();
    switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Ok:
        return Answer::Ok;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Retry:
        return Answer::Retry;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    default:
        break;
    }
    return shown & QMessageBox::Cancel ? Answer::Cancel
           : shown & QMessageBox::No   ? Answer::No
                                       : Answer::Ok;
}

QString QtPrompts::openFileName(const QString& title, const QString& filter,
                                const QString& startName) {
    return QFileDialog::getOpenFileName(owner(), titleOr(title), startName, filter);
}

QString QtPrompts::saveFileName(const QString& title, const QString& filter,
                                const QString& startName) {
    // The program asks its own question about replacing a file.
    return QFileDialog::getSaveFileName(owner(), titleOr(title), startName, filter, nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

QString QtPrompts::appendFileName(const QString& title, const QString& filter,
                                  const QString& startName) {
    return QFileDialog::getSaveFileName(owner(), titleOr(title), startName, filter, nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

std::optional<QString> QtPrompts::multiLineText(const QString& title, const QString& label,
                                                const QString& initial) {
    QInputDialog dialog(owner());
    dialog.setWindowTitle(titleOr(title));
    dialog.setLabelText(label);
    dialog.setOption(QInputDialog::UsePlainTextEditForTextInput);
    dialog.setTextValue(initial);
    // Tab leaves the text for the buttons, so the box works from the keyboard.
    if (auto* edit = dialog.findChild<QPlainTextEdit*>())
        edit->setTabChangesFocus(true);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}
