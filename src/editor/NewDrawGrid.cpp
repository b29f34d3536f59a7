#include "editor/NewDrawGrid.h"

#include "config/Conversion.h"
#include "config/NumberFormat.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPolygon>
#include <algorithm>
#include <vector>

QColor ContourColour(double v, double MinValue, double MaxValue, const QColor& MinColor,
                     const QColor& MaxColor) {
    double t = (v - MinValue) / (MaxValue - MinValue);
    if (!(t >= 0)) t = 0; // below the range, or 0 / 0
    if (t > 1) t = 1;
    auto channel = [t](int low, int high) { return std::clamp(RoundToEven(t * (high - low) + low), 0, 255); };
    return QColor(channel(MinColor.red(), MaxColor.red()), channel(MinColor.green(), MaxColor.green()),
                  channel(MinColor.blue(), MaxColor.blue()));
}

TNewDrawGrid::TNewDrawGrid(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    // Every cell is painted; what lies beyond the last cell shows the parent.
    setAttribute(Qt::WA_NoSystemBackground, false);
}

// ---- Properties ---------------------------------------------------------------------------------

void TNewDrawGrid::SetColour(QColor& Field, const QColor& Value) {
    Field = Value;
    update();
}

void TNewDrawGrid::SetPallinoDiametro(int Value) {
    if (Value == FPallinoDiametro) return;
    update(MarkerRect());
    FPallinoDiametro = Value;
    update(MarkerRect());
}

void TNewDrawGrid::SetPallinoColore(const QColor& Value) {
    if (Value == FPallinoColore) return;
    FPallinoColore = Value;
    // Only the marker wears this colour: the rest of the grid stays as it is.
    update(MarkerRect());
}

void TNewDrawGrid::SetPallinoForma(TPallinoShape Value) {
    if (Value == FPallinoForma) return;
    update(MarkerRect());
    FPallinoForma = Value;
    update(MarkerRect());
}

void TNewDrawGrid::SetRightAdjust(int Value) {
    if (Value == FRightAdjust) return;
    FRightAdjust = Value;
    update();
}

void TNewDrawGrid::SetAllineaCelle(TAllineaCelle Value) {
    if (Value == FAllineaCelle) return;
    FAllineaCelle = Value;
    update();
}

void TNewDrawGrid::SetColCount(int Value) {
    FColCount = std::max(1, Value);
    SetSelection(FSelection);
    updateGeometry();
    update();
}

void TNewDrawGrid::SetRowCount(int Value) {
    FRowCount = std::max(1, Value);
    SetSelection(FSelection);
    updateGeometry();
    update();
}

void TNewDrawGrid::SetDefaultColWidth(int Value) {
    Value = std::max(1, Value);
    if (Value == FDefaultColWidth) return;
    FDefaultColWidth = Value;
    ScrollInView(FCol, FRow);
    updateGeometry();
    update();
}

void TNewDrawGrid::SetDefaultRowHeight(int Value) {
    Value = std::max(1, Value);
    if (Value == FDefaultRowHeight) return;
    FDefaultRowHeight = Value;
    ScrollInView(FCol, FRow);
    updateGeometry();
    update();
}

void TNewDrawGrid::SetGridLineWidth(int Value) {
    Value = std::max(0, Value);
    if (Value == FGridLineWidth) return;
    FGridLineWidth = Value;
    updateGeometry();
    update();
}

QSize TNewDrawGrid::sizeHint() const {
    return QSize(ColPitch() * FColCount, RowPitch() * FRowCount);
}

QSize TNewDrawGrid::minimumSizeHint() const {
    return QSize(FColCount * 8, FRowCount * 8);
}

// ---- Selection ----------------------------------------------------------------------------------

