#pragma once

#include <cstdint>

// The built-in defaults of the configuration's arrays. TDataMap's reset operations apply them.

inline constexpr int32_t DefaultSpeedAxis[9] = {500, 1000, 1500, 2000, 2500, 3000, 4000, 5000, 6000};
inline constexpr double NormalMAPAxis[12] = {100, 150, 200, 250, 300, 400, 500, 600, 700, 800, 900, 1050};
inline constexpr double TurboMAPAxis[12] = {200, 300, 400, 500, 600, 800, 1000, 1200, 1400, 1600, 1800, 2000};
inline constexpr double NormalPetrolTimeAxis[12] = {2, 2.5, 3, 4, 5, 6, 8, 10, 12, 14, 16, 18};
inline constexpr double TurboPetrolTimeAxis[12] = {2, 3, 4, 5, 6, 8, 10, 12, 14, 16, 18, 20};

// Slave gas map factors, rows along the petrol time axis, columns along the speed axis.
inline constexpr double DefaultSlaveMapCNG[12][9] = {
    {0.75, 0.75, 0.75, 0.75, 0.75, 0.76, 0.77, 0.78, 0.78},
    {0.86, 0.86, 0.86, 0.86, 0.86, 0.87, 0.89, 0.9, 0.91},
    {0.94, 0.94, 0.94, 0.94, 0.94, 0.95, 0.97, 0.98, 0.98},
    {1, 1, 1, 1, 1, 1.01, 1.03, 1.04, 1.05},
    {1.02, 1.02, 1.03, 1.03, 1.04, 1.04, 1.05, 1.05, 1.06},
    {1.01, 1.01, 1.01, 1.02, 1.02, 1.02, 1.04, 1.05, 1.05},
    {0.98, 0.98, 0.98, 0.98, 0.99, 0.99, 1.02, 1.02, 1.03},
    {0.91, 0.91, 0.91, 0.91, 0.91, 0.92, 0.94, 0.95, 0.95},
    {0.84, 0.84, 0.84, 0.84, 0.84, 0.84, 0.87, 0.88, 0.88},
    {0.81, 0.81, 0.81, 0.81, 0.82, 0.82, 0.84, 0.85, 0.86},
    {0.81, 0.81, 0.81, 0.81, 0.82, 0.82, 0.84, 0.85, 0.86},
    {0.8, 0.8, 0.8, 0.8, 0.8, 0.8, 0.83, 0.84, 0.84},
};
inline constexpr double DefaultSlaveMapLPG[12][9] = {
    {0.75, 0.75, 0.75, 0.75, 0.76, 0.76, 0.78, 0.8, 0.8},
    {0.86, 0.86, 0.86, 0.86, 0.87, 0.88, 0.91, 0.92, 0.92},
    {0.94, 0.94, 0.94, 0.94, 0.95, 0.95, 0.98, 1, 1},
    {1, 1, 1, 1, 1.01, 1.02, 1.05, 1.06, 1.06},
    {1.02, 1.02, 1.03, 1.03, 1.04, 1.05, 1.06, 1.08, 1.08},
    {1.01, 1.01, 1.01, 1.02, 1.02, 1.03, 1.05, 1.07, 1.07},
    {0.98, 0.98, 0.98, 0.98, 0.99, 1, 1.03, 1.05, 1.05},
    {0.9, 0.9, 0.9, 0.9, 0.91, 0.92, 0.95, 0.96, 0.96},
    {0.84, 0.84, 0.84, 0.84, 0.84, 0.85, 0.88, 0.9, 0.9},
    {0.83, 0.83, 0.83, 0.83, 0.84, 0.84, 0.88, 0.89, 0.89},
    {0.83, 0.83, 0.83, 0.83, 0.84, 0.84, 0.88, 0.89, 0.89},
    {0.81, 0.81, 0.81, 0.81, 0.82, 0.83, 0.86, 0.88, 0.88},
};

// Pressure correction by ReducerType: "Corvane CNG std", "Corvane LPG std", "Corvane LPG MP",
// "Corvane LPG HP".
inline constexpr int ReducerTypeCount = 4;
inline constexpr double DefaultPressureAxis[ReducerTypeCount][15] = {
    {1150, 1200, 1250, 1300, 1400, 1450, 1500, 1550, 1600, 1700, 1750, 1800, 1900, 2000, 2100},
    {450, 500, 550, 580, 620, 650, 700, 750, 780, 800, 850, 900, 950, 1000, 1100},
    {500, 550, 650, 700, 800, 850, 900, 1000, 1050, 1150, 1200, 1250, 1350, 1400, 1450},
    {700, 800, 900, 1000, 1100, 1200, 1300, 1400, 1500, 1600, 1700, 1800, 1900, 2000, 2100},
};
inline constexpr double DefaultPressureCorrection[ReducerTypeCount][15] = {
    {25, 23, 20, 18, 16, 13, 11, 9, 6, 4, 2, 0, -3, -7, -10},
    {38, 33, 28, 25, 21, 18, 15, 12, 9, 6, 3, 0, -3, -7, -13},
    {40, 36, 31, 27, 23, 19, 15, 11, 7, 4, 0, -3, -7, -10, -13},
    {40, 36, 31, 27, 23, 19, 15, 11, 7, 4, 0, -3, -7, -10, -13},
};

inline constexpr double DefaultWaterTemperatureAxis[9] = {10, 20, 30, 40, 50, 60, 70, 80, 90};
inline constexpr double DefaultWaterTemperatureCorrection[9] = {-27, -21, -15, -10, -7, -4, -2, 0, 2};
inline constexpr double DefaultGasTemperatureAxis[9] = {-10, 0, 10, 20, 30, 40, 50, 60, 70};
inline constexpr double DefaultGasTemperatureCorrection[9] = {-28, -22, -16, -11, -8, -5, -2, 0, 3};

inline constexpr double DefaultLambdaReference[12] = {0.55, 0.52, 0.5,  0.5,  0.5, 0.52,
                                                      0.52, 0.55, 0.57, 0.57, 0.6, 0.6};
inline constexpr double DefaultPrimeTemperatureAxis[6] = {0, 10, 20, 30, 40, 50};
inline constexpr double DefaultGasLevels[4] = {1, 2, 3, 4};
