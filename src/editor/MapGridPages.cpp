#include "editor/MapGridPages.h"

#include "StringIds.h"
#include "app/UserDialogs.h"
#include "config/Conversion.h"
#include "config/NumberFormat.h"
#include "config/UnitDati.h"
#include "editor/UnitModifyData.h"
#include "editor/WorkingPoint.h"
#include "link/Codec.h"
#include "link/ReplyDispatch.h"
#include "live/UnitAcquisizioni.h"
#include "resources/Strings.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

namespace {

using K = TMapTypeOfData;

enum class TPlace { Functions, PetrolMap, GasMapComp, GasMapSlave, Lambda, Correction, Drivability };

// The live value a marker follows along one axis.
enum class TLive { None, RPM, MAP, SlavePetrolTime, WaterTemp, GasTemp, GasPress, GasLevelVolt, RPMSteps };
// The lambda that colours a marker.
enum class TMarkerLambda { None, Lambda1, BankLambda };

// The petrol map writes in a darker green than the control's own: its own green reads at a
// contrast of 2 : 1 on the grey-green of the map's lowest cells.
constexpr QRgb PaleGreen = 0xC8FFC8, PaleCyan = 0xC8FFFA, Navy = 0x000080, Teal = 0x008080,
               SkyBlue = 0xA6CAF0, PetrolLow = 0x85AA85, Lime = 0x00FF00, MapAltBackground = 0xF0F0F0,
               White = 0xFFFFFF, CellGreen = 0x008000, DarkGreen = 0x004000;

// One grid of the main window. The header row and column show the data kind's axes as the
// kind table gives them.
struct TGridDescription {
    const char* Name;
    TPlace Place;
    int Cols, Rows;
    bool ColHeaderEditable;
    K DataKind; // bank 1 for a gas map
    bool Contoured;
    QRgb MinColour, MaxColour;
    double DesignMin, DesignMax;
    QRgb HeaderBackground, CellForeground;
    int RightAdjust;
    bool StartsDisabled;
    // The marker: a live value along the column axis, and along the row axis on a 2-D map.
    TLive MarkerX;
    std::optional<K> MarkerXAxis;
    TLive MarkerY;
    std::optional<K> MarkerYAxis;
    TMarkerLambda MarkerLambda;
};

// clang-format off
const TGridDescription GridDescriptions[TMapGridPages::GridCount] = {
//   name                 place                cols rows col hdr data kind                     contour min colour  max colour design      header     text       right disabled marker x                                       marker y                                     lambda
    {"MappaBenzina",      TPlace::PetrolMap,   10,  13,  true,   K::Benzina,                   true,   PetrolLow,  Lime,      4,    17,   PaleGreen, DarkGreen, 10,   false,   TLive::RPM,          K::Giri_Comp,            TLive::MAP,             K::MAP_Benzina,        TMarkerLambda::Lambda1},
    {"MappaGas_Comp",     TPlace::GasMapComp,  10,  13,  true,   K::TempiGas_Comp_banco1,      true,   Teal,       SkyBlue,   3,    16,   PaleCyan,  Navy,      10,   false,   TLive::RPM,          K::Giri_Comp,            TLive::MAP,             K::MAP_Comp,           TMarkerLambda::BankLambda},
    {"MappaGas_Slave",    TPlace::GasMapSlave, 10,  13,  true,   K::TempiGas_Slave_banco1,     true,   Teal,       SkyBlue,   0.65, 1.11, PaleCyan,  Navy,      10,   false,   TLive::RPM,          K::Giri_Slave,           TLive::SlavePetrolTime, K::TempiBenzina_Slave, TMarkerLambda::BankLambda},
    {"MappaEmissioni",    TPlace::Lambda,      12,  2,   false,  K::RiferimentoSondaLambda,    false,  0,          0,         0,    0,    PaleGreen, CellGreen, 10,   false,   TLive::RPMSteps,     std::nullopt,            TLive::None,            std::nullopt,          TMarkerLambda::None},
    {"MappaGasTemp",      TPlace::Correction,  9,   2,   true,   K::CorrTemperaturaGas,        false,  0,          0,         0,    0,    PaleGreen, CellGreen, 10,   false,   TLive::GasTemp,      K::TemperaturaGas,       TLive::None,            std::nullopt,          TMarkerLambda::None},
    {"MappaGasPress",     TPlace::Correction,  15,  2,   true,   K::CorrPressioneGas,          false,  0,          0,         0,    0,    PaleCyan,  CellGreen, 2,    false,   TLive::GasPress,     K::PressioneGas,         TLive::None,            std::nullopt,          TMarkerLambda::None},
    {"MappaPressRedTemp", TPlace::Correction,  9,   2,   true,   K::CorrTemperaturaRiduttore,  false,  0,          0,         0,    0,    PaleCyan,  CellGreen, 10,   false,   TLive::WaterTemp,    K::TemperaturaRiduttore, TLive::None,            std::nullopt,          TMarkerLambda::None},
    {"Mappa_Cicchetto",   TPlace::Drivability, 6,   2,   true,   K::TempoCicchetto,            false,  0,          0,         0,    0,    PaleCyan,  CellGreen, 10,   true,    TLive::WaterTemp,    K::TemperaturaCicchetto, TLive::None,            std::nullopt,          TMarkerLambda::None},
    {"MappaLivelloGas",   TPlace::Functions,   4,   2,   false,  K::LivelloGas,                false,  0,          0,         0,    0,    PaleCyan,  CellGreen, 10,   true,    TLive::GasLevelVolt, K::LivelloGas,           TLive::None,            std::nullopt,          TMarkerLambda::None},
};
// clang-format on

const TGridDescription& Described(int which) {
    return GridDescriptions[which];
}

bool IsMapGrid(int which) {
    return IsMapKind(Described(which).DataKind);
}

bool IsGasMapGrid(int which) {
    return MapKind(Described(which).DataKind).BankNo != 0;
}

bool TwoLambdaProbes() {
    return DataMap && DataMap->LambdaProbes >= 2;
}

int CurrentBank() {
    return DataMap && DataMap->Bank == 2 ? 2 : 1;
}

double LiveValue(TLive which) {
    if (!Acquisitions) return 0;
    switch (which) {
    case TLive::RPM:
    case TLive::RPMSteps:
        return Acquisitions->RPM;
    case TLive::MAP:
        return Acquisitions->MAP;
    case TLive::SlavePetrolTime:
        return Acquisitions->PetrolTime[CurrentBank() == 1 ? 0 : 4];
    case TLive::WaterTemp:
        return Acquisitions->WaterTemp;
    case TLive::GasTemp:
        return Acquisitions->GasTemp;
    case TLive::GasPress:
        return Acquisitions->GasPress;
    case TLive::GasLevelVolt:
        return Acquisitions->GasLevelVolt;
    case TLive::None:
        break;
    }
    return 0;
}

// The breakpoints of an axis as the configuration reads them.
std::vector<double> Breakpoints(K kind) {
    std::vector<double> points;
    for (int i = 1; i <= MapColumns(kind); ++i)
        points.push_back(DataMap->GetMapValue(kind, 0, i));
    return points;
}

QFont GridFont() {
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(21);
    return font;
}

} // namespace

