#include "SettingSender.h"

#include "SetupCommands.h"

#include "link/DisplayFormat.h"

#include "link/LineOwner.h"
#include "link/MeterLink.h"
#include "link/SerialPort.h"
#include "link/Waiter.h"
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
    send(context, command, Shape::untilOk(), std::move(acknowledged), std::move(undo));
}

void SettingSender::send(QObject* context, const QByteArray& command, Shape shape,
                         std::function<void()> acknowledged, std::function<void()> undo,
                         const QString& told) {
    if (!online()) {
        undo();
        return;
    }
    // Runs even when the port closed meanwhile: the link then says so and
    // the control gets its stored value back.
    owner_.runWhenIdle(
        context,
        [this, command, shape, told, acknowledged = std::move(acknowledged),
         undo = std::move(undo)] {
            if (exchange(command, shape, told))
                acknowledged();
            else
                undo();
        },
        LineOwner::Needs::Nothing);
}

bool SettingSender::exchange(const QByteArray& command, Shape shape, const QString& told) {
    if (shape.kind == Shape::UntilOk)
        return link_.SendUntilOk(command); // tells the user itself
    const SettingExchange::Result r = SettingExchange::send(link_, command, shape);
    const bool ok = r.acknowledged;
    const int sends = r.sends;
    if (!ok && sends > 0 && !told.isEmpty()) {
        refuse(told);
    } else if (!ok) {
        const QString name = MeterLink::commandForUser(command);
        refuse(sends == 0 ? QString("The setting \"%1\" was not sent because the meter is not "
                                    "connected. Connect to the meter from the Comm menu and "
                                    "try again.")
                                .arg(name)
                          : QString("The meter did not acknowledge the setting \"%1\", so it "
                                    "may not have been changed. Check the connection to the "
                                    "meter and try again.")
                                .arg(name));
    }
    return ok;
}

bool SettingSender::sendOnExit(const QByteArray& command) {
    SerialPort& port = link_.port();
    if (!online() || !port.isOpen() || link_.isShutDown())
        return false;
    return link_.SendOnceAtExit(command, ExitReplyWaitMs).contains("OK");
}

std::optional<double> SettingSender::ErrorMsg(const QString& text) {
    const std::optional<double> value = SetupCommands::parseNumber(text);
    if (!value)
        tell("Please enter Number");
    return value;
}

std::optional<double> SettingSender::inRange(const QString& text, const QString& what, double low,
                                             double high, const QString& unit) {
    const std::optional<double> value = ErrorMsg(text);
    if (!value)
        return std::nullopt;
    if (*value < low || *value > high) {
        const auto figure = [](double v) { return QString::number(v, 'g', 6); };
        refuse(QString("The %1 must be from %2 to %3%4.")
                   .arg(what, figure(low), figure(high), unit.isEmpty() ? QString() : " " + unit));
        return std::nullopt;
    }
    return value;
}

void SettingSender::refuse(const QString& why) {
    owner_.openWhenIdle(&owner_,
                        [this, why] { link_.prompts().message(why, Prompts::Icon::Exclamation); });
}

void SettingSender::tell(const QString& text) {
    owner_.openWhenIdle(&owner_, [this, text] { link_.prompts().message(text); });
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