void TNewDrawGrid::SetSelection(const TGridRect& Value) {
    auto clampCol = [this](int c) { return std::clamp(c, 0, FColCount - 1); };
    auto clampRow = [this](int r) { return std::clamp(r, 0, FRowCount - 1); };
    TGridRect s{clampCol(std::min(Value.Left, Value.Right)), clampRow(std::min(Value.Top, Value.Bottom)),
                clampCol(std::max(Value.Left, Value.Right)), clampRow(std::max(Value.Top, Value.Bottom))};
    FAnchorCol = s.Left;
    FAnchorRow = s.Top;
    FCol = s.Right;
    FRow = s.Bottom;
    if (s == FSelection) return;
    FSelection = s;
    update();
}

void TNewDrawGrid::SelectCell(int Col, int Row) {
    MoveTo(Col, Row, false);
}

void TNewDrawGrid::MoveTo(int Col, int Row, bool Extend) {
    Col = std::clamp(Col, 0, FColCount - 1);
    Row = std::clamp(Row, 0, FRowCount - 1);
    FCol = Col;
    FRow = Row;
    if (!Extend) {
        FAnchorCol = Col;
        FAnchorRow = Row;
    }
    const TGridRect s{std::min(FAnchorCol, Col), std::min(FAnchorRow, Row), std::max(FAnchorCol, Col),
                      std::max(FAnchorRow, Row)};
    ScrollInView(Col, Row);
    if (s == FSelection) return;
    FSelection = s;
    // The colours of every selected cell can change with the selection's corner: all of it.
    update();
}

int TNewDrawGrid::VisibleCols() const {
    return std::max(1, width() / std::max(1, ColPitch()));
}

int TNewDrawGrid::VisibleRows() const {
    return std::max(1, height() / std::max(1, RowPitch()));
}

void TNewDrawGrid::ScrollInView(int Col, int Row) {
    int left = FLeftCol, top = FTopRow;
    const int cols = VisibleCols(), rows = VisibleRows();
    if (Col < left) left = Col;
    if (Col >= left + cols) left = Col - cols + 1;
    if (Row < top) top = Row;
    if (Row >= top + rows) top = Row - rows + 1;
    // Never leave room after the last cell while cells are hidden before the first.
    left = std::clamp(left, 0, std::max(0, FColCount - cols));
    top = std::clamp(top, 0, std::max(0, FRowCount - rows));
    if (left == FLeftCol && top == FTopRow) return;
    FLeftCol = left;
    FTopRow = top;
    update();
}

// ---- Geometry -----------------------------------------------------------------------------------

QRect TNewDrawGrid::CellRect(int Col, int Row) const {
    return QRect((Col - FLeftCol) * ColPitch(), (Row - FTopRow) * RowPitch(), FDefaultColWidth,
                 FDefaultRowHeight);
}

bool TNewDrawGrid::MouseToCell(const QPoint& At, int& Col, int& Row) const {
    if (At.x() < 0 || At.y() < 0) return false;
    const int c = FLeftCol + At.x() / std::max(1, ColPitch());
    const int r = FTopRow + At.y() / std::max(1, RowPitch());
    if (c >= FColCount || r >= FRowCount) return false;
    Col = c;
    Row = r;
    return true;
}

QString TNewDrawGrid::CellText(int Row, int Col) const {
    if (OnGetData) return OnGetData(Row, Col);
    return FormatNumber("%2.2f", 2.0 * Row * Col / (FRowCount * FColCount));
}

// ---- Painting -----------------------------------------------------------------------------------

