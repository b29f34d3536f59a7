// The grid control alone, and the rules that place and colour its marker.
#include "common/RunUntil.h"
#include "config/NumberFormat.h"
#include "editor/NewDrawGrid.h"
#include "editor/WorkingPoint.h"

#include <QPaintEvent>
#include <QTest>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <vector>

namespace {

// ---- Colours ------------------------------------------------------------------------------------

TEST(ContourColour, InterpolatesEachChannelAndHoldsTheEnds) {
    const QColor low(0x00, 0x80, 0x80), high(0xA6, 0xCA, 0xF0);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        double v, min, max;
        QColor expected;
    };
    const Case cases[] = {
        {0.65, 0.65, 1.11, low},
        {1.11, 0.65, 1.11, high},
        {0.2, 0.65, 1.11, low},  // below the range
        {3.0, 0.65, 1.11, high}, // above it
        {nan, 0.65, 1.11, low},
        // The middle: 0.5 x 166 = 83, 0x80 + 0.5 x 74 = 165, 0x80 + 0.5 x 112 = 184.
        {0.88, 0.65, 1.11, QColor(83, 165, 184)},
        // A quarter: 41.5 -> 42, 146.5 -> 146 (halves to the even neighbour), 156.
        {1.0, 0.0, 4.0, QColor(42, 146, 156)},
        // An empty range divides 0 by 0 at its value and anything else by 0.
        {1.0, 1.0, 1.0, low},
        {1.2, 1.0, 1.0, high},
        {0.8, 1.0, 1.0, low},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ContourColour(c.v, c.min, c.max, low, high), c.expected)
            << c.v << " in " << c.min << ".." << c.max;
}

TEST(LambdaMarkerColour, RichIsRedLeanIsBlueByProbeType) {
    const QColor red(0xFF, 0, 0), blue(0, 0, 0xFF);
    struct Case {
        int type;
        double lambda, reference;
        std::optional<QColor> expected;
    };
    const Case cases[] = {
        {1, 0.45, 0.45, red}, {1, 0.8, 0.45, red}, {1, 0.2, 0.45, blue},        {0, 0.5, 0.4, red},
        {2, 2.4, 2.5, blue},  {4, 1.2, 1.1, red},  {3, 2.6, 2.5, blue},         {3, 2.5, 2.5, red},
        {5, 1.1, 1.0, blue},  {5, 0.9, 1.0, red},  {6, 0.9, 1.0, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LambdaMarkerColour(c.type, c.lambda, c.reference), c.expected)
            << "type " << c.type << " lambda " << c.lambda;
}

// ---- Marker positions ---------------------------------------------------------------------------

TEST(AxisMarkerPosition, BelowOnBetweenAndBeyondTheBreakpoints) {
    const std::vector<double> rpm = {500, 1000, 1500, 2000, 2500, 3000, 4000, 5000, 6000};
    const std::vector<double> equal = {500, 1000, 2000, 2000, 2500, 3000, 4000, 5000, 5000};
    struct Case {
        const char* what;
        const std::vector<double>* axis;
        double v;
        bool header;
        int expected;
    };
    // A pitch of 100 pixels; on a map the first breakpoint's cell is the second one.
    const Case cases[] = {
        {"on the first", &rpm, 500, true, 150},
        {"between the first two", &rpm, 750, true, 200},
        {"below the first (the caller clamps to the header's edge)", &rpm, 250, true, 100},
        {"far below", &rpm, 0, true, 50},
        {"on the fourth", &rpm, 2000, true, 450},
        {"on the last", &rpm, 6000, true, 950},
        {"half a step beyond the last", &rpm, 6500, true, 1050},
        {"just past half a step", &rpm, 6501, true, 1000},
        {"far beyond", &rpm, 9000, true, 1000},
        {"on the first of a 1-D table", &rpm, 500, false, 50},
        {"between on a 1-D table", &rpm, 5500, false, 800},
        {"beyond on a 1-D table", &rpm, 7000, false, 1000},
        {"on two equal neighbours", &equal, 2000, true, 350},
        {"just past two equal neighbours", &equal, 2001, true, 450},
        {"on an equal last pair", &equal, 5000, true, 850},
        {"beyond an equal last pair", &equal, 5000.5, true, 1000},
        {"a tie rounds to even", &rpm, 502.5, true, 150},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AxisMarkerPosition(c.v, *c.axis, 100, c.header, 10), c.expected) << c.what;
}

// ---- The control --------------------------------------------------------------------------------

// Records the region of every paint.
class PaintSpy : public QObject {
public:
    std::vector<QRegion> paints;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) paints.push_back(static_cast<QPaintEvent*>(event)->region());
        return false;
    }
};

