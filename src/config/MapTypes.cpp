#include "config/MapTypes.h"

#include "config/Conversion.h"

TCellRange LambdaReferenceRange(int LambdaType) {
    switch (LambdaType) {
    case 0:
    case 1:
        return {0, 1};
    case 4:
        return {0.8, 1.6};
    default:
        // 0 - 5 V, 5 - 0 V and the wide-band probe; a type the tool does not know gets the
        // widest range any probe has.
        return {0, 5};
    }
}

double RoundCellValue(TMapTypeOfData kind, double value) {
    switch (MapKind(kind).Rounding) {
    case TCellRounding::Tenth:
        return RoundToEven(10 * value) / 10.0;
    case TCellRounding::Integer:
        return RoundToEven(value);
    case TCellRounding::Hundreds:
        return RoundToMultiple(RoundToEven(value), 100);
    case TCellRounding::Fifties:
        return RoundToMultiple(RoundToEven(value), 50);
    case TCellRounding::None:
        break;
    }
    return value;
}