// ---- Row captions ---------------------------------------------------------------------------------

TGridRowCaptions::TGridRowCaptions(TNewDrawGrid* Grid, QWidget* parent) : QWidget(parent), Grid(Grid) {
    Grid->installEventFilter(this);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
}

void TGridRowCaptions::SetTexts(const QStringList& Texts) {
    FTexts = Texts;
    updateGeometry();
    update();
}

QSize TGridRowCaptions::sizeHint() const {
    int width = 0;
    for (const QString& text : FTexts)
        width = std::max(width, fontMetrics().horizontalAdvance(text));
    return QSize(width + 12, Grid->sizeHint().height());
}

bool TGridRowCaptions::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Grid && (event->type() == QEvent::Resize || event->type() == QEvent::Move)) update();
    return QWidget::eventFilter(watched, event);
}

void TGridRowCaptions::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    const int offset = mapFromGlobal(Grid->mapToGlobal(QPoint(0, 0))).y();
    for (int row = 0; row < FTexts.size() && row < Grid->RowCount(); ++row) {
        const QRect cell = Grid->CellRect(0, row);
        painter.drawText(QRect(0, cell.top() + offset, width() - 8, cell.height()),
                         Qt::AlignRight | Qt::AlignVCenter, FTexts[row]);
    }
}

