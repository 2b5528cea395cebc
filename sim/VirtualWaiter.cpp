#include "VirtualWaiter.h"

#include <algorithm>

void VirtualWaiter::yield() {
    ++yields_;
    if (onYield)
        onYield();
}

bool VirtualWaiter::waitUntil(const std::function<bool()>& condition, qint64 deadline) {
    while (!condition()) {
        if (now_ >= deadline)
            return false;
        const std::optional<qint64> next = nextEvent();
        now_ = next && *next < deadline ? std::max(*next, now_) : deadline;
        yield();
    }
    return true;
}

int VirtualWaiter::addSource(EventSource source) {
    sources_.emplace_back(nextId_, std::move(source));
    return nextId_++;
}

void VirtualWaiter::removeSource(int id) {
    std::erase_if(sources_, [id](const auto& s) { return s.first == id; });
}

void VirtualWaiter::advanceTo(qint64 t) {
    now_ = std::max(now_, t);
}

std::optional<qint64> VirtualWaiter::nextEvent() const {
    std::optional<qint64> best;
    for (const auto& [id, source] : sources_) {
        const std::optional<qint64> t = source();
        if (t && *t > now_ && (!best || *t < *best))
            best = t;
    }
    return best;
}
