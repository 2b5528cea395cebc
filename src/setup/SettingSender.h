#pragma once

#include "link/SettingExchange.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

class LineOwner;
class MeterLink;
class QLineEdit;
class QObject;
struct ConfigRecord;
struct SchedulingFlags;

// The rules every setting of the setup dialog follows, in one place:
//  - sent only from a user's action, when the line is free (the line owner),
//    in the shape its command has (Shape): repeated until OK within the
//    link's bound, sent once, counted, or written exactly once; a setting
//    the meter did not acknowledge is told to the user once;
//  - a value becomes the current one only once the meter acknowledged it;
//    otherwise the caller's undo puts the stored value back in the control;
//  - nothing is sent without a connected meter (the link's connection state);
//  - typed numbers are checked when editing ends: C-locale, finite;
//  - the dialog's reads are bounded too (three tries, then the controls are
//    left alone) and a "Bad" reply is told once until a good read.
class SettingSender {
public:
    SettingSender(MeterLink& link, LineOwner& owner, SchedulingFlags& flags, ConfigRecord& config);

    MeterLink& link() { return link_; }
    LineOwner& owner() { return owner_; }
    SchedulingFlags& flags() { return flags_; }
    ConfigRecord& config() { return config_; }

    // Runs handler when the user ends editing box (Enter or leaving it)
    // after changing its text; filling the box from a read never runs it.
    static void onEdited(QLineEdit* box, std::function<void()> handler);

    // A number in a box, by its display pattern; the pattern's leading and
    // trailing blanks are dropped, since a box aligns its text itself.
    static QString boxText(double value, const char* pattern);
    // Makes box wide enough for the longest number the dialog shows.
    static void fitNumbers(QLineEdit* box);

    // A meter answered the identification; without one the dialog sends nothing.
    bool online() const;

    // How a setting goes out.
    using Shape = SettingShape;

    // Sends command (framed, terminator included) once the line is free and
    // runs acknowledged when the meter said "OK", undo otherwise (also at
    // once when offline). Both run with the line held, so acknowledged may
    // read from the meter directly. Dropped with context.
    void send(QObject* context, const QByteArray& command, std::function<void()> acknowledged,
              std::function<void()> undo);
    void send(QObject* context, const QByteArray& command, Shape shape,
              std::function<void()> acknowledged, std::function<void()> undo,
              const QString& told = {});
    // The exchange itself, by whoever holds the line: true when the meter
    // acknowledged; otherwise the user has been told (told, when given,
    // instead of the general words).
    bool exchange(const QByteArray& command, Shape shape, const QString& told = {});

    // The program is closing: command goes out once and its answer is
    // waited for at most ExitReplyWaitMs, even when an exchange that the
    // exit abandons is still waiting beneath. True when the meter said "OK".
    bool sendOnExit(const QByteArray& command);
    // One release at exit: a meter at 19200 baud answers "OK" within a few
    // milliseconds, and three releases still fit in the one-second exit.
    static constexpr qint64 ExitReplyWaitMs = 300;

    // The numeric-entry check: the number, or nothing after telling the user
    // "Please enter Number" (once no exchange waits beneath).
    std::optional<double> ErrorMsg(const QString& text);
    // A number from text within [low, high]: nothing after telling the user
    // "Please enter Number", or that the what must lie in the range (unit
    // after the figures, when given).
    std::optional<double> inRange(const QString& text, const QString& what, double low, double high,
                                  const QString& unit = {});
    // Tells the user why an entry was not sent, in plain words, once no
    // exchange waits beneath (a message box opened inside a wait would hold
    // that exchange suspended).
    void refuse(const QString& why);
    // The same for a text without an icon.
    void tell(const QString& text);

    // A read of the dialog, made by whoever holds the line: sends command up
    // to ReadTries times until the reply begins with opcode; the reply, or
    // empty when every try failed. mode and length as MeterLink::SendCommand.
    QByteArray read(const QByteArray& command, int mode, int length, const QByteArray& opcode);

    // Tries of a read before the controls are left as they are.
    static constexpr int ReadTries = 3;

private:
    MeterLink& link_;
    LineOwner& owner_;
    SchedulingFlags& flags_;
    ConfigRecord& config_;
    // "Bad op code" has been told and no good read has come since.
    bool badOpTold_ = false;
};
