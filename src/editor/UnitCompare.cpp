#include "editor/UnitCompare.h"

#include "StringIds.h"
#include "app/UserDialogs.h"
#include "config/UnitDati.h"
#include "editor/UnitModifyData.h"
#include "resources/Strings.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <map>

TFormCompare* FormCompare = nullptr;

namespace {

constexpr int KindRole = Qt::UserRole;
constexpr int SettingRole = Qt::UserRole + 1;
constexpr int OtherRole = Qt::UserRole + 2;
constexpr int ChangedRole = Qt::UserRole + 3;

// White for no difference, deepening to red where the other value is higher and to blue where
// it is lower, in proportion to the largest difference of the table.
QColor DifferenceColour(double difference, double largest, bool rawOnly) {
    if (rawOnly) return QColor(0xff, 0xf0, 0x9c);
    const double depth = largest > 0 ? 0.25 + 0.75 * std::min(1.0, std::abs(difference) / largest) : 1.0;
    const QColor full = difference > 0 ? QColor(0xe0, 0x40, 0x30) : QColor(0x30, 0x70, 0xe0);
    const auto mix = [depth](int from, int to) { return int(std::lround(from + (to - from) * depth)); };
    return QColor(mix(255, full.red()), mix(255, full.green()), mix(255, full.blue()));
}

// A value as the map grids show a cell of Kind: integer cells through their format as integers.
QString CellText(TMapTypeOfData Kind, double v) {
    const TMapKindInfo& t = MapKind(Kind);
    return t.IntegerCells ? QString::asprintf(t.GridFormat, int(v)) : QString::asprintf(t.GridFormat, v);
}

} // namespace

TFormCompare::TFormCompare(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormCompare"));
    FormCompare = this;
    auto* layout = new QVBoxLayout(this);
    LabelSummary = new QLabel(this);
    LabelSummary->setObjectName(QStringLiteral("LabelSummary"));
    LabelSummary->setWordWrap(true);
    layout->addWidget(LabelSummary);
    PageControl = new QTabWidget(this);
    PageControl->setObjectName(QStringLiteral("PageControl"));
    layout->addWidget(PageControl, 1);
    SettingsTable = new QTableWidget(0, 4, this);
    SettingsTable->setObjectName(QStringLiteral("SettingsTable"));
    SettingsTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    SettingsTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    SettingsTable->setAlternatingRowColors(true);
    SettingsTable->verticalHeader()->hide();
    // The names take the room; the values and units their own width, the values never cramped.
    SettingsTable->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    SettingsTable->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    SettingsTable->horizontalHeader()->setMinimumSectionSize(120);
    LabelLegend = new QLabel(this);
    LabelLegend->setObjectName(QStringLiteral("LabelLegend"));
    LabelLegend->setWordWrap(true);
    layout->addWidget(LabelLegend);
    auto* buttons = new QHBoxLayout;
    ButtonTakeOther = new QPushButton(this);
    ButtonTakeOther->setObjectName(QStringLiteral("ButtonTakeOther"));
    ButtonTakeOther->setAutoDefault(false);
    ButtonClose = new QPushButton(this);
    ButtonClose->setObjectName(QStringLiteral("ButtonClose"));
    ButtonClose->setAutoDefault(false);
    buttons->addWidget(ButtonTakeOther);
    buttons->addStretch(1);
    buttons->addWidget(ButtonClose);
    layout->addLayout(buttons);
    connect(ButtonTakeOther, &QPushButton::clicked, this, &TFormCompare::ButtonTakeOtherClick);
    connect(ButtonClose, &QPushButton::clicked, this, &QDialog::close);
    ApplyCaptions();
    resize(1000, 600);
}

TFormCompare::~TFormCompare() {
    if (FormCompare == this) FormCompare = nullptr;
}

void TFormCompare::ApplyCaptions() {
    setWindowTitle(ResStr(SCompareCaption).arg(QFileInfo(FileName).fileName()));
    SettingsTable->setHorizontalHeaderLabels(
        {ResStr(SCompareSetting), ResStr(SCompareThis), ResStr(SCompareOther), ResStr(SCompareUnit)});
    LabelLegend->setText(ResStr(SCompareLegend));
    ButtonTakeOther->setText(ResStr(SCompareTakeOther));
    ButtonClose->setText(ResStr(SCompareClose));
    // The tabs' titles are texts with counts: the comparison is shown afresh.
    Mine.reset();
    Refresh();
}

bool TFormCompare::CompareWith(const QString& Name) {
    QString error;
    TConfigFile file;
    std::unique_ptr<TDataMap> other = LoadDetached(Name, file, error);
    if (!other) {
        Dialogs().Tell(TMsgKind::Error, error);
        return false;
    }
    FileName = Name;
    File = file;
    Other = std::move(other);
    ApplyCaptions(); // compares
    return true;
}

