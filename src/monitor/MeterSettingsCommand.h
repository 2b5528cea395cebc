#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

class LineOwner;
class MeterLink;
struct SettingsFileData;
struct SettingsPlan;

// File > Save Meter Settings..., Compare with File... and Restore from
// File...: the settings file of the catalogue, read fresh from the meter
// while the line is held, as corvane-cli's settings commands do.
class MeterSettingsCommand {
public:
    struct Host {
        // The window questions and tables belong to.
        std::function<QWidget*()> window;
        // The live pages are not read while the settings are: their values
        // show as old until the next reading.
        std::function<void()> pauseLivePages;
        // After a restore: the configuration is read again and an open setup
        // dialog shows the meter's values.
        std::function<void()> reread;
        QString savedBy;
    };

    MeterSettingsCommand(MeterLink& link, LineOwner& owner, Host host);

    void save(QObject* context);
    void compare(QObject* context);
    void restore(QObject* context);

    // The title of the table of differences.
    static constexpr const char* CompareTitle = "Compare with File";
    static constexpr const char* RestoreTitle = "Restore from File";

private:
    using PlanUse =
        std::function<void(std::shared_ptr<SettingsPlan>, std::shared_ptr<SettingsFileData>)>;
    // Asks for a settings file, reads the meter's settings while holding the
    // line and works out the plan; use gets it, once no exchange waits
    // beneath, unless the file is refused (then the user is told why).
    void withPlan(QObject* context, const QString& title, PlanUse use);
    // Asks for a settings file and reads it; nothing said when cancelled.
    bool chooseFile(const QString& title, SettingsFileData& file);
    void tell(const QString& text, bool problem);

    MeterLink& link_;
    LineOwner& owner_;
    Host host_;
};