// ---- The grids ------------------------------------------------------------------------------------

TMapGridPages::TMapGridPages(const TMapGridPlaces& Places, QObject* parent)
    : QObject(parent), Places(Places) {
    const QColor highlight = QApplication::palette().color(QPalette::Active, QPalette::Highlight);
    for (int i = 0; i < GridCount; ++i) {
        const TGridDescription& s = Described(i);
        const TMapKindInfo& kind = MapKind(s.DataKind);
        auto* grid = new TNewDrawGrid;
        grid->setObjectName(QString::fromLatin1(s.Name));
        grid->setFont(GridFont());
        grid->SetColCount(s.Cols);
        grid->SetRowCount(s.Rows);
        grid->RowHeader = IsMapKind(s.DataKind);
        grid->ColHeaderEditable = s.ColHeaderEditable;
        grid->DataTypeMap = s.DataKind;
        if (kind.RowAxis) grid->DataTypeRowHeader = *kind.RowAxis;
        if (kind.ColumnAxis) grid->DataTypeColHeader = *kind.ColumnAxis;
        grid->SetColorHeaderBackground(QColor(s.HeaderBackground));
        grid->SetColorCellForeground(QColor(s.CellForeground));
        grid->SetColorSelected(highlight);
        grid->SetRightAdjust(s.RightAdjust);
        if (grid->RowHeader) {
            grid->SetColorCellAltBackground(QColor(MapAltBackground));
        } else {
            grid->SetColorCellBackground(QColor(White));
            grid->SetColorCellAltBackground(QColor(White));
            grid->SetPallinoForma(TNewDrawGrid::triangolo);
        }
        if (s.Contoured) {
            grid->Render_Type = TNewDrawGrid::Contoured;
            grid->Render_Min_color = QColor(s.MinColour);
            grid->Render_Max_color = QColor(s.MaxColour);
            grid->Render_Min_value = s.DesignMin;
            grid->Render_Max_value = s.DesignMax;
        }
        grid->setEnabled(!s.StartsDisabled);
        grid->OnGetData = [this, i](int Row, int Col) {
            return IsMapGrid(i) ? MapText(TGrid(i), Row, Col) : TableText(TGrid(i), Row, Col);
        };
        grid->OnKeyPress = [this, grid](QChar& Key) { GridKeyPress(grid, Key); };
        grid->OnMouseDown = [this, grid](Qt::MouseButton Button, Qt::KeyboardModifiers, int, int) {
            if (Button != Qt::RightButton) return;
            QChar enter(u'\r');
            GridKeyPress(grid, enter);
        };
        grid->installEventFilter(this);
        Grids[size_t(i)] = grid;
    }
    MappaBenzina = Grids[GridBenzina];
    MappaGas_Comp = Grids[GridGasComp];
    MappaGas_Slave = Grids[GridGasSlave];
    MappaEmissioni = Grids[GridEmissioni];
    MappaGasTemp = Grids[GridGasTemp];
    MappaGasPress = Grids[GridGasPress];
    MappaPressRedTemp = Grids[GridPressRedTemp];
    Mappa_Cicchetto = Grids[GridCicchetto];
    MappaLivelloGas = Grids[GridLivelloGas];
    BuildPages(Places);
    if (Places.ButtonBank)
        connect(Places.ButtonBank, &QAbstractButton::clicked, this, &TMapGridPages::ButtonBankClick);
    ApplyCaptions();
}