class Grid : public ::testing::Test {
protected:
    void SetUp() override {
        grid.SetColCount(10);
        grid.SetRowCount(13);
        grid.SetDefaultColWidth(60);
        grid.SetDefaultRowHeight(20);
        grid.resize(grid.sizeHint());
        grid.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
        grid.installEventFilter(&spy);
        Settle();
    }
    // Lets every pending paint run.
    void Settle() {
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
    }
    QColor Pixel(int col, int row) {
        const QImage image = grid.grab().toImage();
        return image.pixelColor(grid.CellRect(col, row).topLeft() + QPoint(2, 2));
    }

    TNewDrawGrid grid;
    PaintSpy spy;
};

TEST_F(Grid, NewGridHasThePublishedDefaults) {
    TNewDrawGrid fresh;
    EXPECT_EQ(fresh.ColorCellBackground(), QColor(0xFF, 0xFF, 0xFF));
    EXPECT_EQ(fresh.ColorCellAltBackground(), QColor(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(fresh.ColorCellForeground(), QColor(0x00, 0x80, 0x00));
    EXPECT_EQ(fresh.ColorHeaderBackground(), QColor(0x00, 0xFF, 0x00));
    EXPECT_EQ(fresh.ColorHeaderForeground(), QColor(Qt::black));
    EXPECT_EQ(fresh.ColorSelected(), QColor(0x00, 0x00, 0xFF));
    EXPECT_EQ(fresh.PallinoDiametro(), 20);
    EXPECT_EQ(fresh.PallinoColore(), QColor(0xFF, 0x00, 0x00));
    EXPECT_EQ(fresh.PallinoForma(), TNewDrawGrid::pallino);
    EXPECT_TRUE(fresh.RowHeader);
    EXPECT_FALSE(fresh.ColHeaderEditable);
    EXPECT_EQ(fresh.RightAdjust(), 10);
    EXPECT_EQ(fresh.AllineaCelle(), TNewDrawGrid::Centrate);
    EXPECT_EQ(fresh.Versione, 105);
    EXPECT_EQ(fresh.Render_Type, TNewDrawGrid::Checkered);
    EXPECT_EQ(fresh.PallinoX(), 10);
    EXPECT_EQ(fresh.PallinoY(), 10);
    // Without a handler a cell shows 2 x Row x Col / (RowCount x ColCount).
    EXPECT_EQ(grid.CellText(6, 5), FormatNumber("%2.2f", 2.0 * 6 * 5 / 130));
}

TEST_F(Grid, MarkerMovesRepaintOnlyTheCellsUnderItsOldAndNewPlaces) {
    grid.Update_pallino(100, 100);
    Settle();
    const QRect before = grid.MarkerRect();
    spy.paints.clear();

    grid.Update_pallino(100, 100);
    Settle();
    EXPECT_TRUE(spy.paints.empty()) << "a marker that stays costs nothing";

    grid.Update_pallino(500, 220);
    Settle();
    const QRect after = grid.MarkerRect();
    ASSERT_FALSE(spy.paints.empty());
    QRegion painted;
    for (const QRegion& r : spy.paints)
        painted += r;
    EXPECT_TRUE(painted.contains(before));
    EXPECT_TRUE(painted.contains(after));
    // Nothing between the two places, nor anywhere else, is repainted.
    EXPECT_FALSE(painted.contains(QPoint(300, 160)));
    EXPECT_FALSE(painted.contains(QPoint(550, 30)));
    EXPECT_LT(painted.boundingRect().width() * painted.boundingRect().height(), grid.width() * grid.height());
    EXPECT_TRUE(painted.subtracted(QRegion(before).united(after)).isEmpty());

    // A colour change repaints the marker only.
    spy.paints.clear();
    grid.SetPallinoColore(QColor(0, 0, 0xFF));
    Settle();
    ASSERT_EQ(spy.paints.size(), 1u);
    EXPECT_TRUE(QRegion(after).contains(spy.paints[0].boundingRect()));
    const QImage image = grid.grab().toImage();
    EXPECT_EQ(image.pixelColor(500, 220), QColor(0, 0, 0xFF));
}

TEST_F(Grid, MarkerStaysInsideTheCells) {
    struct Case {
        int x, y, expectedX, expectedY;
    };
    // Pitches 61 x 21: the cells end at 610 x 273; half the marker is 10.
    const Case cases[] = {
        {-50, -50, 10, 10}, {5000, 5000, 600, 263}, {300, 150, 300, 150}, {10, 263, 10, 263}};
    for (const Case& c : cases) {
        grid.Update_pallino(c.x, c.y);
        EXPECT_EQ(grid.PallinoX(), c.expectedX) << c.x;
        EXPECT_EQ(grid.PallinoY(), c.expectedY) << c.y;
    }
    // The triangle hangs from the top edge whatever Y says.
    grid.SetPallinoForma(TNewDrawGrid::triangolo);
    grid.Update_pallino(200, 200);
    Settle();
    const QImage image = grid.grab().toImage();
    EXPECT_EQ(image.pixelColor(200, 6), QColor(0xFF, 0, 0));
    EXPECT_NE(image.pixelColor(200, 200), QColor(0xFF, 0, 0));
}

TEST_F(Grid, KeyboardAndMouseSelectRanges) {
    struct Step {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
    };
    struct Case {
        const char* what;
        std::vector<Step> keys;
        TGridRect expected;
        int col, row;
    };
    const Qt::KeyboardModifiers none = Qt::NoModifier, shift = Qt::ShiftModifier, ctrl = Qt::ControlModifier;
    const Case cases[] = {
        {"arrows move one cell",
         {{Qt::Key_Right, none}, {Qt::Key_Right, none}, {Qt::Key_Down, none}},
         {2, 1, 2, 1},
         2,
         1},
        {"shift+arrows stretch from the anchor",
         {{Qt::Key_Right, none},
          {Qt::Key_Down, none},
          {Qt::Key_Down, shift},
          {Qt::Key_Right, shift},
          {Qt::Key_Right, shift}},
         {1, 1, 3, 2},
         3,
         2},
        {"shift+arrows back over the anchor",
         {{Qt::Key_Right, none}, {Qt::Key_Right, none}, {Qt::Key_Left, shift}, {Qt::Key_Left, shift}},
         {0, 0, 2, 0},
         0,
         0},
        {"end and home", {{Qt::Key_Down, none}, {Qt::Key_End, none}}, {9, 1, 9, 1}, 9, 1},
        {"shift+home selects to the row's start",
         {{Qt::Key_Down, none}, {Qt::Key_End, none}, {Qt::Key_Home, shift}},
         {0, 1, 9, 1},
         0,
         1},
        {"ctrl+end goes to the last cell", {{Qt::Key_End, ctrl}}, {9, 12, 9, 12}, 9, 12},
        {"tab wraps to the next row", {{Qt::Key_End, none}, {Qt::Key_Tab, none}}, {0, 1, 0, 1}, 0, 1},
        {"shift+tab wraps back", {{Qt::Key_Down, none}, {Qt::Key_Backtab, none}}, {9, 0, 9, 0}, 9, 0},
        {"arrows stop at the edge", {{Qt::Key_Up, none}, {Qt::Key_Left, none}}, {0, 0, 0, 0}, 0, 0},
    };
    for (const Case& c : cases) {
        grid.SelectCell(0, 0);
        for (const Step& s : c.keys)
            QTest::keyClick(&grid, s.key, s.modifiers);
        EXPECT_EQ(grid.Selection(), c.expected) << c.what;
        EXPECT_EQ(grid.Col(), c.col) << c.what;
        EXPECT_EQ(grid.Row(), c.row) << c.what;
    }

    // Drag from cell (1, 2) to cell (3, 4); then a shift+click stretches from the same anchor.
    const QPoint from = grid.CellRect(1, 2).center(), to = grid.CellRect(3, 4).center();
    QTest::mousePress(&grid, Qt::LeftButton, Qt::NoModifier, from);
    QMouseEvent move(QEvent::MouseMove, QPointF(to), grid.mapToGlobal(QPointF(to)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&grid, &move);
    QTest::mouseRelease(&grid, Qt::LeftButton, Qt::NoModifier, to);
    EXPECT_EQ(grid.Selection(), (TGridRect{1, 2, 3, 4}));
    QTest::mouseClick(&grid, Qt::LeftButton, Qt::ShiftModifier, grid.CellRect(5, 1).center());
    EXPECT_EQ(grid.Selection(), (TGridRect{1, 1, 5, 2}));
    // The right button leaves the selection to its handler.
    int rightPresses = 0;
    grid.OnMouseDown = [&](Qt::MouseButton b, Qt::KeyboardModifiers, int, int) {
        rightPresses += b == Qt::RightButton;
    };
    QTest::mouseClick(&grid, Qt::RightButton, Qt::NoModifier, grid.CellRect(8, 8).center());
    EXPECT_EQ(grid.Selection(), (TGridRect{1, 1, 5, 2}));
    EXPECT_EQ(rightPresses, 1);
}

TEST_F(Grid, CharacterKeysGoToTheOwnerFirst) {
    QString seen;
    grid.OnKeyPress = [&](QChar& key) {
        seen += key;
        if (key == u'7') key = QChar();
    };
    QTest::keyClick(&grid, Qt::Key_7);
    QTest::keyClick(&grid, Qt::Key_Return);
    QTest::keyClick(&grid, Qt::Key_Space);
    EXPECT_EQ(seen, QStringLiteral("7\r "));
    // Navigation keys are the grid's own.
    QTest::keyClick(&grid, Qt::Key_Right);
    EXPECT_EQ(seen.size(), 3);
    EXPECT_EQ(grid.Col(), 1);
}

TEST_F(Grid, CellsPaintedByKindSelectionRenderAndState) {
    grid.Update_pallino(590, 260); // out of the cells looked at
    grid.SetColorHeaderBackground(QColor(0xC8, 0xFF, 0xFA));
    grid.SetColorCellAltBackground(QColor(0xF0, 0xF0, 0xF0));
    grid.Render_Type = TNewDrawGrid::Contoured;
    grid.Render_Min_color = QColor(0, 0x80, 0x80);
    grid.Render_Max_color = QColor(0xA6, 0xCA, 0xF0);
    grid.Render_Min_value = 1;
    grid.Render_Max_value = 3;
    // Cell texts in the user's locale: with a decimal comma, "3,00" must read as 3.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    grid.OnGetData = [](int row, int col) {
        if (row == 1 && col == 1) return QStringLiteral("--");
        if (row == 2 && col == 2) return FormatNumber("%4.2f", 3.0);
        return FormatNumber("%4.2f", 2.0);
    };
    grid.SelectCell(0, 0);
    Settle();
    const QColor header(0xC8, 0xFF, 0xFA), low(0, 0x80, 0x80), high(0xA6, 0xCA, 0xF0);
    EXPECT_EQ(Pixel(0, 0), header) << "the corner selection never shows";
    EXPECT_EQ(Pixel(0, 5), header);
    EXPECT_EQ(Pixel(5, 0), header);
    EXPECT_EQ(Pixel(1, 1), low) << "no number reads as 0";
    EXPECT_EQ(Pixel(2, 2), high);
    EXPECT_EQ(Pixel(3, 3), ContourColour(2, 1, 3, low, high));

    // A selection from the corner into the data keeps the normal colours on a map...
    grid.SetSelection({0, 0, 3, 3});
    Settle();
    EXPECT_EQ(Pixel(2, 2), high);
    // ... any other shows.
    grid.SetSelection({1, 1, 3, 3});
    Settle();
    EXPECT_EQ(Pixel(2, 2), grid.ColorSelected());
    EXPECT_EQ(Pixel(0, 2), header);
    // A table without a header column shows even a selection in its corner.
    grid.RowHeader = false;
    grid.Render_Type = TNewDrawGrid::Checkered;
    grid.SetSelection({0, 0, 0, 0});
    Settle();
    EXPECT_EQ(Pixel(0, 0), grid.ColorSelected());
    EXPECT_EQ(Pixel(1, 1), grid.ColorCellBackground());
    EXPECT_EQ(Pixel(2, 1), QColor(0xF0, 0xF0, 0xF0));

    grid.setEnabled(false);
    Settle();
    EXPECT_EQ(Pixel(0, 0), grid.palette().color(QPalette::Active, QPalette::Button));
    EXPECT_EQ(Pixel(4, 4), grid.palette().color(QPalette::Active, QPalette::Button));
    QLocale::setDefault(QLocale::c());
}

TEST(NumberFormat, FollowsTheUserLocaleWithoutGroupSeparators) {
    struct Case {
        QLocale locale;
        const char* format;
        double value;
        const char* expected;
    };
    const Case cases[] = {
        {QLocale::c(), "%4.2f", 0.75, "0.75"},
        {QLocale(QLocale::Italian, QLocale::Italy), "%4.2f", 0.75, "0,75"},
        {QLocale(QLocale::Italian, QLocale::Italy), "%4.0f", 1050, "1050"},
        {QLocale(QLocale::German, QLocale::Germany), "%3.0d", 2499.9, "2499"},
        {QLocale::c(), "%4.0f", 100, " 100"},
        {QLocale::c(), "%4.0d", 500, " 500"},
        {QLocale::c(), "%3.0f", -7, " -7"},
        {QLocale::c(), "%1.2f", 0.555, "0.56"},
    };
    for (const Case& c : cases) {
        QLocale::setDefault(c.locale);
        EXPECT_EQ(FormatNumber(c.format, c.value), QLatin1String(c.expected)) << c.format << " " << c.value;
        double back = 0;
        EXPECT_TRUE(ReadLocaleNumber(FormatNumber(c.format, c.value), back));
    }
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    double v = 0;
    EXPECT_FALSE(ReadLocaleNumber(QStringLiteral("1.050"), v)) << "a group separator is no number";
    QLocale::setDefault(QLocale::c());
}

} // namespace
