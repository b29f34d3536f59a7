#include "editor/UnitModifyData.h"

#include "StringIds.h"
#include "app/UserDialogs.h"
#include "config/CellShaping.h"
#include "config/NumberFormat.h"
#include "config/UnitDati.h"
#include "resources/Strings.h"
#include "windows/WindowScaling.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <algorithm>
#include <vector>

TFormModify* FormModify = nullptr;

bool ApplyToRange(TDataMap& Model, TMapTypeOfData Kind, const TGridRect& Range, TModifyMode Mode, double X) {
    bool clipped = false;
    const bool map = IsMapKind(Kind);
    for (int row = Range.Top; row <= Range.Bottom; ++row) {
        if (map && (row < 1 || row > MapRows(Kind))) continue;
        for (int index = std::max(1, Range.Left); index <= std::min(Range.Right, MapColumns(Kind)); ++index) {
            const double v = Model.GetMapValue(Kind, row, index);
            double h = X;
            if (Mode == TModifyMode::Add) h = v + X;
            if (Mode == TModifyMode::AddPercent) h = v + X * v / 100;
            h = RoundCellValue(Kind, h);
            const TCellRange limits = Model.CellLimits(Kind, index);
            if (Model.EnableCheckRanges && !limits.Contains(h)) {
                // Not std::clamp: the neighbours of an axis that does not rise are out of order.
                h = std::min(std::max(h, limits.Lower), limits.Upper);
                clipped = true;
            }
            Model.SetMapValue(Kind, row, h, index);
        }
    }
    return clipped;
}

namespace {

// The rectangle of a range in a table of Rows x Columns, 0-based; empty (Rows() <= 0) when the
// range lies outside the table. A one-row table takes its indexes whatever the rows say.
TCellSpan SpanOf(const TGridRect& Range, int Rows, int Columns) {
    TCellSpan span{std::max(1, Range.Top) - 1, std::max(1, Range.Left) - 1, std::min(Range.Bottom, Rows) - 1,
                   std::min(Range.Right, Columns) - 1};
    if (Rows == 1) span.Top = span.Bottom = 0;
    return span;
}

} // namespace

bool ShapeRange(TDataMap& Model, TMapTypeOfData Kind, const TGridRect& Range, TCellShape Shape) {
    const TConstCellsView cells = std::as_const(Model).Cells(Kind);
    TCellTable table{cells.Rows(), cells.Columns(), {}};
    for (int row = 1; row <= table.Rows; ++row)
        for (int index = 1; index <= table.Columns; ++index)
            table.Values.push_back(cells.Value(row, index));
    const TCellSpan span = SpanOf(Range, table.Rows, table.Columns);
    if (span.Rows() <= 0 || span.Columns() <= 0) return false;
    const std::vector<double> shaped =
        Shape == TCellShape::Interpolate ? InterpolatedCells(table, span) : SmoothedCells(table, span);
    // A one-row table is row 0 to the model.
    const auto rowOf = [&table](int r) { return table.Rows == 1 ? 0 : r + 1; };
    std::vector<TCellValue> values;
    size_t at = 0;
    for (int r = span.Top; r <= span.Bottom; ++r)
        for (int c = span.Left; c <= span.Right; ++c)
            values.push_back({rowOf(r), c + 1, shaped[at++]});
    return StoreCellValues(Model, Kind, values);
}

bool StoreCellValues(TDataMap& Model, TMapTypeOfData Kind, const std::vector<TCellValue>& Cells) {
    for (const TCellValue& cell : Cells)
        Model.SetMapValue(Kind, cell.Row, RoundCellValue(Kind, cell.Value), cell.Index);
    if (!Model.EnableCheckRanges) return false;
    bool clipped = false;
    for (const TCellValue& cell : Cells) {
        const double h = Model.GetMapValue(Kind, cell.Row, cell.Index);
        const TCellRange limits = Model.CellLimits(Kind, cell.Index);
        if (limits.Contains(h)) continue;
        // Not std::clamp: the neighbours of an axis that does not rise are out of order.
        Model.SetMapValue(Kind, cell.Row, std::min(std::max(h, limits.Lower), limits.Upper), cell.Index);
        clipped = true;
    }
    return clipped;
}

