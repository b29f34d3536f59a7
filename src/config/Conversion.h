#pragma once

#include "config/RawImage.h"

#include <cstdint>

// Rounding rules of the conversions between the raw image and engineering units.

// Nearest integer, a tie going to the even one (2.5 -> 2, 3.5 -> 4). NaN gives 0; values beyond
// the Integer range saturate.
int32_t RoundToEven(double x);

// Nearest multiple of b (b > 0): a remainder of exactly b / 2 rounds up, and a negative a rounds
// toward zero. Used for engine speeds (multiples of 100) and pressures (multiples of 50).
int32_t RoundToMultiple(int32_t a, int32_t b);

// Lambda probe voltages by LambdaType. False for a type without a conversion, which leaves the
// destination as it was.
bool LambdaVoltsFromRaw(int32_t LambdaType, int32_t v, double& volts);
// Reference is set for the twelve reference points, where type 4 takes 0.8 V and below as 0.
bool LambdaRawFromVolts(int32_t LambdaType, double volts, bool Reference, int32_t& v);

// One map of a raw image in engineering units, with its two axes.
struct TConvertedMap {
    TOneBasedArray<double, MapRowCount> RowAxis;      // petrol time or MAP
    TOneBasedArray<double, MapColumnCount> SpeedAxis; // rpm
    TMapCells<double> Cells;
};
// Block 3, 4 or 8 of Rec (bank 1 for BankNo 1, else bank 2) converted as the model reads it;
// false for another block.
bool ConvertRawMap(const RMappatura& Rec, int Block, int BankNo, TConvertedMap& Map);