void TMapGridPages::BuildPages(const TMapGridPlaces& Places) {
    // A page's vertical layout, made on first use: the settings of the same page join it.
    auto pageLayout = [](QWidget* page) {
        if (auto* layout = qobject_cast<QVBoxLayout*>(page->layout())) return layout;
        auto* layout = new QVBoxLayout(page);
        layout->setContentsMargins(6, 6, 6, 6);
        layout->setSpacing(6);
        return layout;
    };
    // A map page is its grid.
    const std::pair<QWidget*, TGrid> mapPages[] = {{Places.PetrolMap, GridBenzina},
                                                   {Places.GasMapComp, GridGasComp},
                                                   {Places.GasMapSlave, GridGasSlave}};
    for (const auto& [page, which] : mapPages) {
        if (!page) continue;
        pageLayout(page)->addWidget(Grids[which], 1);
    }

    // A one-row table with its row captions on the left.
    auto tableRow = [this](TGrid which, QWidget* parent) {
        auto* row = new QWidget(parent);
        auto* layout = new QHBoxLayout(row);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        auto* captions = new TGridRowCaptions(Grids[which], row);
        captions->setObjectName(QString::fromLatin1(Described(which).Name) + QStringLiteral("Captions"));
        RowCaptions[size_t(which)] = captions;
        layout->addWidget(captions);
        layout->addWidget(Grids[which], 1);
        return row;
    };
    // A table of a settings page, in its group box of a fixed height: two rows the height of
    // the maps' rows.
    auto tableGroup = [&](QGroupBox*& group, const char* name, TGrid which, QWidget* page, int gridWidth) {
        group = new QGroupBox(page);
        group->setObjectName(QString::fromLatin1(name));
        auto* layout = new QHBoxLayout(group);
        layout->setContentsMargins(8, 4, 8, 8);
        QWidget* row = tableRow(which, group);
        Grids[which]->setFixedHeight(84);
        if (gridWidth > 0) Grids[which]->setMinimumWidth(gridWidth);
        layout->addWidget(row, gridWidth > 0 ? 0 : 1);
        if (gridWidth > 0) layout->addStretch(1);
        pageLayout(page)->addWidget(group);
        return group;
    };
    if (Places.Lambda) {
        tableGroup(GroupLambdaReferences, "GroupLambdaReferences", GridEmissioni, Places.Lambda, 0);
        pageLayout(Places.Lambda)->addStretch(1);
    }
    if (Places.Functions) {
        tableGroup(GroupCustomGasLevels, "GroupCustomGasLevels", GridLivelloGas, Places.Functions, 4 * 110);
        pageLayout(Places.Functions)->addStretch(1);
    }
    if (Places.Drivability) {
        tableGroup(GroupPrimeTime, "GroupPrimeTime", GridCicchetto, Places.Drivability, 6 * 110);
        pageLayout(Places.Drivability)->addStretch(1);
    }
    if (Places.Correction) {
        QVBoxLayout* layout = pageLayout(Places.Correction);
        const std::pair<TGrid, const char*> corrections[3] = {{GridPressRedTemp, "PanelWaterTemperature"},
                                                              {GridGasTemp, "PanelGasTemperature"},
                                                              {GridGasPress, "PanelGasPressure"}};
        for (size_t i = 0; i < 3; ++i) {
            const auto [which, name] = corrections[i];
            auto* panel = new QFrame(Places.Correction);
            panel->setObjectName(QString::fromLatin1(name));
            panel->setFrameShape(QFrame::StyledPanel);
            panel->setFrameShadow(QFrame::Raised);
            panel->setAutoFillBackground(true);
            panel->setBackgroundRole(QPalette::Button);
            auto* panelLayout = new QHBoxLayout(panel);
            panelLayout->setContentsMargins(8, 2, 4, 2);
            auto* title = new QLabel(panel);
            QFont bold = title->font();
            bold.setBold(true);
            title->setFont(bold);
            panelLayout->addWidget(title, 1);
            CorrectionTitles[i] = title;
            CorrectionTitlePanels[i] = panel;
            static const char* const resets[3] = {"ButtonResetWater", "ButtonResetGas", "ButtonResetPress"};
            auto* reset = new QPushButton(panel);
            reset->setObjectName(QString::fromLatin1(resets[i]));
            panelLayout->addWidget(reset);
            CorrectionResetButtons[i] = reset;
            layout->addWidget(panel);
            layout->addWidget(tableRow(which, Places.Correction), 1);
        }
    }
}

