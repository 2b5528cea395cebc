#pragma once

#include <QDialog>

#include <functional>

class Prompts;
class ServiceSwitches;
class QFrame;
class QLabel;
class QPushButton;

// The About window: title, version, description, disclaimer, "System
// Info...", and the two hidden service switches (a right click on the frame
// for field diagnostics, a click on the icon for the serial-number controls).
// The switches live in ServiceSwitches, which the windows they touch follow.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    frmAbout(ServiceSwitches& switches, Prompts& prompts, QWidget* parent = nullptr);

    void Form_Load();
    void cmdOK_Click();
    void cmdSysInfo_Click();
    void Frame1_MouseUp(Qt::MouseButton button);
    void picIcon_MouseUp(Qt::MouseButton button);

    // Starts a program with a normal window; tests replace it.
    std::function<bool(const QString& program)> startProgram;
    // Where System Info looks for serial devices on Linux.
    QString deviceDir = "/dev";

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void follow();

    ServiceSwitches& switches_;
    Prompts& prompts_;
    QFrame* Frame1_;
    QLabel* picIcon_;
    QLabel* lblTitle_;
    QLabel* lblVersion_;
    QLabel* lblRep_;
    QLabel* Label1_;
};
