#pragma once

#include <QDialog>

class QProgressBar;
class QLineEdit;
class QPushButton;
class QGroupBox;

// A small window that shows how far a long exchange with the meter has got
// (datalog download, datalog erase) and offers a Cancel button. It never
// blocks: the caller shows it with Init, keeps working, updates it with
// SetProg and closes it with Done.
class frmProgress : public QDialog {
    Q_OBJECT
public:
    // Set by the Cancel button; cleared by Init and Done. Program-wide, so it
    // can be read and cleared without a window (frmProgress::CancelRequested).
    static inline bool CancelRequested = false;

    explicit frmProgress(QWidget* parent = nullptr);

    // Clears CancelRequested, centres the window on the screen, shows it
    // without blocking, empties the bar and sets the caption.
    void Init(const QString& caption);
    // Shows percent on the bar and as text with one decimal, truncated. 100 or
    // more becomes 99, in the caller's variable as well: the bar never shows
    // 100, the window closes instead.
    void SetProg(float& percent);
    // Clears CancelRequested and closes the window.
    void Done();
    void cmdCancel_Click();
    // The download numbers its Cancel button after a section that did not come.
    void setCancelCaption(const QString& caption);

    // Closing the window (its close box, Escape) counts as Cancel.
    void reject() override;

private:
    QGroupBox* Frame1_ = nullptr;
    QProgressBar* ProgressBar1_ = nullptr;
    QLineEdit* Text1_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;
};
