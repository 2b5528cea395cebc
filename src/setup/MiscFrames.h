#pragma once

#include <QWidget>

#include <optional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class ServiceSwitches;
class SettingSender;

// The rest of the "Misc." page: the display contrast (ContrastAdjPanel), the
// master erase (Frame13(1)), version and serial number, and the service
// counters (Frame13(2)). The serial-number controls are hidden until the
// program-wide switch is on (the About box's icon, or a right click on Text2).
class MiscFrames : public QWidget {
    Q_OBJECT
public:
    // switches may be null (a dialog without a main window): a right click
    // then unlocks this dialog alone.
    MiscFrames(SettingSender& sender, ServiceSwitches* switches, QWidget* parent = nullptr);

    // Reads the version ("VR,0") and the service values ("MD,0") and shows
    // the record's counters and contrast; the caller holds the line.
    void Do7210();
    // The version and serial number read, up to VersionReads times.
    void readVersion();
    void showRecord();
    void showSerialControls(bool on);

    void SndContrast_Click();
    // The mouse released over the contrast box: a changed value is sent
    // once, and once more unless the meter answered exactly "OK".
    void ContrastVal_MouseUp();
    void UpDown1_Click(int step);
    void SetSerNo_Click();
    void SendErase_Click();

    // Reads of "VR,0" before its last reply is taken as it is.
    static constexpr int VersionReads = 4;
    // Rounds of "VR,1," and its read-back before the user is told.
    static constexpr int SerialTries = 3;
    // The counted sends of the serial number: "OK" and its line feed, and
    // the version line read back.
    static constexpr int SerialAckLength = 3;
    static constexpr int SerialReplyLength = 14;
    // The contrast box's mouse-up: sent once, and once more without "OK".
    static constexpr int ContrastMouseUpSends = 2;
    // The erase's progress bar counts to 100, each step pausing so long that
    // the bar spans the meter's erase (about five seconds), as the main window's.
    static constexpr int EraseSteps = 100;
    static constexpr qint64 ErasePauseMs = 50;
    // How long the erase waits for the meter's answer; it is never repeated.
    static constexpr qint64 EraseReplyWaitMs = 850;

signals:
    // The meter was master-erased; every record is to be read again. Emitted
    // with the line held.
    void masterErased();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int contrastMax() const;
    // The whole number in the contrast box within 0 to the model's maximum.
    std::optional<int> contrastValue();

    SettingSender& sender_;
    ServiceSwitches* switches_;

    QLineEdit* ContrastVal_ = nullptr;
    QToolButton* up_ = nullptr;
    QToolButton* down_ = nullptr;
    QPushButton* SndContrast_ = nullptr;
    QPushButton* SendErase_ = nullptr;
    QLabel* Text2_ = nullptr;
    QLineEdit* VERtext_ = nullptr;
    QLabel* serialCaption_ = nullptr;
    QLineEdit* SNtext_ = nullptr;
    QPushButton* SetSerNo_ = nullptr;
    QLineEdit* ProfileFactorTxt_ = nullptr;
    QLineEdit* SigStrength_ = nullptr;
    QLineEdit* TotCode_ = nullptr;
    QLineEdit* LrnScale_ = nullptr;
    QLineEdit* Excepts_ = nullptr;
    QLineEdit* LastCodes_ = nullptr;
    QLineEdit* Watchdogs_ = nullptr;
    QLineEdit* rBreaks_ = nullptr;
};