void TNewDrawGrid::paintEvent(QPaintEvent* event) {
    QPainter canvas(this);
    canvas.setFont(font());
    const int firstCol = FLeftCol, firstRow = FTopRow;
    const int lastCol = std::min(FColCount - 1, FLeftCol + width() / std::max(1, ColPitch()));
    const int lastRow = std::min(FRowCount - 1, FTopRow + height() / std::max(1, RowPitch()));
    if (lastCol < firstCol || lastRow < firstRow) return;

    // A marker move dirties two small rectangles far apart: paint the cells under each of them
    // once, not every cell of their bounding box.
    const int cols = lastCol - firstCol + 1;
    std::vector<char> dirty(size_t(cols * (lastRow - firstRow + 1)), 0);
    for (const QRect& r : event->region()) {
        const int c0 = std::max(firstCol, FLeftCol + r.left() / ColPitch());
        const int c1 = std::min(lastCol, FLeftCol + r.right() / ColPitch());
        const int r0 = std::max(firstRow, FTopRow + r.top() / RowPitch());
        const int r1 = std::min(lastRow, FTopRow + r.bottom() / RowPitch());
        for (int row = r0; row <= r1; ++row)
            for (int col = c0; col <= c1; ++col)
                dirty[size_t((row - firstRow) * cols + (col - firstCol))] = 1;
    }

    const QColor lineColour = palette().color(QPalette::Mid);
    for (int row = firstRow; row <= lastRow; ++row) {
        for (int col = firstCol; col <= lastCol; ++col) {
            if (!dirty[size_t((row - firstRow) * cols + (col - firstCol))]) continue;
            const QRect rect = CellRect(col, row);
            DrawCell(canvas, col, row, rect);
            if (FGridLineWidth > 0) {
                canvas.fillRect(QRect(rect.right() + 1, rect.top(), FGridLineWidth, RowPitch()), lineColour);
                canvas.fillRect(QRect(rect.left(), rect.bottom() + 1, ColPitch(), FGridLineWidth),
                                lineColour);
            }
        }
    }
    DrawMarker(canvas);
}

void TNewDrawGrid::DrawCell(QPainter& Canvas, int Col, int Row, const QRect& Rect) {
    const QString text = CellText(Row, Col);
    QColor background, foreground;
    if (Row == 0 || (RowHeader && Col == 0)) {
        background = FColorHeaderBackground;
        foreground = FColorHeaderForeground;
    } else {
        foreground = FColorCellForeground;
        if (Render_Type == Checkered) {
            background = (Row + Col) % 2 == 0 ? FColorCellBackground : FColorCellAltBackground;
        } else {
            double v = 0;
            if (!ReadLocaleNumber(text, v)) v = 0;
            background =
                ContourColour(v, Render_Min_value, Render_Max_value, Render_Min_color, Render_Max_color);
        }
    }
    // The one-cell selection a grid starts with sits in the corner of a map: it never shows.
    const bool cornerSelection = RowHeader && FSelection.Top == 0 && FSelection.Left == 0;
    if (FSelection.Contains(Col, Row) && !cornerSelection) {
        background = FColorSelected;
        foreground = FColorCellBackground;
    }
    if (!isEnabled()) {
        background = palette().color(QPalette::Active, QPalette::Button);
        foreground = palette().color(QPalette::Active, QPalette::Dark);
    }
    Canvas.fillRect(Rect, background);
    Canvas.setPen(foreground);
    if (FAllineaCelle == aDestra)
        Canvas.drawText(Rect.adjusted(0, 0, -FRightAdjust, 0),
                        Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, text);
    else
        Canvas.drawText(Rect, Qt::AlignCenter | Qt::TextSingleLine, text);
}

QRect TNewDrawGrid::MarkerRect() const {
    const int r = FPallinoDiametro / 2;
    // The outline is 2 pixels wide and smoothed: a margin of 3 holds all of it.
    if (FPallinoForma == triangolo) return QRect(FPallinoX - r - 3, -3, 2 * r + 7, FPallinoDiametro + 7);
    return QRect(FPallinoX - r - 3, FPallinoY - r - 3, 2 * r + 7, 2 * r + 7);
}

void TNewDrawGrid::DrawMarker(QPainter& Canvas) const {
    const int r = FPallinoDiametro / 2;
    Canvas.save();
    Canvas.setRenderHint(QPainter::Antialiasing);
    Canvas.setPen(QPen(Qt::black, 2));
    Canvas.setBrush(FPallinoColore);
    if (FPallinoForma == triangolo) {
        const QPolygon triangle(
            {QPoint(FPallinoX - r, 0), QPoint(FPallinoX + r, 0), QPoint(FPallinoX, FPallinoDiametro)});
        Canvas.drawPolygon(triangle);
    } else {
        Canvas.drawEllipse(QRect(FPallinoX - r, FPallinoY - r, 2 * r, 2 * r));
    }
    Canvas.restore();
}

