#pragma once

#include <QString>
#include <cstdint>

// The three states of the meters window's chart; they are exclusive.
enum class TDisplayState { Live, Recording, ShowingFile };

// The meters window's caption for a state ("Display - saving acquired data in <file>").
QString DisplayCaption(TDisplayState state, const QString& fileName);
// The end colour of the chart's background gradient for a state, as 0xRRGGBB.
uint32_t DisplayGradientEnd(TDisplayState state);

// What the live-data manager needs from the meters and traces window: the per-tick update, the
// traces and their list, the Load and Save buttons and the state shown in the caption. The window
// implements it and registers itself with TAcquisitions::SetDisplay.
class TAcquisitionDisplay {
public:
    virtual ~TAcquisitionDisplay() = default;

    virtual bool DisplayShown() const = 0;
    // Meters, traces and, while recording, one line of the recording file.
    virtual void UpdateDisplay() = 0;
    virtual void ClearTraces() = 0;
    virtual void ResetAxes() = 0;
    // Minimum and maximum marks of the gas-pressure, gas-temperature and water-temperature gauges.
    virtual void ResetGaugeMarks() = 0;
    // The check marks of the rate menu's "Standard" and "Super fast" items.
    virtual void CheckRateItems(bool standard, bool superFast) = 0;

    virtual void EnableSaveButton(bool enabled) = 0;
    virtual void PressSaveButton(bool down) = 0;
    virtual void EnableLoadButton(bool enabled) = 0;
    virtual void PressLoadButton(bool down) = 0;
    // Caption and chart colour; see DisplayCaption and DisplayGradientEnd.
    virtual void ShowDisplayState(TDisplayState state, const QString& fileName) = 0;

    // The trace list, in chart order (the column order of recording files).
    virtual QString TraceTitle(int index) const = 0;
    virtual bool TraceVisible(int index) const = 0;
    virtual double TraceMax(int index) const = 0;
    // Sets the trace's visibility and its check box.
    virtual void SetTraceVisible(int index, bool visible) = 0;
    virtual void SetTraceMax(int index, double max) = 0;
    virtual void AddTracePoint(int index, double time, double value) = 0;
    virtual void SetTimeAxis(double from, double to) = 0;
};