QTableWidget* TFormCompare::MapTable(TMapTypeOfData Kind) const {
    for (QTableWidget* t : MapTables)
        if (t->property("Kind").toInt() == Ordinal(Kind)) return t;
    return nullptr;
}

void TFormCompare::Refresh() {
    if (!Other || !DataMap) return;
    const int page = PageControl->currentIndex();
    // What the tool holds now, as a file saved now would read back: both sides then hold only
    // what a configuration can hold.
    DataMap->ReadFromGUI();
    TRawData raw = DataMap->RawData;
    DataMap->ModelToRaw(raw.Image);
    const QByteArray mineBytes = ConfigFileBytes(raw, OperatingMode);
    // Nothing changed since the last comparison: the tables, with the user's selection, stay.
    if (Mine && mineBytes == ComparedBytes) return;
    TConfigFile mine;
    if (!ParseConfigFile(mineBytes, mine).Ok()) return;
    ComparedBytes = mineBytes;
    Mine = LoadDetached(mine, DataMap->FileName);
    const std::vector<TListedValue> a = ListConfiguration(*Mine, mine);
    const std::vector<TListedValue> b = ListConfiguration(*Other, File);
    const std::vector<TListedDifference> differences = CompareListings(a, b);

    PageControl->clear();
    for (QTableWidget* t : MapTables)
        t->deleteLater();
    MapTables.clear();

    SettingsTable->setRowCount(0);
    std::map<int, std::vector<TListedDifference>> cells; // by kind ordinal, in table order
    int settings = 0, cellCount = 0;
    for (const TListedDifference& d : differences) {
        const TListedValue &mineValue = a[d.Index], &theirs = b[d.Index];
        if (mineValue.Kind) {
            cells[Ordinal(*mineValue.Kind)].push_back(d);
            ++cellCount;
            continue;
        }
        const int row = SettingsTable->rowCount();
        SettingsTable->insertRow(row);
        const auto shown = [&d](const TListedValue& v) {
            return d.RawOnly ? ResStr(SCompareRaw).arg(v.Value, v.Raw) : v.Value;
        };
        const QString texts[] = {mineValue.Key, shown(mineValue), shown(theirs), mineValue.Unit};
        for (int c = 0; c < 4; ++c) {
            auto* item = new QTableWidgetItem(texts[c]);
            item->setData(SettingRole, mineValue.Setting);
            if (c == 1 || c == 2) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            SettingsTable->setItem(row, c, item);
        }
        ++settings;
    }
    PageControl->addTab(SettingsTable, ResStr(SCompareSettingsTab).arg(settings));
    for (const auto& [ordinal, list] : cells) {
        const TMapTypeOfData kind = MapTypeFromOrdinal(ordinal);
        QTableWidget* grid = NewMapTable(kind, a, b, list);
        MapTables.push_back(grid);
        PageControl->addTab(
            grid, ResStr(SCompareMapTab).arg(ResStr(MapKind(kind).Title)).arg(list.size()));
    }
    LabelSummary->setText(
        differences.empty()
            ? ResStr(SCompareIdentical)
            : ResStr(SCompareSummary).arg(QDir::toNativeSeparators(FileName)).arg(settings).arg(cellCount));
    // A table's tab comes first when no setting differs.
    PageControl->setCurrentIndex(page >= 0 && page < PageControl->count()    ? page
                                 : settings == 0 && PageControl->count() > 1 ? 1
                                                                             : 0);
    ButtonTakeOther->setEnabled(!differences.empty());
}

QTableWidget* TFormCompare::NewMapTable(TMapTypeOfData Kind, const std::vector<TListedValue>& MineList,
                                        const std::vector<TListedValue>& TheirList,
                                        const std::vector<TListedDifference>& Cells) {
    const TMapKindInfo& t = MapKind(Kind);
    auto* grid = new QTableWidget(t.Rows, t.Columns, this);
    grid->setObjectName(QString::fromLatin1(t.Name));
    grid->setProperty("Kind", Ordinal(Kind));
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    const TConstCellsView cells = std::as_const(*Mine).Cells(Kind);
    // The axes as this configuration has them label the rows and columns.
    QStringList columns, rows;
    for (int c = 1; c <= t.Columns; ++c)
        columns << (t.ColumnAxis ? CellText(*t.ColumnAxis, Mine->GetTableValue(*t.ColumnAxis, c))
                                 : QString::number(c));
    for (int r = 1; r <= t.Rows; ++r)
        rows << (t.RowAxis ? CellText(*t.RowAxis, Mine->GetTableValue(*t.RowAxis, r)) : QString::number(r));
    grid->setHorizontalHeaderLabels(columns);
    grid->setVerticalHeaderLabels(rows);
    for (int r = 1; r <= t.Rows; ++r)
        for (int c = 1; c <= t.Columns; ++c) {
            auto* item = new QTableWidgetItem(CellText(Kind, cells.Value(r, c)));
            item->setTextAlignment(Qt::AlignCenter);
            grid->setItem(r - 1, c - 1, item);
        }
    double largest = 0;
    for (const TListedDifference& d : Cells)
        largest = std::max(largest, std::abs(TheirList[d.Index].Number - MineList[d.Index].Number));
    for (const TListedDifference& d : Cells) {
        const TListedValue &mine = MineList[d.Index], &theirs = TheirList[d.Index];
        QTableWidgetItem* item = grid->item(mine.Row - 1, mine.Column - 1);
        const double difference = theirs.Number - mine.Number;
        item->setText(CellText(Kind, mine.Number) + QStringLiteral(" \u2192 ") +
                      CellText(Kind, theirs.Number));
        item->setBackground(DifferenceColour(difference, largest, d.RawOnly));
        item->setForeground(QColor(Qt::black));
        item->setToolTip(
            ResStr(SCompareCellTip).arg(mine.Value, theirs.Value, QLocale().toString(difference, 'g', 6)));
        item->setData(OtherRole, theirs.Number);
        item->setData(ChangedRole, true);
        QFont bold = item->font();
        bold.setBold(true);
        item->setFont(bold);
    }
    return grid;
}

