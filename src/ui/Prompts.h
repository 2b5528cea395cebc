#pragma once

#include <QFileInfo>
#include <QString>

#include <optional>

class QWidget;

// Every message box and file dialog of the program goes through this seam, so
// that tests can answer them and read what the user would have been shown.
class Prompts {
public:
    enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
    enum class Icon { None, Information, Question, Exclamation, Critical };
    enum class Answer { Ok, Cancel, Yes, No, Retry };

    virtual ~Prompts() = default;

    // Shows text with the given buttons and returns the one chosen. An empty
    // title shows the application's title. Closing the box without a choice
    // answers Cancel, or No when there is no Cancel button.
    virtual Answer ask(const QString& text, const QString& title, Buttons buttons, Icon icon,
                       Answer defaultAnswer) = 0;

    // A message with an OK button.
    void message(const QString& text, Icon icon = Icon::None, const QString& title = {}) {
        ask(text, title, Buttons::Ok, icon, Answer::Ok);
    }

    // File dialogs; an empty result means the user cancelled. filter is in
    // Qt's form, for example "Datalog files (*.VDL);;All files (*)". The
    // save dialog does not ask about replacing a file: the caller does.
    virtual QString openFileName(const QString& title, const QString& filter,
                                 const QString& startName) = 0;
    virtual QString saveFileName(const QString& title, const QString& filter,
                                 const QString& startName) = 0;
    // A save dialog that chooses a file to write or append to and asks
    // nothing about an existing file: the caller asks its own question.
    virtual QString appendFileName(const QString& title, const QString& filter,
                                   const QString& startName) {
        return saveFileName(title, filter, startName);
    }
    // A box for a few lines of free text, offered with initial; nothing when
    // the user cancelled. Prompts that cannot show one answer as cancelled.
    virtual std::optional<QString> multiLineText(const QString& title, const QString& label,
                                                 const QString& initial) {
        Q_UNUSED(title);
        Q_UNUSED(label);
        Q_UNUSED(initial);
        return std::nullopt;
    }

    // The window that boxes and dialogs shown from now on belong to, so that
    // closing them brings that window back to the front; null: the main window.
    QWidget* parentWindow() const { return parent_; }
    virtual void setParentWindow(QWidget* window) { parent_ = window; }

    // Makes window the parent of every box and dialog for its lifetime.
    class ParentScope {
    public:
        ParentScope(Prompts& prompts, QWidget* window)
            : prompts_(prompts), previous_(prompts.parentWindow()) {
            prompts_.setParentWindow(window);
        }
        ~ParentScope() { prompts_.setParentWindow(previous_); }
        ParentScope(const ParentScope&) = delete;
        ParentScope& operator=(const ParentScope&) = delete;

    private:
        Prompts& prompts_;
        QWidget* previous_;
    };

    // A file name from a save dialog with the filter's extension added when
    // the user typed none ("log0" becomes "log0.VDL"); empty stays empty.
    static QString withDefaultSuffix(const QString& fileName, const QString& suffix) {
        if (fileName.isEmpty() || QFileInfo(fileName).fileName().contains(u'.'))
            return fileName;
        return fileName + u'.' + suffix;
    }

private:
    QWidget* parent_ = nullptr;
};
