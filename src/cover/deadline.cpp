// SPDX-License-Identifier: MIT
#include "cover/deadline.h"

#include <algorithm>

namespace qmsop {

Deadline Deadline::AfterSeconds(double seconds)
{
    using Clock = std::chrono::steady_clock;
    Deadline deadline;
    const Clock::time_point now = Clock::now();
    if (!(seconds > 0)) {
        deadline.end_ = now;
        return deadline;
    }
    // The seconds left in the clock's range, compared as doubles: a larger
    // budget converted to the clock's integer ticks would overflow.
    const std::chrono::duration<double> room = Clock::time_point::max() - now;
    if (seconds < room.count() / 2) {
        deadline.end_ = now + std::chrono::duration_cast<Clock::duration>(
                                  std::chrono::duration<double>(seconds));
    }
    return deadline;
}

Deadline Deadline::AfterNodes(std::uint64_t nodes)
{
    Deadline deadline;
    deadline.nodeLimit_ = nodes;
    return deadline;
}

bool Deadline::Tick()
{
    if (!Expired()) {
        ++nodes_;
    }
    return Expired();
}

std::optional<double> Deadline::SecondsLeft() const
{
    if (!end_) {
        return std::nullopt;
    }
    const std::chrono::duration<double> left = *end_ - std::chrono::steady_clock::now();
    return std::max(0.0, left.count());
}

bool Deadline::Expired()
{
    if (expired_) {
        return true;
    }
    if (stop_ != nullptr && stop_->load(std::memory_order_relaxed) != 0) {
        stopped_ = true;
        expired_ = true;
    } else if (nodes_ >= nodeLimit_ || (end_ && std::chrono::steady_clock::now() >= *end_)) {
        expired_ = true;
    }
    return expired_;
}

}  // namespace qmsop
