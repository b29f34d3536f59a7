#pragma once

#include <chrono>

// The simulator's clock: time since the simulated ECU was created. The program feeds it from the
// system's steady clock; tests feed it by hand.
using SimTime = std::chrono::microseconds;

inline constexpr SimTime SimNever = SimTime::max();

constexpr SimTime Ms(long long ms) {
    return std::chrono::milliseconds(ms);
}
constexpr double Seconds(SimTime t) {
    return std::chrono::duration<double>(t).count();
}