TNewDrawGrid* TMapGridPages::Grid(TMapGridId Which) const {
    switch (Which) {
    case TMapGridId::MappaGas_Slave:
        return MappaGas_Slave;
    case TMapGridId::MappaGas_Comp:
        return MappaGas_Comp;
    case TMapGridId::MappaBenzina:
        return MappaBenzina;
    }
    return nullptr;
}

int TMapGridPages::Index(const TNewDrawGrid* Grid) const {
    const auto at = std::find(Grids.begin(), Grids.end(), Grid);
    return at == Grids.end() ? -1 : int(at - Grids.begin());
}

void TMapGridPages::ApplyCaptions() {
    auto title = [](QGroupBox* group, StringId text) {
        if (group) group->setTitle(QLatin1Char(' ') + ResStr(text) + QLatin1Char(' '));
    };
    title(GroupLambdaReferences, SGroupLambdaReferences);
    title(GroupCustomGasLevels, SGroupCustomGasLevels);
    title(GroupPrimeTime, SGroupPrimeTime);
    auto captions = [this](TGrid which, QStringList texts) {
        if (TGridRowCaptions* c = RowCaptions[size_t(which)]) c->SetTexts(texts);
    };
    captions(GridEmissioni, {ResStr(SLabelEngineRevs), ResStr(SLabelLambdaReference)});
    captions(GridLivelloGas, {QString(), ResStr(SLabelThreshold)});
    captions(GridCicchetto, {ResStr(SLabelWaterTemperature), ResStr(SLabelInjectionTime)});
    const StringId titles[3] = {SLabelWaterTemperature, SLabelGasTemperature, SLabelGasPressure};
    const TGrid corrections[3] = {GridPressRedTemp, GridGasTemp, GridGasPress};
    for (size_t i = 0; i < 3; ++i) {
        if (CorrectionTitles[i]) CorrectionTitles[i]->setText(ResStr(titles[i]));
        captions(corrections[i], {QString(), ResStr(SLabelCorrection)});
        if (QPushButton* reset = CorrectionResetButtons[i]) {
            reset->setText(ResStr(SButtonResetCorrection));
            // A reset writes the table to the ECU at once, as Download would.
            reset->setToolTip(ResStr(SHintDownload));
        }
    }
    ShowBank();
}

// ---- Texts ----------------------------------------------------------------------------------------

TMapTypeOfData TMapGridPages::ShownKind(TGrid Which) const {
    const K kind = Described(Which).DataKind;
    return KindOfBank(kind, CurrentBank()).value_or(kind);
}

QString TMapGridPages::MapText(TGrid Which, int Row, int Col) const {
    if (!DataMap) return QString();
    const TNewDrawGrid* grid = Grids[size_t(Which)];
    if (Row == 0 && Col == 0) {
        if (IsGasMapGrid(Which) && TwoLambdaProbes())
            return ResStr(SButtonBank) + QLatin1Char(' ') + QString::number(CurrentBank());
        return QString();
    }
    if (Row == 0)
        return FormatCellValue(grid->DataTypeColHeader,
                               DataMap->GetMapValue(grid->DataTypeColHeader, 0, Col));
    if (Col == 0)
        return FormatCellValue(grid->DataTypeRowHeader,
                               DataMap->GetMapValue(grid->DataTypeRowHeader, 0, Row));
    const K kind = ShownKind(Which);
    if (Row > MapRows(kind) || Col > MapColumns(kind)) return QString();
    return FormatCellValue(kind, DataMap->GetMapValue(kind, Row, Col));
}

QString TMapGridPages::TableText(TGrid Which, int Row, int Col) const {
    if (!DataMap) return QString();
    const TGridDescription& s = Described(Which);
    const int index = Col + 1;
    if (Row == 0) {
        if (s.MarkerX == TLive::RPMSteps) return FormatNumber("%4.0d", index * 500);
        if (s.DataKind == K::LivelloGas) {
            static const StringId rising[4] = {SLevelLabelReserve, SLevelLabelI, SLevelLabelII,
                                               SLevelLabelIII};
            static const StringId falling[4] = {SLevelLabelIII, SLevelLabelII, SLevelLabelI,
                                                SLevelLabelReserve};
            if (Col < 0 || Col > 3) return QString();
            switch (DataMap->LevelSensorType) {
            case 2:
            case 3:
            case 5:
                return ResStr(falling[Col]);
            case 0:
            case 1:
            case 4:
            case 6:
                return ResStr(rising[Col]);
            default:
                return QString();
            }
        }
        const std::optional<K> axis = MapKind(s.DataKind).ColumnAxis;
        if (!axis || index > MapColumns(*axis)) return QString();
        return FormatCellValue(*axis, DataMap->GetMapValue(*axis, 0, index));
    }
    if (index > MapColumns(s.DataKind)) return QString();
    return FormatCellValue(s.DataKind, DataMap->GetMapValue(s.DataKind, 0, index));
}

