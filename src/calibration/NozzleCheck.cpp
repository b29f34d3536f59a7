#include "calibration/NozzleCheck.h"

#include "config/UnitDati.h"

std::array<TNozzleBank, 2> CheckNozzles(const TDataMap& model) {
    constexpr TMapTypeOfData banks[2] = {TMapTypeOfData::TempiGas_Slave_banco1,
                                         TMapTypeOfData::TempiGas_Slave_banco2};
    std::array<TNozzleBank, 2> result;
    for (size_t b = 0; b < 2; ++b) {
        // The extremes start inside any sensible factor, so a map of factors above 10 keeps 10
        // as its minimum, as the ECU's own tools report it.
        double sum = 0, minimum = 10, maximum = -10;
        for (int i = 1; i <= MapRowCount; ++i)
            for (int j = 1; j <= MapColumnCount; ++j) {
                const double v = model.GetMapValue(banks[b], i, j);
                sum += v;
                if (v < minimum) minimum = v;
                if (v > maximum) maximum = v;
            }
        TNozzleBank& r = result[b];
        r.MapIndex = sum / (MapRowCount * MapColumnCount);
        r.Spread = minimum == 0 ? 0 : maximum / minimum;
        // The limits belong to "OK"; the mean of 108 cells of 0.9 must not fall short by a rounding.
        constexpr double edge = 1e-9;
        r.Verdict = r.MapIndex < 0.9 - edge   ? TNozzleVerdict::TooBig
                    : r.MapIndex > 1.2 + edge ? TNozzleVerdict::TooSmall
                                              : TNozzleVerdict::OK;
    }
    return result;
}
