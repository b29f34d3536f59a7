#include "live/Traces.h"

const std::array<TTraceInfo, TraceCount> TraceTable = {{
    {STraceRevs, 6000, 0xFFFF00, true, true},      {STraceMAP, 3000, 0xFF0080, true, true},
    {STraceTPS, 5, 0x8080FF, false, false},        {STraceGas1, 30, 0x00FFFF, false, false},
    {STraceGas2, 30, 0x0080FF, false, false},      {STracePetrol1, 30, 0x00FF00, false, false},
    {STracePetrol2, 30, 0x008040, false, false},   {STraceLambda1, 1, 0x00FF00, true, true},
    {STraceLambda2, 1, 0x00FFFF, false, false},    {STraceReference, 1, 0xC0C0C0, false, false},
    {STraceGasTrim1, 100, 0xFF0000, false, false}, {STraceGasTrim2, 100, 0xFFFF00, false, false},
    {STraceEmulate1, 1, 0xFFFFFF, false, false},   {STraceEmulate2, 1, 0xC0C0C0, false, false},
    {STraceGasTemp, 100, 0x800080, false, true},   {STraceWaterTemp, 100, 0xFF8080, false, true},
    {STraceGasPress, 3000, 0xFF8000, true, true},  {STraceGasLevel, 5, 0x408080, false, false},
    {STraceBattery, 12, 0xC0C0C0, false, false},   {STraceVcc, 5, 0x808080, false, false},
    {STraceCoil1, 255, 0xFF8000, false, false},    {STraceCoil2, 255, 0x804000, false, false},
    {STraceRail, 3000, 0x00FFFF, false, true},
}};