// ---- Keys -----------------------------------------------------------------------------------------

void TMapGridPages::GridKeyPress(TNewDrawGrid* Grid, QChar& Key) {
    const int which = Index(Grid);
    if (which < 0) return;
    if (IsMapGrid(which))
        MapKeyPress(TGrid(which), Key);
    else
        TableKeyPress(TGrid(which), Key);
}

namespace {
bool OpensModifyDialog(QChar key) {
    return key == u'\r' || key == u'-' || (key >= u'0' && key <= u'9');
}
} // namespace

void TMapGridPages::MapKeyPress(TGrid Which, QChar& Key) {
    if (Key == u' ') {
        // The space bar asks the ECU for the fuel changeover, from wherever the map is.
        SendCommand(CommandBody(cmdFuelSwitch) + char(2), nullptr, false);
        Key = QChar();
        return;
    }
    if (!OpensModifyDialog(Key)) return;
    TNewDrawGrid* grid = Grids[size_t(Which)];
    TGridRect range = grid->Selection();
    // A selection that starts in a header and runs into the data edits the data only.
    if (range.Top == 0 && range.Bottom > 0) range.Top = 1;
    if (range.Left == 0 && range.Right > 0) range.Left = 1;
    K kind;
    if (range.Top > 0 && range.Left > 0) {
        kind = ShownKind(Which);
    } else if (range.Top == 0 && range.Left > 0) {
        kind = grid->DataTypeColHeader;
    } else if (range.Left == 0 && range.Top > 0) {
        kind = grid->DataTypeRowHeader;
    } else {
        Key = QChar();
        Dialogs().Tell(TMsgKind::Warning, ResStr(SMsgSelectCell));
        return;
    }
    const QChar key = Key;
    Key = QChar();
    if (FormModify) FormModify->Modify(grid, kind, key, range);
    grid->update();
}

void TMapGridPages::TableKeyPress(TGrid Which, QChar& Key) {
    if (!OpensModifyDialog(Key)) return;
    TNewDrawGrid* grid = Grids[size_t(Which)];
    const TGridRect selection = grid->Selection();
    const TGridRect range{selection.Left + 1, 0, selection.Right + 1, 0};
    // A selection that starts in the header row edits the axis only.
    std::optional<K> kind;
    if (selection.Top == 0)
        kind = MapKind(Described(Which).DataKind).ColumnAxis;
    else
        kind = Described(Which).DataKind;
    if (!kind) return;
    const QChar key = Key;
    Key = QChar();
    if (FormModify) FormModify->Modify(grid, *kind, key, range);
    grid->update();
}

// ---- Sizes ----------------------------------------------------------------------------------------

bool TMapGridPages::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize) {
        const int which = Index(static_cast<TNewDrawGrid*>(watched));
        if (which >= 0) FitCells(TGrid(which));
    }
    return QObject::eventFilter(watched, event);
}

void TMapGridPages::FitCells(TGrid Which) {
    TNewDrawGrid* grid = Grids[size_t(Which)];
    const double rowShare = IsMapGrid(Which) ? 0.95 : 0.9;
    grid->SetDefaultColWidth(int(grid->width() * 0.98 / grid->ColCount()));
    grid->SetDefaultRowHeight(int(grid->height() * rowShare / grid->RowCount()));
    // The markers stand on the old cells until the next live data: place them on the new ones.
    UpdateWorkingPoint();
}

// ---- Banks and colour ranges ----------------------------------------------------------------------