namespace {

// The stored cells of one table, to put back exactly: the raw snapshot of the undo rounds values
// the ECU cannot hold (a pressure breakpoint of 580 mbar comes back as 600).
struct TCellsCopy {
    TMapTypeOfData Kind;
    std::vector<double> Values;

    bool operator==(const TCellsCopy&) const = default;
};

TCellsCopy CopyCells(const TDataMap& Model, TMapTypeOfData Kind) {
    TCellsCopy copy{Kind, {}};
    const TConstCellsView cells = Model.Cells(Kind);
    for (int row = 1; row <= cells.Rows(); ++row)
        for (int index = 1; index <= cells.Columns(); ++index)
            copy.Values.push_back(cells.Value(row, index));
    return copy;
}

void RestoreCells(TDataMap& Model, const TCellsCopy& Copy) {
    const TCellsView cells = Model.Cells(Copy.Kind);
    size_t at = 0;
    for (int row = 1; row <= cells.Rows(); ++row)
        for (int index = 1; index <= cells.Columns(); ++index)
            cells.SetValue(row, index, Copy.Values[at++]);
}

// The letter after "&" in a caption: Ctrl with it chooses the control in the value field.
QChar MnemonicOf(const QString& caption) {
    const qsizetype at = caption.indexOf(QLatin1Char('&'));
    return at >= 0 && at + 1 < caption.size() ? caption.at(at + 1).toUpper() : QChar();
}

// The value typed: in the user's locale, or with a "." as the keypad gives it everywhere.
bool ReadTypedValue(const QString& text, double& value) {
    if (ReadLocaleNumber(text, value)) return true;
    bool ok = false;
    const double v = QLocale::c().toDouble(text.trimmed(), &ok);
    if (ok) value = v;
    return ok;
}

} // namespace

TFormModify::TFormModify(TGuiHost* host, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint), Host(host) {
    setObjectName(QStringLiteral("FormModify"));
    FormModify = this;
    setModal(false);

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setHorizontalSpacing(8);
    layout->setVerticalSpacing(6);

    LabelValue = new QLabel(this);
    LabelValue->setObjectName(QStringLiteral("LabelValue"));
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Edit1->setMinimumWidth(110);
    Edit1->installEventFilter(this);
    LabelValue->setBuddy(Edit1);
    layout->addWidget(LabelValue, 0, 0);
    layout->addWidget(Edit1, 0, 1, 1, 2);

    auto radio = [this, layout](QRadioButton*& button, QLabel*& label, const char* name,
                                const char* labelName, int row) {
        button = new QRadioButton(this);
        button->setObjectName(QString::fromLatin1(name));
        button->setFocusPolicy(Qt::TabFocus);
        label = new QLabel(this);
        label->setObjectName(QString::fromLatin1(labelName));
        label->setBuddy(button);
        label->installEventFilter(this);
        auto* line = new QHBoxLayout;
        line->setSpacing(4);
        line->addWidget(button);
        line->addWidget(label, 1);
        layout->addLayout(line, row, 0, 1, 2);
    };
    radio(AbsoluteRadioButton, LabelAbsolute, "AbsoluteRadioButton", "LabelAbsolute", 1);
    radio(LinearRadioButton, LabelLinear, "LinearRadioButton", "LabelLinear", 2);
    radio(PercentageRadioButton, LabelPercentage, "PercentageRadioButton", "LabelPercentage", 3);
    PercentageRadioButton->setChecked(true);

    BothBankSwitch = new QPushButton(this);
    BothBankSwitch->setObjectName(QStringLiteral("BothBankSwitch"));
    BothBankSwitch->setCheckable(true);
    BothBankSwitch->setAutoDefault(false);
    BothBankSwitch->setMinimumWidth(96);
    BothBankSwitch->setVisible(false);
    layout->addWidget(BothBankSwitch, 1, 2, 3, 1, Qt::AlignCenter);
    connect(BothBankSwitch, &QPushButton::clicked, this, &TFormModify::BothBankSwitchClick);

    // Interpolate and Smooth need no value: each press reshapes the selection at once.
    const auto shapeButton = [this](QPushButton*& button, const char* name) {
        button = new QPushButton(this);
        button->setObjectName(QString::fromLatin1(name));
        button->setAutoDefault(false);
    };
    shapeButton(ButtonInterpolate, "ButtonInterpolate");
    shapeButton(ButtonSmooth, "ButtonSmooth");
    auto* shapes = new QHBoxLayout;
    shapes->addWidget(ButtonInterpolate);
    shapes->addWidget(ButtonSmooth);
    shapes->addStretch(1);
    layout->addLayout(shapes, 4, 0, 1, 3);
    connect(ButtonInterpolate, &QPushButton::clicked, this, &TFormModify::ButtonInterpolateClick);
    connect(ButtonSmooth, &QPushButton::clicked, this, &TFormModify::ButtonSmoothClick);

    ButtonChange = new QPushButton(this);
    ButtonChange->setObjectName(QStringLiteral("ButtonChange"));
    ButtonChange->setAutoDefault(false);
    ButtonCancel = new QPushButton(this);
    ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));
    ButtonCancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ButtonChange);
    buttons->addWidget(ButtonCancel);
    layout->addLayout(buttons, 5, 0, 1, 3);
    connect(ButtonChange, &QPushButton::clicked, this, &TFormModify::ButtonChangeClick);
    connect(ButtonCancel, &QPushButton::clicked, this, &TFormModify::ButtonCancelClick);

    ApplyCaptions();
    ScaleLikeMainWindow(this, Host);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

