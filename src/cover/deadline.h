// SPDX-License-Identifier: MIT
// Deadline: the budget of an exact search, a wall-clock end, a count of
// nodes, a stop flag raised from outside (a signal), or none.
//
//   Deadline deadline = Deadline::AfterSeconds(10);
//   deadline.SetStop(&stopFlag);      // e.g. raised by a SIGINT handler
//   while (!deadline.Tick()) { ... }  // one search node per Tick
//
// Algorithm: a steady clock compared at each look; seconds past the clock's
// range (about 292 years) mean no end. Cost: O(1) per look (one clock read
// when there is an end). Invariant: once expired it stays expired, so a
// search that sees the budget end once sees it end everywhere.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <limits>
#include <optional>

namespace qmsop {

// Raised (nonzero) from outside to stop a search, e.g. by a signal handler
// with the signal's number; lock-free, so a handler may store to it.
using StopFlag = std::atomic<int>;
static_assert(StopFlag::is_always_lock_free);

// The budget of a search.
class Deadline {
public:
    // Never expires.
    Deadline() = default;
    // Expires `seconds` from now; any finite value works (beyond the clock's
    // range there is no end), and NaN or <= 0 expires at once.
    static Deadline AfterSeconds(double seconds);
    // Expires when the search has visited `nodes` nodes (for tests: no clock).
    static Deadline AfterNodes(std::uint64_t nodes);

    // Also expires once `*stop` is nonzero (nullptr: no flag). The flag must
    // outlive the deadline.
    void SetStop(const StopFlag* stop) { stop_ = stop; }

    // Counts one node; true once the budget is spent, and from then on.
    bool Tick();
    // True once the budget is spent; does not count a node.
    bool Expired();
    // True when the budget ended by the stop flag.
    bool Stopped() const { return stopped_; }
    std::uint64_t nodes() const { return nodes_; }
    // Seconds until the wall-clock end (0 once past it); nullopt without one.
    std::optional<double> SecondsLeft() const;

private:
    std::optional<std::chrono::steady_clock::time_point> end_;
    std::uint64_t nodeLimit_ = std::numeric_limits<std::uint64_t>::max();
    std::uint64_t nodes_ = 0;
    const StopFlag* stop_ = nullptr;
    bool expired_ = false;
    bool stopped_ = false;
};

}  // namespace qmsop