void TMapGridPages::ButtonBankClick() {
    if (!DataMap) return;
    DataMap->Bank = uint8_t(3 - CurrentBank());
    ShowBank();
    UpdateMapColourRanges();
}

void TMapGridPages::ShowBank() {
    if (Places.ButtonBank)
        Places.ButtonBank->setText(ResStr(SButtonBank) + QLatin1Char(' ') + QString::number(CurrentBank()));
    MappaGas_Comp->update();
    MappaGas_Slave->update();
}

void TMapGridPages::UpdateMapColourRanges() {
    if (!DataMap) return;
    auto follow = [](TNewDrawGrid* grid, K kind) {
        const TConstCellsView cells = std::as_const(*DataMap).Cells(kind);
        double low = cells.Value(1, 1), high = low;
        for (int r = 1; r <= cells.Rows(); ++r)
            for (int c = 1; c <= cells.Columns(); ++c) {
                low = std::min(low, cells.Value(r, c));
                high = std::max(high, cells.Value(r, c));
            }
        // The contour rule divides by the range.
        if (low == high) low += 0.001;
        grid->Render_Min_value = low;
        grid->Render_Max_value = high;
    };
    if (OperatingMode == CompensatedMode) {
        follow(MappaBenzina, ShownKind(GridBenzina));
        follow(MappaGas_Comp, ShownKind(GridGasComp));
    } else {
        follow(MappaGas_Slave, ShownKind(GridGasSlave));
    }
}

void TMapGridPages::RefreshGrids() {
    for (TNewDrawGrid* grid : Grids)
        grid->update();
}

// ---- Pages ----------------------------------------------------------------------------------------

void TMapGridPages::PageShown(QWidget* Page) {
    const bool gasMap = Page && (Page == Places.GasMapComp || Page == Places.GasMapSlave);
    if (Places.ButtonBank) Places.ButtonBank->setVisible(gasMap && TwoLambdaProbes());
    TNewDrawGrid* grid = nullptr;
    if (Page == Places.GasMapComp) grid = MappaGas_Comp;
    if (Page == Places.GasMapSlave) grid = MappaGas_Slave;
    if (Page == Places.PetrolMap) grid = MappaBenzina;
    if (grid) {
        UpdateMapColourRanges();
        grid->update();
        grid->setFocus();
    }
}

// ---- Working point --------------------------------------------------------------------------------

void TMapGridPages::UpdateWorkingPoint() {
    if (!DataMap || !Acquisitions) return;
    for (int i = 0; i < GridCount; ++i) {
        const TGridDescription& s = Described(i);
        TNewDrawGrid* grid = Grids[size_t(i)];
        const bool map = IsMapGrid(i);
        if (s.MarkerLambda != TMarkerLambda::None) {
            const double lambda = s.MarkerLambda == TMarkerLambda::Lambda1 || CurrentBank() == 1
                                      ? Acquisitions->Lambda1
                                      : Acquisitions->Lambda2;
            if (const auto colour = LambdaMarkerColour(DataMap->LambdaType, lambda, Acquisitions->LambdaRef))
                grid->SetPallinoColore(*colour);
        }
        const int px = grid->ColPitch(), py = grid->RowPitch();
        int x = 0, y = 10;
        if (s.MarkerX == TLive::RPMSteps) {
            x = RoundToEven(px * (LiveValue(s.MarkerX) / 500.0 - 0.5));
        } else if (s.MarkerXAxis) {
            const std::vector<double> axis = Breakpoints(*s.MarkerXAxis);
            x = AxisMarkerPosition(LiveValue(s.MarkerX), axis, px, map, grid->ColCount());
        }
        if (map && s.MarkerYAxis) {
            const std::vector<double> axis = Breakpoints(*s.MarkerYAxis);
            y = AxisMarkerPosition(LiveValue(s.MarkerY), axis, py, true, grid->RowCount());
            // Never inside the headers.
            x = std::max(x, px);
            y = std::max(y, py);
        }
        grid->Update_pallino(x, y);
    }
}

QPoint TMapGridPages::SlaveWorkingPoint() const {
    return QPoint(MappaGas_Slave->PallinoX(), MappaGas_Slave->PallinoY());
}