TFormModify::~TFormModify() {
    if (FormModify == this) FormModify = nullptr;
}

void TFormModify::ApplyCaptions() {
    setWindowTitle(ResStr(SModifyCaption));
    LabelValue->setText(ResStr(SModifyValue));
    LabelAbsolute->setText(ResStr(SModifySet));
    LabelLinear->setText(ResStr(SModifyAdd));
    LabelPercentage->setText(ResStr(SModifyAddPercent));
    ButtonChange->setText(ResStr(SModifyOk));
    ButtonCancel->setText(ResStr(SModifyCancel));
    ButtonInterpolate->setText(ResStr(SModifyInterpolate));
    ButtonSmooth->setText(ResStr(SModifySmooth));
    ShowBankOnSwitch();
}

void TFormModify::ShowBankOnSwitch() {
    if (BothBankSwitch->isChecked()) {
        BothBankSwitch->setText(ResStr(SModifyBothBanks));
        BothBankSwitch->setStyleSheet(QStringLiteral("QPushButton { color: red; }"));
    } else {
        const int bank = DataMap && DataMap->Bank == 2 ? 2 : 1;
        BothBankSwitch->setText(QStringLiteral("  ") + ResStr(SButtonBank) + QLatin1Char(' ') +
                                QString::number(bank));
        BothBankSwitch->setStyleSheet(QString());
    }
}

// ---- Opening --------------------------------------------------------------------------------------

void TFormModify::Modify(TNewDrawGrid* grid, TMapTypeOfData kind, QChar key, const TGridRect& range) {
    Grid = grid;
    Kind = kind;
    Range = range;
    OpeningKey = key;
    if (DataMap) DataMap->EnableMapRefresh = false;
    // A selection in the row header of a map: its rows are the axis's indexes.
    if (grid && grid->RowCount() > 2 && Range.Left == 0 && Range.Right == 0) {
        Range.Left = Range.Top;
        Range.Right = Range.Bottom;
        Range.Top = Range.Bottom = 0;
    }
    Open = true;
    PrepareValueField();
    PlaceBesideSelection();
    show();
    raise();
    activateWindow();
    // Already shown: showEvent does not run again.
    Edit1->setFocus(Qt::OtherFocusReason);
    PrepareValueField();
}

void TFormModify::PrepareValueField() {
    if (OpeningKey >= u'0' && OpeningKey <= u'9') {
        // The user goes on typing the number he started on the grid.
        Edit1->setText(QString(OpeningKey));
        Edit1->deselect();
        Edit1->setCursorPosition(1);
    } else {
        const double v = DataMap ? DataMap->GetMapValue(Kind, Range.Top, Range.Left) : 0.0;
        Edit1->setText(FormatNumber("%.2f", v));
        Edit1->selectAll();
    }
}