void TNewDrawGrid::Update_pallino(int X, int Y) {
    const int r = FPallinoDiametro / 2;
    X = std::max(X, r);
    X = std::min(X, ColPitch() * FColCount - r);
    Y = std::max(Y, r);
    Y = std::min(Y, RowPitch() * FRowCount - r);
    if (X == FPallinoX && Y == FPallinoY) return;
    update(MarkerRect());
    FPallinoX = X;
    FPallinoY = Y;
    update(MarkerRect());
}

// ---- Keyboard and mouse -------------------------------------------------------------------------

bool TNewDrawGrid::focusNextPrevChild(bool) {
    // Tab moves between cells; the last cell passes the focus on (keyPressEvent).
    return false;
}

void TNewDrawGrid::keyPressEvent(QKeyEvent* event) {
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const int lastCol = FColCount - 1, lastRow = FRowCount - 1;
    switch (event->key()) {
    case Qt::Key_Left:
        MoveTo(FCol - 1, FRow, shift);
        return;
    case Qt::Key_Right:
        MoveTo(FCol + 1, FRow, shift);
        return;
    case Qt::Key_Up:
        MoveTo(FCol, FRow - 1, shift);
        return;
    case Qt::Key_Down:
        MoveTo(FCol, FRow + 1, shift);
        return;
    case Qt::Key_Home:
        MoveTo(0, ctrl ? 0 : FRow, shift);
        return;
    case Qt::Key_End:
        MoveTo(lastCol, ctrl ? lastRow : FRow, shift);
        return;
    case Qt::Key_PageUp:
        MoveTo(FCol, FRow - VisibleRows(), shift);
        return;
    case Qt::Key_PageDown:
        MoveTo(FCol, FRow + VisibleRows(), shift);
        return;
    case Qt::Key_Tab:
        if (ctrl) break;
        if (FCol < lastCol)
            MoveTo(FCol + 1, FRow, false);
        else if (FRow < lastRow)
            MoveTo(0, FRow + 1, false);
        else
            QWidget::focusNextPrevChild(true);
        return;
    case Qt::Key_Backtab:
        if (ctrl) break;
        if (FCol > 0)
            MoveTo(FCol - 1, FRow, false);
        else if (FRow > 0)
            MoveTo(lastCol, FRow - 1, false);
        else
            QWidget::focusNextPrevChild(false);
        return;
    default:
        break;
    }
    const QString text = event->text();
    if (!text.isEmpty() && OnKeyPress) {
        QChar key = text.at(0);
        OnKeyPress(key);
        if (key.isNull()) {
            event->accept();
            return;
        }
    }
    QWidget::keyPressEvent(event);
}

void TNewDrawGrid::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    setFocus(Qt::MouseFocusReason);
    if (event->button() == Qt::LeftButton) {
        int col = 0, row = 0;
        if (MouseToCell(at, col, row)) {
            MoveTo(col, row, event->modifiers() & Qt::ShiftModifier);
            FDragging = true;
        }
    }
    if (OnMouseDown) OnMouseDown(event->button(), event->modifiers(), at.x(), at.y());
}

void TNewDrawGrid::mouseMoveEvent(QMouseEvent* event) {
    if (!FDragging || !(event->buttons() & Qt::LeftButton)) return;
    const QPoint at = event->position().toPoint();
    // Dragging past the last cell keeps the selection on the edge.
    const int col = FLeftCol + std::max(0, at.x()) / std::max(1, ColPitch());
    const int row = FTopRow + std::max(0, at.y()) / std::max(1, RowPitch());
    MoveTo(col, row, true);
}

void TNewDrawGrid::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) FDragging = false;
}

void TNewDrawGrid::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::FontChange ||
        event->type() == QEvent::PaletteChange)
        update();
    QWidget::changeEvent(event);
}
