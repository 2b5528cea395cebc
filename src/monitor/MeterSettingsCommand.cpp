#include "MeterSettingsCommand.h"

#include "MeterSettingsReader.h"
#include "frmSettingsCompare.h"

#include "link/LineOwner.h"
#include "link/MeterLink.h"
#include "setup/SettingsFile.h"
#include "setup/SettingsRestore.h"
#include "ui/Prompts.h"

#include <QDateTime>
#include <QFileInfo>
#include <QProgressDialog>

#include <memory>

namespace {

const QString Filter = QStringLiteral("Meter settings (*.json);;All files (*)");
const QString SaveTitle = QStringLiteral("Save Meter Settings");

} // namespace

MeterSettingsCommand::MeterSettingsCommand(MeterLink& link, LineOwner& owner, Host host)
    : link_(link), owner_(owner), host_(std::move(host)) {}

void MeterSettingsCommand::tell(const QString& text, bool problem) {
    link_.prompts().message(text, problem ? Prompts::Icon::Exclamation : Prompts::Icon::None);
}

bool MeterSettingsCommand::chooseFile(const QString& title, SettingsFileData& file) {
    const QString path = link_.prompts().openFileName(title, Filter, {});
    if (path.isEmpty())
        return false;
    QString why;
    std::optional<SettingsFileData> loaded = SettingsFile::load(path, &why);
    if (!loaded) {
        tell(QString("%1 cannot be used: %2. Nothing was sent to the meter.")
                 .arg(QFileInfo(path).fileName(), why),
             true);
        return false;
    }
    file = *loaded;
    return true;
}

void MeterSettingsCommand::save(QObject* context) {
    owner_.openWhenIdle(context, [this, context] {
        const QString path =
            link_.prompts().saveFileName(SaveTitle, Filter, QStringLiteral("meter-settings.json"));
        if (path.isEmpty())
            return;
        if (QFileInfo::exists(path) &&
            link_.prompts().ask(
                QString("%1 already exists. Replace it?").arg(QFileInfo(path).fileName()),
                SaveTitle, Prompts::Buttons::YesNo, Prompts::Icon::Question,
                Prompts::Answer::No) != Prompts::Answer::Yes)
            return;
        owner_.runWhenIdle(context, [this, context, path] {
            if (host_.pauseLivePages)
                host_.pauseLivePages();
            QString why;
            const std::optional<MeterSettings> meter = MeterSettingsReader::read(link_, &why);
            QString error;
            const bool saved =
                meter && SettingsFile::save(path, *meter, QDateTime::currentDateTimeUtc(),
                                            host_.savedBy, &error);
            const QString text =
                !meter  ? QString("The settings were not saved: %1.").arg(why)
                : saved ? QString("The meter's settings were saved to %1.").arg(path)
                        : QString("The settings could not be written to %1: %2.").arg(path, error);
            owner_.openWhenIdle(context, [this, text, saved] { tell(text, !saved); });
        });
    });
}

void MeterSettingsCommand::withPlan(QObject* context, const QString& title, PlanUse use) {
    owner_.openWhenIdle(context, [this, context, title, use = std::move(use)] {
        auto file = std::make_shared<SettingsFileData>();
        if (!chooseFile(title, *file))
            return;
        owner_.runWhenIdle(context, [this, context, file, use] {
            if (host_.pauseLivePages)
                host_.pauseLivePages();
            QString why;
            const std::optional<MeterSettings> meter = MeterSettingsReader::read(link_, &why);
            if (!meter) {
                owner_.openWhenIdle(context, [this, why] {
                    tell(QString("The meter's settings could not be read: %1.").arg(why), true);
                });
                return;
            }
            auto plan = std::make_shared<SettingsPlan>(SettingsRestore::plan(*meter, *file));
            owner_.openWhenIdle(context, [this, plan, file, use] {
                if (!plan->refusal.isEmpty())
                    tell(plan->refusal, true);
                else
                    use(plan, file);
            });
        });
    });
}

void MeterSettingsCommand::compare(QObject* context) {
    withPlan(context, CompareTitle, [this](const auto& plan, const auto& file) {
        frmSettingsCompare dialog(*plan, file->fileName, host_.window());
        dialog.exec();
    });
}

void MeterSettingsCommand::restore(QObject* context) {
    withPlan(
        context, RestoreTitle,
        [this, context](std::shared_ptr<SettingsPlan> plan,
                        std::shared_ptr<SettingsFileData> file) {
            if (plan->equal()) {
                tell("The meter already holds the file's settings: nothing was written.", false);
                return;
            }
            // Asked before anything is sent; "No" is the default.
            const QString text =
                QString("These settings will be written to the meter:\n\n%1%2\n\nWrite them?")
                    .arg(SettingsRestore::describe(*plan).join('\n'),
                         plan->skipped.isEmpty() ? QString()
                                                 : "\n\nSkipped: " + plan->skipped.join("; "));
            if (link_.prompts().ask(text, RestoreTitle, Prompts::Buttons::YesNo,
                                    Prompts::Icon::Question,
                                    Prompts::Answer::No) != Prompts::Answer::Yes)
                return;
            owner_.runWhenIdle(context, [this, context, plan, file] {
                if (host_.pauseLivePages)
                    host_.pauseLivePages();
                QProgressDialog progress("Writing settings...", QString(), 0,
                                         int(plan->steps.size()), host_.window());
                progress.setObjectName("RestoreProgress");
                progress.setWindowTitle(RestoreTitle);
                progress.setMinimumDuration(0);
                const SettingsRestore::Result r = SettingsRestore::run(
                    link_, *plan, *file,
                    [this](QString* why) { return MeterSettingsReader::read(link_, why); },
                    [&progress](int done, int, const QString& name) {
                        progress.setValue(done);
                        if (!name.isEmpty())
                            progress.setLabelText("Writing " + name + "...");
                    });
                progress.close();
                if (host_.reread)
                    host_.reread();
                const QString text =
                    r.matches ? QString("Restored %1 settings: the meter now matches the file.")
                                    .arg(r.written.size())
                              : r.message;
                owner_.openWhenIdle(context, [this, text, ok = r.matches] { tell(text, !ok); });
            });
        });
}