void TFormModify::PlaceBesideSelection() {
    if (!Grid) return;
    adjustSize();
    const TGridRect selection = Grid->Selection();
    const QRect corner = Grid->CellRect(selection.Right, selection.Bottom);
    QPoint at = Grid->mapToGlobal(QPoint(corner.right() + 1, corner.bottom() + 1));
    const int gridRight = Grid->mapToGlobal(QPoint(Grid->width(), 0)).x();
    const QSize size = frameGeometry().size().expandedTo(sizeHint());
    if (at.x() + size.width() > gridRight) at.setX(gridRight - size.width());
    // Cells of the last rows would put it below the screen's edge.
    if (const QScreen* screen = Grid->screen()) {
        const QRect area = screen->availableGeometry();
        at.setX(std::max(area.left(), std::min(at.x(), area.right() + 1 - size.width())));
        at.setY(std::max(area.top(), std::min(at.y(), area.bottom() + 1 - size.height())));
    }
    move(at);
}

void TFormModify::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    const bool gasMap = Grid && MapKind(Grid->DataTypeMap).BankNo != 0;
    const bool twoProbes = DataMap && DataMap->LambdaProbes >= 2;
    BothBankSwitch->setVisible(gasMap && twoProbes);
    if (gasMap && !twoProbes) BothBankSwitch->setChecked(false);
    ShowBankOnSwitch();
    Edit1->setFocus(Qt::OtherFocusReason);
    PrepareValueField();
}

// ---- Controls -------------------------------------------------------------------------------------

TModifyMode TFormModify::Mode() const {
    if (AbsoluteRadioButton->isChecked()) return TModifyMode::Set;
    if (LinearRadioButton->isChecked()) return TModifyMode::Add;
    return TModifyMode::AddPercent;
}

void TFormModify::BothBankSwitchClick() {
    if (!BothBankSwitch->isChecked() && DataMap) {
        // Released: the dialog and the main window go over to the other bank.
        DataMap->Bank = uint8_t(DataMap->Bank == 2 ? 1 : 2);
        Kind = OtherBankKind(Kind).value_or(Kind);
        if (DataMap->MainView) DataMap->MainView->BankSwitched();
        if (Grid) Grid->update();
    }
    ShowBankOnSwitch();
}

bool TFormModify::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Edit1 && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            ButtonChangeClick();
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            ButtonCancelClick();
            return true;
        }
        if ((key->modifiers() & Qt::ControlModifier) && key->key() >= Qt::Key_A && key->key() <= Qt::Key_Z) {
            const QChar letter = QChar(char16_t(key->key())).toUpper();
            const std::pair<QLabel*, QRadioButton*> choices[] = {{LabelAbsolute, AbsoluteRadioButton},
                                                                 {LabelLinear, LinearRadioButton},
                                                                 {LabelPercentage, PercentageRadioButton}};
            for (const auto& [label, button] : choices)
                if (letter == MnemonicOf(label->text())) {
                    button->setChecked(true);
                    return true;
                }
            if (key->key() == Qt::Key_B) {
                if (!BothBankSwitch->isHidden()) BothBankSwitch->click();
                return true;
            }
        }
    }
    if (event->type() == QEvent::MouseButtonPress) {
        const std::pair<QObject*, QRadioButton*> labels[] = {{LabelAbsolute, AbsoluteRadioButton},
                                                             {LabelLinear, LinearRadioButton},
                                                             {LabelPercentage, PercentageRadioButton}};
        for (const auto& [label, button] : labels)
            if (watched == label) {
                button->setChecked(true);
                return true;
            }
    }
    return QDialog::eventFilter(watched, event);
}

// ---- Apply and cancel -----------------------------------------------------------------------------

void TFormModify::ButtonChangeClick() {
    if (!DataMap || !Open) return;
    double x = 0;
    if (!ReadTypedValue(Edit1->text(), x)) {
        Dialogs().Tell(TMsgKind::Error, ResStr(SMsgNotANumber).arg(Edit1->text()));
        Edit1->setFocus(Qt::OtherFocusReason);
        Edit1->selectAll();
        return;
    }
    const TModifyMode mode = Mode();
    ApplyChange([this, mode, x](TMapTypeOfData kind) { return ApplyToRange(*DataMap, kind, Range, mode, x); },
                false);
}

