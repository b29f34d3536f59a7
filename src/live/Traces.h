#pragma once

#include "StringIds.h"

#include <array>
#include <cstdint>

// The 23 traces of the meters window, in chart order. The order is also the column order of
// recording files, so it must never change.
inline constexpr int TraceCount = 23;

struct TTraceInfo {
    StringId Title;
    double DefaultMax;
    uint32_t Colour;      // 0xRRGGBB
    bool StandardPreset;  // visible when standard polling is chosen
    bool SuperFastPreset; // visible when super-fast polling is chosen: what the fast reply refreshes
};

extern const std::array<TTraceInfo, TraceCount> TraceTable;

// One plotted value per trace, before scaling by the trace's Max.
using TTraceValues = std::array<double, TraceCount>;
