#pragma once

#include "config/MapTypes.h"

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>
#include <QWidget>
#include <functional>

class QPainter;

// A rectangle of cells, in grid columns and rows, both ends included.
struct TGridRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    bool Contains(int Col, int Row) const {
        return Col >= Left && Col <= Right && Row >= Top && Row <= Bottom;
    }
    bool operator==(const TGridRect&) const = default;
};

// The colour of a contoured cell: v between the range's ends, each channel interpolated between
// the two colours. A value that is no number (NaN) or below the range takes the low colour, one
// above it the high colour; an empty range (Min = Max) never divides by zero.
QColor ContourColour(double v, double MinValue, double MaxValue, const QColor& MinColor,
                     const QColor& MaxColor);

// The owner-drawn grid of every map and table: it holds no data and asks its owner for each
// cell's text (OnGetData), paints cells chequered or contoured by value, shows the selection and
// draws the working-point marker (the "pallino") on top.
//
// Every cell is an ordinary selectable cell: the header row and column are painted as headers but
// selected like data. Keyboard: arrows, Tab / Shift+Tab, Home / End (Ctrl: the first and last
// cell), Page Up / Page Down, Shift with any of them extends the selection; the mouse selects by
// click, Shift+click and drag. Character keys (digits, Enter, space...) go to OnKeyPress first.
//
// The marker moves many times a second while the engine runs: Update_pallino repaints only the
// cells under the marker's old and new places, and nothing at all when it did not move.
class TNewDrawGrid : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QColor ColorCellBackground READ ColorCellBackground WRITE SetColorCellBackground)
    Q_PROPERTY(QColor ColorCellAltBackground READ ColorCellAltBackground WRITE SetColorCellAltBackground)
    Q_PROPERTY(QColor ColorCellForeground READ ColorCellForeground WRITE SetColorCellForeground)
    Q_PROPERTY(QColor ColorHeaderBackground READ ColorHeaderBackground WRITE SetColorHeaderBackground)
    Q_PROPERTY(QColor ColorHeaderForeground READ ColorHeaderForeground WRITE SetColorHeaderForeground)
    Q_PROPERTY(QColor ColorSelected READ ColorSelected WRITE SetColorSelected)
    Q_PROPERTY(int PallinoDiametro READ PallinoDiametro WRITE SetPallinoDiametro)
    Q_PROPERTY(QColor PallinoColore READ PallinoColore WRITE SetPallinoColore)
    Q_PROPERTY(TPallinoShape PallinoForma READ PallinoForma WRITE SetPallinoForma)
    Q_PROPERTY(bool RowHeader MEMBER RowHeader)
    Q_PROPERTY(bool ColHeaderEditable MEMBER ColHeaderEditable)
    Q_PROPERTY(int RightAdjust READ RightAdjust WRITE SetRightAdjust)
    Q_PROPERTY(TAllineaCelle AllineaCelle READ AllineaCelle WRITE SetAllineaCelle)
    Q_PROPERTY(int Versione MEMBER Versione)
    Q_PROPERTY(TRenderingType Render_Type MEMBER Render_Type)
    Q_PROPERTY(QColor Render_Min_color MEMBER Render_Min_color)
    Q_PROPERTY(QColor Render_Max_color MEMBER Render_Max_color)
    Q_PROPERTY(double Render_Min_value MEMBER Render_Min_value)
    Q_PROPERTY(double Render_Max_value MEMBER Render_Max_value)
    Q_PROPERTY(int ColCount READ ColCount WRITE SetColCount)
    Q_PROPERTY(int RowCount READ RowCount WRITE SetRowCount)
    Q_PROPERTY(int DefaultColWidth READ DefaultColWidth WRITE SetDefaultColWidth)
    Q_PROPERTY(int DefaultRowHeight READ DefaultRowHeight WRITE SetDefaultRowHeight)
    Q_PROPERTY(int GridLineWidth READ GridLineWidth WRITE SetGridLineWidth)