void TFormModify::ButtonInterpolateClick() {
    if (!DataMap || !Open) return;
    ApplyChange(
        [this](TMapTypeOfData kind) { return ShapeRange(*DataMap, kind, Range, TCellShape::Interpolate); },
        true);
}

void TFormModify::ButtonSmoothClick() {
    if (!DataMap || !Open) return;
    ApplyChange([this](TMapTypeOfData kind) { return ShapeRange(*DataMap, kind, Range, TCellShape::Smooth); },
                true);
}

void TFormModify::ApplyChange(const std::function<bool(TMapTypeOfData)>& Apply, bool OnlyChanged) {
    const std::optional<TMapTypeOfData> other = OtherBankKind(Kind);
    const bool bothBanks = !BothBankSwitch->isHidden() && BothBankSwitch->isChecked() && other;
    std::vector<TMapTypeOfData> kinds{Kind};
    if (bothBanks) kinds.push_back(*other);

    // What a Cancel at the clip question puts back. Nothing has reached the ECU by then, so the
    // configuration is restored exactly and nothing needs writing.
    std::vector<TCellsCopy> cells;
    for (TMapTypeOfData kind : kinds)
        cells.push_back(CopyCells(*DataMap, kind));
    const RMappatura undoImage = DataMap->UndoImage;
    const bool hadUndo = DataMap->UndoAvailable();
    const bool saved = DataMap->Saved();
    const QString fileName = DataMap->FileName;

    DataMap->EnableMapRefresh = false;
    DataMap->SaveUndo();
    DataMap->SetSaved(false);
    bool clipped = false;
    for (TMapTypeOfData kind : kinds)
        clipped = Apply(kind) || clipped;

    // The configuration as it was before the press: the previous change stays the one that Undo
    // takes back, and no answer will come to turn the map refresh back on.
    const auto leaveAsBefore = [&] {
        if (hadUndo) DataMap->UndoImage = undoImage;
        DataMap->SetSaved(saved);
        DataMap->FileName = fileName;
        DataMap->EnableMapRefresh = true;
        Finish();
    };
    if (clipped && Dialogs().Ask(TMsgKind::Warning, ResStr(SMsgClipOutOfRange), mbOK | mbCancel) != mbOK) {
        for (const TCellsCopy& copy : cells)
            RestoreCells(*DataMap, copy);
        leaveAsBefore();
        return;
    }
    const bool unchanged =
        std::equal(kinds.begin(), kinds.end(), cells.begin(),
                   [](TMapTypeOfData k, const TCellsCopy& c) { return CopyCells(*DataMap, k) == c; });
    if (OnlyChanged && unchanged) {
        leaveAsBefore(); // nothing to write, nothing to undo
        return;
    }
    for (size_t i = 0; i < kinds.size(); ++i)
        if (!OnlyChanged || !(CopyCells(*DataMap, kinds[i]) == cells[i])) DataMap->DownloadForKind(kinds[i]);
    Finish();
}

void TFormModify::Finish() {
    Open = false;
    if (DataMap && DataMap->MainView) DataMap->MainView->UpdateColourRanges();
    if (Grid) {
        Grid->update();
        const bool slaveGasMap = MapKind(Grid->DataTypeMap).Clipboard == TClipboardClass::SlaveGasMaps;
        if (slaveGasMap && DataMap && DataMap->MainView) DataMap->MainView->RefreshMapCheck();
    }
    hide();
    if (Grid) {
        Grid->activateWindow();
        Grid->setFocus(Qt::OtherFocusReason);
    }
}

void TFormModify::ButtonCancelClick() {
    if (DataMap) DataMap->EnableMapRefresh = true;
    Open = false;
    hide();
    if (Grid) {
        Grid->activateWindow();
        Grid->setFocus(Qt::OtherFocusReason);
    }
}

void TFormModify::reject() {
    ButtonCancelClick();
}

void TFormModify::closeEvent(QCloseEvent* event) {
    // Closed by its frame: nothing was changed, as with Cancel.
    if (Open) {
        if (DataMap) DataMap->EnableMapRefresh = true;
        Open = false;
    }
    QDialog::closeEvent(event);
}
