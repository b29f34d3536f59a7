#pragma once

#include "StringIds.h"
#include "resources/Strings.h"
#include "live/UnitAcquisizioni.h"

#include <QStringList>
#include <array>
#include <vector>

// Stands in for the meters window: keeps the trace list and the points, records the calls that
// change buttons and state, and runs the per-tick update the way the window does, with a clock
// that advances a fixed step per tick.
class FakeDisplay : public TAcquisitionDisplay {
public:
    struct Point {
        double time, value;
    };

    explicit FakeDisplay(TAcquisitions& acquisitions) : Acq(acquisitions) {
        for (int k = 0; k < TraceCount; ++k) {
            Visible[k] = TraceTable[k].StandardPreset;
            Max[k] = TraceTable[k].DefaultMax;
            Titles[k] = ResStr(TraceTable[k].Title);
        }
        ClearTraces();
        Acq.SetDisplay(this);
    }
    ~FakeDisplay() override { Acq.SetDisplay(nullptr); }

    TAcquisitions& Acq;
    bool shown = true;
    double tickSeconds = 0.15;
    std::array<bool, TraceCount> Visible{};
    std::array<double, TraceCount> Max{};
    std::array<QString, TraceCount> Titles;
    std::array<std::vector<Point>, TraceCount> Points;
    bool saveEnabled = false, saveDown = false, loadEnabled = true, loadDown = false;
    bool standardChecked = false, superFastChecked = false;
    TDisplayState state = TDisplayState::Live;
    QString stateFile;
    double axisFrom = 0, axisTo = 100;
    int updates = 0, clears = 0, axisResets = 0, gaugeResets = 0;
    QStringList lines; // every recording line built by UpdateDisplay

    bool DisplayShown() const override { return shown; }
    void UpdateDisplay() override {
        ++updates;
        const double last = Points[0].back().time;
        const double dt = last != 0 ? tickSeconds : 0.001;
        const TTraceValues values = Acq.TraceValues();
        const QString line = TAcquisitions::DataLine(last + dt, values);
        lines << line;
        if (!Acq.Loading)
            for (int k = 0; k < TraceCount; ++k)
                AddTracePoint(k, Points[k].back().time + dt, values[k]);
        if (Acq.Saving) Acq.WriteDataLine(line);
    }
    void ClearTraces() override {
        ++clears;
        for (auto& p : Points)
            p.assign(1, Point{0, 0});
    }
    void ResetAxes() override {
        ++axisResets;
        axisFrom = 0;
        axisTo = 100;
    }
    void ResetGaugeMarks() override { ++gaugeResets; }
    void CheckRateItems(bool standard, bool superFast) override {
        standardChecked = standard;
        superFastChecked = superFast;
    }
    void EnableSaveButton(bool enabled) override { saveEnabled = enabled; }
    void PressSaveButton(bool down) override { saveDown = down; }
    void EnableLoadButton(bool enabled) override { loadEnabled = enabled; }
    void PressLoadButton(bool down) override { loadDown = down; }
    void ShowDisplayState(TDisplayState s, const QString& fileName) override {
        state = s;
        stateFile = fileName;
    }
    QString TraceTitle(int index) const override { return Titles[size_t(index)]; }
    bool TraceVisible(int index) const override { return Visible[size_t(index)]; }
    double TraceMax(int index) const override { return Max[size_t(index)]; }
    void SetTraceVisible(int index, bool visible) override { Visible[size_t(index)] = visible; }
    void SetTraceMax(int index, double max) override { Max[size_t(index)] = max; }
    void AddTracePoint(int index, double time, double value) override {
        const double m = Max[size_t(index)];
        Points[size_t(index)].push_back({time, m != 0 ? value * 100 / m : value});
    }
    void SetTimeAxis(double from, double to) override {
        axisFrom = from;
        axisTo = to;
    }
};
