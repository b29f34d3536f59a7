// Interpolate and Smooth on small tables: which cells they give for a selection, including a
// one-row and a one-column selection, one on the table's edge and one in a one-row table.
#include "config/CellShaping.h"

#include <gtest/gtest.h>
#include <string>

namespace {

// A 4 x 4 table whose cells are 10 * row + column (1-based), with 100 in the middle cell (2, 2).
TCellTable Table4x4() {
    TCellTable t{4, 4, {}};
    for (int r = 1; r <= 4; ++r)
        for (int c = 1; c <= 4; ++c)
            t.Values.push_back(10.0 * r + c);
    t.Values[1 * 4 + 1] = 100;
    return t;
}

struct ShapeCase {
    std::string name;
    TCellTable table;
    TCellSpan span;
    std::vector<double> expected;
};

void ExpectCells(const std::vector<double>& got, const std::vector<double>& expected) {
    ASSERT_EQ(got.size(), expected.size());
    for (size_t i = 0; i < got.size(); ++i)
        EXPECT_NEAR(got[i], expected[i], 1e-9) << "cell " << i;
}

TEST(CellShaping, InterpolateFillsBetweenTheSelectionsEdgeCells) {
    const TCellTable row{1, 5, {0, 7, 7, 7, 8}};
    const ShapeCase cases[] = {
        // Along a row: the middle cell (100) gives way to the line from 21 to 24.
        {"one row", Table4x4(), {1, 0, 1, 3}, {21, 22, 23, 24}},
        // Along a column on the table's right edge.
        {"one column at the edge", Table4x4(), {0, 3, 3, 3}, {14, 24, 34, 44}},
        // Four corners 11, 14, 41, 44: the plane 10 * row + column returns, 100 included.
        {"rectangle from its corners",
         Table4x4(),
         {0, 0, 3, 3},
         {11, 12, 13, 14, 21, 22, 23, 24, 31, 32, 33, 34, 41, 42, 43, 44}},
        // Corners that do not lie on a plane: the bilinear surface through them.
        {"bilinear", TCellTable{2, 3, {0, 5, 10, 10, 5, 30}}, {0, 0, 1, 2}, {0, 5, 10, 10, 20, 30}},
        {"one-row table", row, {0, 0, 0, 4}, {0, 2, 4, 6, 8}},
        {"two cells keep their values", row, {0, 3, 0, 4}, {7, 8}},
        {"one cell keeps its value", Table4x4(), {1, 1, 1, 1}, {100}},
    };
    for (const ShapeCase& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectCells(InterpolatedCells(c.table, c.span), c.expected);
    }
}

TEST(CellShaping, SmoothAveragesEachCellWithItsNeighboursInsideTheTable) {
    // Around (2, 2) the eight neighbours of 10 * row + column average to 22, so with the 100
    // in the middle the average is (8 * 22 + 100) / 9.
    const double middle = (8 * 22.0 + 100) / 9;
    // The corner (1, 1) has three neighbours: 12, 21 and the 100.
    const double corner = (11 + 12 + 21 + 100) / 4.0;
    // (1, 2) on the top edge: 11, 13 and the row below, 21, 100, 23.
    const double topEdge = (11 + 100 + 13 + 12 + 21 + 23) / 6.0;
    const TCellTable row{1, 4, {0, 3, 6, 30}};
    const ShapeCase cases[] = {
        {"one cell", Table4x4(), {1, 1, 1, 1}, {middle}},
        {"corner at the table's edge", Table4x4(), {0, 0, 0, 0}, {corner}},
        // Each cell from the values before the pass: (1, 2) sees the 100, not its smoothed value.
        {"one row along the top edge", Table4x4(), {0, 0, 0, 1}, {corner, topEdge}},
        {"one column",
         Table4x4(),
         {2, 1, 3, 1},
         {(21 + 100 + 23 + 31 + 33 + 41 + 42 + 43 + 32) / 9.0, (31 + 32 + 33 + 41 + 42 + 43) / 6.0}},
        // A one-row table: a cell and its left and right neighbours.
        {"one-row table", row, {0, 0, 0, 3}, {1.5, 3, 13, 18}},
    };
    for (const ShapeCase& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectCells(SmoothedCells(c.table, c.span), c.expected);
    }
}

TEST(CellShaping, SmoothingAnEvenTableChangesNothing) {
    const TCellTable even{3, 3, std::vector<double>(9, 1.5)};
    ExpectCells(SmoothedCells(even, {0, 0, 2, 2}), std::vector<double>(9, 1.5));
}

} // namespace
