#pragma once

#include <QObject>
#include <QPointer>

#include <deque>
#include <functional>

class MeterLink;
class PromptGate;

// The one owner of the meter line. Everything that talks to the meter (a
// polling tick, a menu command, a dialog button, a download) runs while it
// holds the line, and only one of them holds it at a time.
//
// Waiting for the meter processes events, so a click can arrive while an
// exchange waits for its reply. Such an action must neither write into the
// middle of that exchange nor fail as if the meter were silent: runWhenIdle()
// keeps it until the line is free and then runs it.
class LineOwner : public QObject {
    Q_OBJECT
public:
    // What a deferred action needs to be worth running once its turn comes.
    enum class Needs {
        OpenPort, // dropped when the port has closed meanwhile
        Nothing,  // runs anyway (connecting, which opens the port itself)
    };

    LineOwner(MeterLink& link, PromptGate& prompts, QObject* parent = nullptr);
    ~LineOwner() override;

    // Holds the line for its lifetime; CommBusy is set while any hold lives.
    // When the last hold ends, the actions that waited run, in order.
    class Hold {
    public:
        explicit Hold(LineOwner& owner);
        ~Hold();
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    protected:
        LineOwner& owner_;
    };

    // A long operation (master erase, port change, download, erase of the
    // logs, calibration): holds the line and tells the windows, through
    // exclusiveChanged(), to disable what would start another one.
    class Exclusive : public Hold {
    public:
        explicit Exclusive(LineOwner& owner);
        ~Exclusive();
    };

    // Runs action now when the line is free, otherwise as soon as whatever
    // holds it lets go. Dropped without a word when context is destroyed
    // meanwhile, when the program is closing, or (Needs::OpenPort) when the
    // port has closed by the time its turn comes.
    void runWhenIdle(QObject* context, std::function<void()> action, Needs needs = Needs::OpenPort);

    // Opens a window or asks a question once no exchange waits beneath the
    // caller, without holding the line: the polling cycle and the window's
    // own actions go on while it is open. (Opened inside a wait, a modal
    // window would hold that exchange suspended for as long as it is open.)
    void openWhenIdle(QObject* context, std::function<void()> action);

    // Nothing holds the line and no exchange is on the wire.
    bool idle() const;
    // The polling cycle's test: the line is held, on the wire, or CommBusy
    // is set.
    bool busy() const;
    // A long operation runs.
    bool exclusiveRunning() const { return exclusive_ > 0; }
    // Actions waiting for their turn.
    int pending() const { return int(queue_.size()); }

    // The program is closing: drops what waits, refuses what comes, closes
    // the port (which ends every wait at once) and silences the prompts.
    void shutDown();
    bool isShutDown() const { return shutDown_; }

    MeterLink& link() { return link_; }

signals:
    void exclusiveChanged(bool running);

private:
    struct Pending {
        QPointer<QObject> context;
        std::function<void()> action;
        Needs needs;
        bool holdsLine;
    };

    void release();
    void drain();
    bool canRun(const Pending& p) const;

    MeterLink& link_;
    PromptGate& prompts_;
    std::deque<Pending> queue_;
    int holds_ = 0;
    int exclusive_ = 0;
    bool shutDown_ = false;
};