public:
    enum TPallinoShape { pallino, triangolo };
    Q_ENUM(TPallinoShape)
    enum TAllineaCelle { Centrate, aDestra };
    Q_ENUM(TAllineaCelle)
    enum TRenderingType { Checkered, Contoured };
    Q_ENUM(TRenderingType)

    // The text of cell (Row, Col).
    using TGetDataHandler = std::function<QString(int Row, int Col)>;
    // A character key while the grid has the focus; clearing Key (to a null QChar) consumes it.
    using TKeyPressHandler = std::function<void(QChar& Key)>;
    // A mouse button pressed over the grid, after the grid has handled it.
    using TMouseDownHandler =
        std::function<void(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y)>;

    explicit TNewDrawGrid(QWidget* parent = nullptr);

    // ---- Published properties ----
    QColor ColorCellBackground() const { return FColorCellBackground; }
    void SetColorCellBackground(const QColor& c) { SetColour(FColorCellBackground, c); }
    QColor ColorCellAltBackground() const { return FColorCellAltBackground; }
    void SetColorCellAltBackground(const QColor& c) { SetColour(FColorCellAltBackground, c); }
    QColor ColorCellForeground() const { return FColorCellForeground; }
    void SetColorCellForeground(const QColor& c) { SetColour(FColorCellForeground, c); }
    QColor ColorHeaderBackground() const { return FColorHeaderBackground; }
    void SetColorHeaderBackground(const QColor& c) { SetColour(FColorHeaderBackground, c); }
    QColor ColorHeaderForeground() const { return FColorHeaderForeground; }
    void SetColorHeaderForeground(const QColor& c) { SetColour(FColorHeaderForeground, c); }
    QColor ColorSelected() const { return FColorSelected; }
    void SetColorSelected(const QColor& c) { SetColour(FColorSelected, c); }

    int PallinoDiametro() const { return FPallinoDiametro; }
    void SetPallinoDiametro(int Value);
    QColor PallinoColore() const { return FPallinoColore; }
    void SetPallinoColore(const QColor& Value);
    TPallinoShape PallinoForma() const { return FPallinoForma; }
    void SetPallinoForma(TPallinoShape Value);
    int RightAdjust() const { return FRightAdjust; }
    void SetRightAdjust(int Value);
    TAllineaCelle AllineaCelle() const { return FAllineaCelle; }
    void SetAllineaCelle(TAllineaCelle Value);

    bool RowHeader = true;
    bool ColHeaderEditable = false;
    int Versione = 105;
    TMapTypeOfData DataTypeRowHeader = MapTypeFromOrdinal(0);
    TMapTypeOfData DataTypeColHeader = MapTypeFromOrdinal(0);
    TMapTypeOfData DataTypeMap = MapTypeFromOrdinal(0);
    TRenderingType Render_Type = Checkered;
    QColor Render_Min_color = Qt::black;
    QColor Render_Max_color = Qt::black;
    double Render_Min_value = 0;
    double Render_Max_value = 0;

    TGetDataHandler OnGetData;
    TKeyPressHandler OnKeyPress;
    TMouseDownHandler OnMouseDown;

    // ---- The grid ----
    int ColCount() const { return FColCount; }
    void SetColCount(int Value);
    int RowCount() const { return FRowCount; }
    void SetRowCount(int Value);
    int DefaultColWidth() const { return FDefaultColWidth; }
    void SetDefaultColWidth(int Value);
    int DefaultRowHeight() const { return FDefaultRowHeight; }
    void SetDefaultRowHeight(int Value);
    int GridLineWidth() const { return FGridLineWidth; }
    void SetGridLineWidth(int Value);
    // The distance from one column (row) to the next: the cell and its grid line.
    int ColPitch() const { return FDefaultColWidth + FGridLineWidth; }
    int RowPitch() const { return FDefaultRowHeight + FGridLineWidth; }

    // The current cell and the selection, which always holds it.
    int Col() const { return FCol; }
    int Row() const { return FRow; }
    TGridRect Selection() const { return FSelection; }
    void SetSelection(const TGridRect& Value);
    // Makes (Col, Row) the current cell and the whole selection.
    void SelectCell(int Col, int Row);
    // The first visible column and row.
    int LeftCol() const { return FLeftCol; }
    int TopRow() const { return FTopRow; }

    // The cell under a point of the widget; false outside every cell.
    bool MouseToCell(const QPoint& At, int& Col, int& Row) const;
    QRect CellRect(int Col, int Row) const;
    // The text a cell shows.
    QString CellText(int Row, int Col) const;

    // ---- The marker ----
    // Moves the marker's centre to (X, Y), kept inside the cells; repaints only when it moved.
    void Update_pallino(int X, int Y);
    int PallinoX() const { return FPallinoX; }
    int PallinoY() const { return FPallinoY; }
    // The area the marker covers, its outline included.
    QRect MarkerRect() const;

    // Paints one cell: its colours by kind, selection and state, and its text.
    virtual void DrawCell(QPainter& Canvas, int Col, int Row, const QRect& Rect);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void changeEvent(QEvent* event) override;

private:
    void SetColour(QColor& Field, const QColor& Value);
    void DrawMarker(QPainter& Canvas) const;
    // Moves the current cell; Extend keeps the anchor and stretches the selection to it.
    void MoveTo(int Col, int Row, bool Extend);
    void ScrollInView(int Col, int Row);
    int VisibleCols() const;
    int VisibleRows() const;
    void RepaintCells(const TGridRect& Cells);

    QColor FColorCellBackground{0xFF, 0xFF, 0xFF};
    QColor FColorCellAltBackground{0xC0, 0xC0, 0xC0};
    QColor FColorCellForeground{0x00, 0x80, 0x00};
    QColor FColorHeaderBackground{0x00, 0xFF, 0x00};
    QColor FColorHeaderForeground{0x00, 0x00, 0x00};
    QColor FColorSelected{0x00, 0x00, 0xFF};
    int FPallinoDiametro = 20;
    QColor FPallinoColore{0xFF, 0x00, 0x00};
    TPallinoShape FPallinoForma = pallino;
    int FRightAdjust = 10;
    TAllineaCelle FAllineaCelle = Centrate;

    int FColCount = 5;
    int FRowCount = 5;
    int FDefaultColWidth = 64;
    int FDefaultRowHeight = 24;
    int FGridLineWidth = 1;
    int FCol = 0;
    int FRow = 0;
    int FAnchorCol = 0;
    int FAnchorRow = 0;
    TGridRect FSelection;
    int FLeftCol = 0;
    int FTopRow = 0;
    bool FDragging = false;

    int FPallinoX = 10;
    int FPallinoY = 10;
};
