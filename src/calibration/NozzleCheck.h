#pragma once

#include <array>

class TDataMap;

// The verdict on a bank's gas injector nozzles.
enum class TNozzleVerdict { TooBig, OK, TooSmall };

// One bank of the Slave gas map judged as a whole: the mean factor (map index), the largest
// factor over the smallest (spread) and what they say of the nozzles.
struct TNozzleBank {
    double MapIndex = 0;
    double Spread = 0;
    TNozzleVerdict Verdict = TNozzleVerdict::OK;
};

// Both banks, whatever the number of lambda probes.
std::array<TNozzleBank, 2> CheckNozzles(const TDataMap& model);
