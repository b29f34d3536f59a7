#pragma once

#include <QString>

class TDataMap;

// The three views of the gas map check.
enum class TCheckPage { Monotony, Delays, FullOpen };

// What the gas map check computes: the breakpoint indices of the three corrections, the working
// correction they give and the text of every cell of the three grids. Without widgets, so that a
// test reads the cells directly.
class TMapCheck {
public:
    static constexpr int DefaultWater = 8, DefaultGas = 8, DefaultPressure = 13;
    static constexpr int TemperaturePoints = 9, PressurePoints = 15;

    explicit TMapCheck(const TDataMap& model) : Model(model) {}

    int WaterIndex = DefaultWater;       // into TemperaturaRiduttore
    int GasIndex = DefaultGas;           // into TemperaturaGas
    int PressureIndex = DefaultPressure; // into PressioneGas

    void ResetIndices();
    // The indices of the breakpoints just below the live values (1 when none is below).
    void FollowLiveData(double waterTemp, double gasTemp, double gasPress);
    // Spin buttons: one breakpoint down or up, kept inside the axis.
    void StepWater(int delta);
    void StepGas(int delta);
    void StepPressure(int delta);

    // The working correction c, percent.
    double Correction() const;
    double WaterValue() const;
    double GasValue() const;
    double PressureValue() const;

    // The gas time of cell (r, k), r 1..12 and k 1..9, in the operating mode.
    double GasTime(int r, int k, bool compensated) const;
    // The value a data cell shows, and its text; headers included (row or column 0).
    double CellValue(TCheckPage page, int r, int k, bool compensated) const;
    QString CellText(TCheckPage page, int r, int k, bool compensated) const;
    // The delay limit at speed n.
    double DelayLimit(double n) const;

private:
    const TDataMap& Model;
};
