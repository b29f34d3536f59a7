#include "config/CellShaping.h"

#include <algorithm>

namespace {

double Between(double a, double b, int at, int steps) {
    return steps == 0 ? a : a + (b - a) * at / steps;
}

} // namespace

std::vector<double> InterpolatedCells(const TCellTable& Table, const TCellSpan& Span) {
    std::vector<double> cells;
    cells.reserve(size_t(Span.Rows() * Span.Columns()));
    const int rowSteps = Span.Rows() - 1, columnSteps = Span.Columns() - 1;
    const double topLeft = Table.At(Span.Top, Span.Left), topRight = Table.At(Span.Top, Span.Right);
    const double bottomLeft = Table.At(Span.Bottom, Span.Left),
                 bottomRight = Table.At(Span.Bottom, Span.Right);
    for (int r = 0; r <= rowSteps; ++r) {
        // With one row (or one column) the two edges coincide and this is the straight line.
        const double left = Between(topLeft, bottomLeft, r, rowSteps);
        const double right = Between(topRight, bottomRight, r, rowSteps);
        for (int c = 0; c <= columnSteps; ++c)
            cells.push_back(Between(left, right, c, columnSteps));
    }
    return cells;
}

std::vector<double> SmoothedCells(const TCellTable& Table, const TCellSpan& Span) {
    std::vector<double> cells;
    cells.reserve(size_t(Span.Rows() * Span.Columns()));
    for (int row = Span.Top; row <= Span.Bottom; ++row)
        for (int column = Span.Left; column <= Span.Right; ++column) {
            double sum = 0;
            int count = 0;
            for (int r = std::max(0, row - 1); r <= std::min(Table.Rows - 1, row + 1); ++r)
                for (int c = std::max(0, column - 1); c <= std::min(Table.Columns - 1, column + 1); ++c) {
                    sum += Table.At(r, c);
                    ++count;
                }
            cells.push_back(sum / count);
        }
    return cells;
}
