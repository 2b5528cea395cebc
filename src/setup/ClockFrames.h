#pragma once

#include <QWidget>

class QDate;
class QLineEdit;
class QPushButton;
class SettingSender;

// The meter's clock on the "Limits" page: "Current Time/Date" (Frame30, read
// with "DT,0") and "Set Time/Date" (Frame31, sent with "DT,1,"). A time or
// date that does not exist is refused with a plain message, never sent.
class ClockFrames : public QWidget {
    Q_OBJECT
public:
    ClockFrames(SettingSender& sender, QWidget* parent = nullptr);

    // Reads "DT,0" and shows it; the caller holds the line. False when the
    // reply was not a clock (the read is tried again later).
    bool GetTimeDate();
    // The computer's date in the date boxes, as on entering the page.
    void showToday(const QDate& today);
    void SetTimeDate_Click();

private:
    QLineEdit* box(const char* name, QWidget* parent, bool readOnly);

    SettingSender& sender_;
    QLineEdit* thishr_ = nullptr;
    QLineEdit* thismin_ = nullptr;
    QLineEdit* thissec_ = nullptr;
    QLineEdit* DispMonth_ = nullptr;
    QLineEdit* DispDay_ = nullptr;
    QLineEdit* DispYear_ = nullptr;
    QLineEdit* SetHr_ = nullptr;
    QLineEdit* SetMin_ = nullptr;
    QLineEdit* SetSec_ = nullptr;
    QLineEdit* SelMonth_ = nullptr;
    QLineEdit* DaySet_ = nullptr;
    QLineEdit* YrSet_ = nullptr;
    QPushButton* SetTimeDate_ = nullptr;
};