void TFormCompare::ButtonTakeOtherClick() {
    if (!Other || !DataMap) return;
    {
        const QScopedValueRollback taking(Taking, true);
        if (PageControl->currentWidget() == SettingsTable)
            TakeSettings();
        else if (auto* grid = qobject_cast<QTableWidget*>(PageControl->currentWidget()))
            TakeCells(grid);
    }
    Refresh();
}

void TFormCompare::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    // Back from the main window, where the configuration may have been edited meanwhile: compare
    // again, once the activation is over (not while a take's own question is closing).
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !Taking)
        QMetaObject::invokeMethod(
            this, [this] { if (!Taking && isVisible()) Refresh(); }, Qt::QueuedConnection);
}

void TFormCompare::TakeSettings() {
    std::vector<int> chosen;
    for (const QModelIndex& index : SettingsTable->selectionModel()->selectedRows())
        if (const int s = index.data(SettingRole).toInt(); s >= 0) chosen.push_back(s);
    if (chosen.empty()) return;
    // The range check refuses a value the settings pages would refuse.
    if (DataMap->EnableCheckRanges)
        for (int s : chosen) {
            const TSettingInfo& info = SettingInfos[s];
            double v = 0;
            const bool numeric =
                info.Kind == TControlKind::IntegerField || info.Kind == TControlKind::RealField;
            if (numeric && info.Min < info.Max && SettingNumber(*Other, s, v) &&
                (v < info.Min || v > info.Max)) {
                Dialogs().Tell(TMsgKind::Warning, ResStr(SCfgParameterOutOfRange));
                return;
            }
        }
    DataMap->ReadFromGUI();
    DataMap->SaveUndo();
    std::vector<uint8_t> blocks;
    for (int s : chosen) {
        CopySetting(*DataMap, *Other, s);
        blocks.push_back(SettingInfos[s].Block);
    }
    std::sort(blocks.begin(), blocks.end());
    blocks.erase(std::unique(blocks.begin(), blocks.end()), blocks.end());
    DataMap->SetSaved(false);
    // The editors show the new values before the write takes them into the model again.
    DataMap->RefreshViews();
    for (uint8_t block : blocks)
        DataMap->DownloadBlock(block);
}

void TFormCompare::TakeCells(QTableWidget* grid) {
    const TMapTypeOfData kind = MapTypeFromOrdinal(grid->property("Kind").toInt());
    std::vector<TCellValue> values;
    const bool oneRow = MapKind(kind).Rows == 1;
    for (QTableWidgetItem* item : grid->selectedItems())
        if (item->data(ChangedRole).toBool())
            values.push_back(
                {oneRow ? 0 : item->row() + 1, item->column() + 1, item->data(OtherRole).toDouble()});
    if (values.empty()) return;
    std::sort(values.begin(), values.end(), [](const TCellValue& x, const TCellValue& y) {
        return std::pair(x.Row, x.Index) < std::pair(y.Row, y.Index);
    });
    DataMap->ReadFromGUI();
    DataMap->EnableMapRefresh = false;
    DataMap->SaveUndo();
    DataMap->SetSaved(false);
    if (StoreCellValues(*DataMap, kind, values) &&
        Dialogs().Ask(TMsgKind::Warning, ResStr(SMsgClipOutOfRange), mbOK | mbCancel) != mbOK) {
        // As the modify dialog's Cancel: back to the snapshot, in the tool and in the ECU.
        DataMap->Undo();
        return;
    }
    DataMap->DownloadForKind(kind);
    if (DataMap->MainView) {
        DataMap->MainView->UpdateColourRanges();
        DataMap->MainView->RefreshPages();
        for (TMapGridId id :
             {TMapGridId::MappaGas_Slave, TMapGridId::MappaGas_Comp, TMapGridId::MappaBenzina})
            DataMap->MainView->RepaintMapGrid(id);
    }
}
