#include "LineOwner.h"

#include "MeterLink.h"
#include "SerialPort.h"
#include "ui/PromptGate.h"

LineOwner::LineOwner(MeterLink& link, PromptGate& prompts, QObject* parent)
    : QObject(parent), link_(link), prompts_(prompts) {
    // An exchange that ends outside any hold (there should be none) still
    // lets the waiting actions run.
    link_.setIdleCallback([this] { drain(); });
}

LineOwner::~LineOwner() {
    link_.setIdleCallback({});
}

LineOwner::Hold::Hold(LineOwner& owner) : owner_(owner) {
    ++owner_.holds_;
    owner_.link_.state().CommBusy = true;
}

LineOwner::Hold::~Hold() {
    owner_.release();
}

LineOwner::Exclusive::Exclusive(LineOwner& owner) : Hold(owner) {
    if (owner_.exclusive_++ == 0)
        emit owner_.exclusiveChanged(true);
}

LineOwner::Exclusive::~Exclusive() {
    if (--owner_.exclusive_ == 0)
        emit owner_.exclusiveChanged(false);
}

void LineOwner::release() {
    if (--holds_ > 0)
        return;
    link_.state().CommBusy = false;
    drain();
}

bool LineOwner::idle() const {
    return holds_ == 0 && !link_.exchangeInProgress();
}

bool LineOwner::busy() const {
    return !idle() || link_.state().CommBusy;
}

bool LineOwner::canRun(const Pending& p) const {
    if (shutDown_ || !p.context)
        return false;
    return p.needs == Needs::Nothing || link_.port().isOpen();
}

void LineOwner::runWhenIdle(QObject* context, std::function<void()> action, Needs needs) {
    if (shutDown_)
        return;
    queue_.push_back({context, std::move(action), needs, true});
    drain();
}

void LineOwner::openWhenIdle(QObject* context, std::function<void()> action) {
    if (shutDown_)
        return;
    queue_.push_back({context, std::move(action), Needs::Nothing, false});
    drain();
}

void LineOwner::drain() {
    // Runs at the release of the last hold, when an exchange outside any hold
    // returns, and at each call of runWhenIdle. While an action holds the
    // line a nested call finds the line busy and leaves the queue alone; a
    // window opened without holding it lets its own actions run in turn.
    while (!queue_.empty() && idle() && !shutDown_) {
        Pending next = std::move(queue_.front());
        queue_.pop_front();
        if (!canRun(next))
            continue;
        if (next.holdsLine) {
            Hold hold(*this);
            next.action();
        } else {
            next.action();
        }
    }
}

void LineOwner::shutDown() {
    if (shutDown_)
        return;
    shutDown_ = true;
    queue_.clear();
    prompts_.close();
    link_.shutDown();
}
