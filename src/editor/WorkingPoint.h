#pragma once

#include <QColor>
#include <optional>
#include <span>

// Where the working-point marker goes on a grid, and its colour: widget-free, so that the rules
// are checked without a window.

// The pixel position of Value along an axis of breakpoints shown one per cell of Pitch pixels.
// Header: the grid has a header cell before the first breakpoint's cell (a 2-D map), else the
// first breakpoint is the first cell (a 1-D table). A value equal to a breakpoint lands on the
// centre of that breakpoint's cell; between two breakpoints it is interpolated; the last cell
// reaches half a step beyond the last breakpoint, and anything further lands at CellCount x Pitch
// (the grid's far edge). Two equal neighbouring breakpoints count as one unit apart.
int AxisMarkerPosition(double Value, std::span<const double> Breakpoints, int Pitch, bool Header,
                       int CellCount);

// The marker colour a lambda value gives against the reference, by lambda probe type: red for
// rich, blue for lean. Nothing for a probe type without the rule (the colour stays).
std::optional<QColor> LambdaMarkerColour(int LambdaType, double Lambda, double Reference);
