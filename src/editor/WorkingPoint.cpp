#include "editor/WorkingPoint.h"

#include "config/Conversion.h"

int AxisMarkerPosition(double Value, std::span<const double> Breakpoints, int Pitch, bool Header,
                       int CellCount) {
    const int n = int(Breakpoints.size());
    for (int i = 0; i < n; ++i) {
        const double g = Breakpoints[size_t(i)];
        double f = 0;
        if (i + 1 < n)
            f = Breakpoints[size_t(i + 1)];
        else
            f = i > 0 ? g + (g - Breakpoints[size_t(i - 1)]) / 2 : g;
        if (Value > f) continue;
        if (f == g) f = g + 1;
        // Cell k shows breakpoint i (0-based here): after the header cell on a 2-D map.
        const int k = Header ? i + 1 : i;
        return RoundToEven((Value - g) * Pitch / (f - g) + k * Pitch + Pitch / 2.0);
    }
    return Pitch * CellCount;
}

std::optional<QColor> LambdaMarkerColour(int LambdaType, double Lambda, double Reference) {
    const QColor rich(0xFF, 0x00, 0x00), lean(0x00, 0x00, 0xFF);
    switch (LambdaType) {
    case 0:
    case 1:
    case 2:
    case 4:
        return Lambda >= Reference ? rich : lean;
    case 3: // 5 - 0 Volt
    case 5: // wide band
        return Lambda > Reference ? lean : rich;
    default:
        return std::nullopt;
    }
}
