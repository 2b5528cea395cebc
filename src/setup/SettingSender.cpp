#include "SettingSender.h"

#include "SetupCommands.h"

#include "link/DisplayFormat.h"

#include "link/LineOwner.h"
#include "link/MeterLink.h"
#include "link/SerialPort.h"
#include "shared/SchedulingFlags.h"
#include "ui/Prompts.h"

#include <QLineEdit>
#include <QObject>
#include <QPointer>

SettingSender::SettingSender(MeterLink& link, LineOwner& owner, SchedulingFlags& flags,
                             ConfigRecord& config)
    : link_(link), owner_(owner), flags_(flags), config_(config) {}

void SettingSender::onEdited(QLineEdit* box, std::function<void()> handler) {
    QObject::connect(box, &QLineEdit::editingFinished, box, [box, handler = std::move(handler)] {
        // Enter and the focus leaving both end an edit; the first one handles it.
        if (!box->isModified())
            return;
        box->setModified(false);
        handler();
    });
}

QString SettingSender::boxText(double value, const char* pattern) {
    return FormatNumber(value, pattern).trimmed();
}

void SettingSender::fitNumbers(QLineEdit* box) {
    // Room for a flow factor such as "864000.0000" and the frame's margins.
    constexpr int MarginPx = 16;
    box->setMinimumWidth(box->fontMetrics().horizontalAdvance("8640000.0000") + MarginPx);
}

bool SettingSender::online() const {
    return link_.connection().connected();
}

void SettingSender::send(QObject* context, const QByteArray& command,
                         std::function<void()> acknowledged, std::function<void()> undo) {
    if (!online()) {
        undo();
        return;
    }
    // Runs even when the port closed meanwhile: the link then says so and
    // the control gets its stored value back.
    owner_.runWhenIdle(
        context,
        [this, command, acknowledged = std::move(acknowledged), undo = std::move(undo)] {
            if (link_.SendUntilOk(command))
                acknowledged();
            else
                undo();
        },
        LineOwner::Needs::Nothing);
}

std::optional<double> SettingSender::ErrorMsg(const QString& text) {
    const std::optional<double> value = SetupCommands::parseNumber(text);
    if (!value)
        link_.prompts().message("Please enter Number");
    return value;
}

void SettingSender::refuse(const QString& why) {
    link_.prompts().message(why, Prompts::Icon::Exclamation);
}

QByteArray SettingSender::read(const QByteArray& command, int mode, int length,
                               const QByteArray& opcode) {
    for (int attempt = 0; attempt < ReadTries && link_.port().isOpen(); ++attempt) {
        link_.state().CurrentCommand = command;
        const QByteArray reply = link_.SendCommand(command, mode, length);
        if (reply.startsWith(opcode)) {
            badOpTold_ = false;
            return reply;
        }
        if (reply.contains("Bad") && !badOpTold_) {
            // Told once until a read succeeds, not at every refresh.
            badOpTold_ = true;
            link_.prompts().message("Bad op code");
        }
    }
    return {};
}
