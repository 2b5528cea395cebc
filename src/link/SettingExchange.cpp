#include "SettingExchange.h"

#include "MeterLink.h"
#include "SerialPort.h"

namespace SettingExchange {

Result send(MeterLink& link, const QByteArray& command, SettingShape shape) {
    Result r;
    if (!link.port().isOpen() || link.exchangeInProgress())
        return r;
    switch (shape.kind) {
    case SettingShape::UntilOk:
        r.acknowledged = link.SendUntilOk(command, MeterLink::Quietly);
        r.sends = 1;
        break;
    case SettingShape::Once:
        for (; r.sends < shape.sends && !r.acknowledged && link.port().isOpen(); ++r.sends) {
            link.state().CurrentCommand = command;
            link.SendShortCommand(command);
            r.acknowledged = link.state().RawReply.trimmed() == "OK";
        }
        break;
    case SettingShape::Counted:
        for (; r.sends < shape.sends && !r.acknowledged && link.port().isOpen(); ++r.sends) {
            link.state().CurrentCommand = command;
            r.acknowledged = link.SendCommand(command, 1, shape.length).contains("OK");
        }
        break;
    case SettingShape::WrittenOnce:
        r.sends = 1;
        r.acknowledged = link.SendOnce(command, OnceReplyWaitMs).contains("OK");
        break;
    }
    if (r.acknowledged)
        link.noteGoodReply();
    return r;
}

} // namespace SettingExchange
