#include "MasterEraseCommand.h"

#include "PollingCycle.h"

#include "datalog/frmProgress.h"
#include "link/LineOwner.h"
#include "link/MeterLink.h"
#include "link/Waiter.h"
#include "ui/Prompts.h"

#include <QAction>
#include <QPointer>
#include <QWidget>

#include <memory>

namespace {

// The master erase's progress bar counts to 100; each step pauses so long that
// the bar spans the time the meter needs for the erase (about five seconds).
constexpr int MasterEraseSteps = 100;
constexpr qint64 MasterErasePauseMs = 50;
// How long the erase command waits for the meter's acknowledgement; it is
// never repeated, so a meter that stays silent costs this once.
constexpr qint64 MasterEraseReplyWaitMs = 850;

} // namespace

MasterEraseCommand::MasterEraseCommand(MeterLink& link, LineOwner& owner, PollingCycle& polling,
                                       QAction& item, Host host, QWidget* window)
    : QObject(window), link_(link), owner_(owner), polling_(polling), item_(item),
      host_(std::move(host)), window_(window) {
    connect(&item_, &QAction::triggered, this, &MasterEraseCommand::mnuMasterErase_Click);
}

bool MasterEraseCommand::ConfirmMasterErase() {
    return link_.prompts().ask("This will Master Erase the Unit - continue ?", "Master Erase Unit",
                               Prompts::Buttons::YesNo, Prompts::Icon::Exclamation,
                               Prompts::Answer::No) == Prompts::Answer::Yes;
}

void MasterEraseCommand::mnuMasterErase_Click() {
    if (erasing_ || owner_.isShutDown())
        return;
    erasing_ = true;
    item_.setEnabled(false);
    // Whether the erase runs, is declined or is dropped (port closed,
    // program closing), the item comes back when the last copy of this
    // token goes.
    const QPointer<MasterEraseCommand> self(this);
    const std::shared_ptr<void> token(nullptr, [self](void*) {
        if (!self)
            return;
        self->erasing_ = false;
        self->item_.setEnabled(!self->owner_.exclusiveRunning());
    });
    // The question is asked with no exchange suspended beneath it.
    owner_.openWhenIdle(this, [this, token] {
        if (!ConfirmMasterErase())
            return;
        owner_.runWhenIdle(this, [this, token] {
            if (MasterErase())
                return;
            // The port dialog opens once the erase has let go of the line,
            // so that its OK can talk to the meter.
            owner_.openWhenIdle(this, [this, token] { host_.offerPortDialog(); });
        });
    });
}

bool MasterEraseCommand::MasterErase() {
    LineOwner::Exclusive exclusive(owner_);
    // Written once: a repeated erase would erase again.
    link_.SendOnce(QByteArray("MR,1") + MeterLink::CommandTerminator, MasterEraseReplyWaitMs);

    // While the meter erases, nothing may be sent: the polling timer rests
    // and the line stays held.
    const bool polling = polling_.Timer1().isActive();
    polling_.Timer1().stop();
    {
        frmProgress progress(window_);
        progress.Init("Master Erase Unit");
        Waiter& waiter = link_.waiter();
        for (int step = 1; step <= MasterEraseSteps && !owner_.isShutDown(); ++step) {
            float percent = float(step);
            progress.SetProg(percent);
            waiter.pause(MasterErasePauseMs);
        }
        progress.Done();
    }
    if (owner_.isShutDown())
        return true;
    if (polling)
        polling_.startPolling();

    polling_.GetSSConfig();
    host_.reloadSetup();
    host_.showPleaseWait();
    const bool back = host_.establish();
    if (back)
        host_.showFlowPage();
    return back || owner_.isShutDown();
}
