#pragma once

#include <cstddef>
#include <vector>

// The arithmetic of the modify dialog's Interpolate and Smooth, on plain numbers: a table's
// cells row by row and a rectangle of them. The dialog rounds, clips and stores what these give.

// A table's cells as numbers, Rows x Columns, row by row; 0-based.
struct TCellTable {
    int Rows = 0;
    int Columns = 0;
    std::vector<double> Values;

    double At(int Row, int Column) const { return Values[std::size_t(Row * Columns + Column)]; }
};

// A rectangle of cells, 0-based, both ends included.
struct TCellSpan {
    int Top = 0;
    int Left = 0;
    int Bottom = 0;
    int Right = 0;

    int Rows() const { return Bottom - Top + 1; }
    int Columns() const { return Right - Left + 1; }
};

// The new values of the cells of Span, row by row: a straight line between the end cells of a
// one-row or one-column span; for a span of two rows and columns or more, the bilinear surface
// through its four corners. A single cell keeps its value.
std::vector<double> InterpolatedCells(const TCellTable& Table, const TCellSpan& Span);

// The new values of the cells of Span, row by row: each the average of itself and the cells
// around it (up to eight, or two in a one-row table) that lie inside the table, all taken as
// they were before.
std::vector<double> SmoothedCells(const TCellTable& Table, const TCellSpan& Span);
