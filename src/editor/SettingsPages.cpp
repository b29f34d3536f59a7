#include "editor/SettingsPages.h"

#include "StringIds.h"
#include "app/Constants.h"
#include "app/UserDialogs.h"
#include "config/NumberFormat.h"
#include "config/UnitDati.h"
#include "editor/MapGridPages.h"
#include "link/Codec.h"
#include "link/ReplyDispatch.h"
#include "live/UnitAcquisizioni.h"
#include "resources/Strings.h"
#include "widgets/LeaderLabel.h"
#include "widgets/NumericEdit.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <cstring>
#include <tuple>

namespace {

// Ticks of TimerGUI (40 ms) before the range hint shows, and before a held power-mode button
// counts as a long press.
constexpr int RangeHintTicks = 23;
constexpr int PowerButtonTicks = 13;
// Data bytes of cmdFuelSwitch: a short press, and a long press while the engine runs on petrol.
constexpr char FuelSwitchShort = 1;
constexpr char FuelSwitchLong = 2;

// Widths that keep the pages aligned: every numeric field, every list.
constexpr int NumericWidth = 72;
constexpr int ListWidth = 190;
// The room of the row labels, the same in every group, so that the fields of groups stacked in
// one column of a page line up.
constexpr int LabelColumnWidth = 160;

const TSettingInfo* InfoOf(const char* Control) {
    for (const TSettingInfo& info : SettingInfos)
        if (info.Control && std::strcmp(info.Control, Control) == 0) return &info;
    return nullptr;
}

int IndexOf(const char* Control) {
    for (int i = 0; i < SettingCount; ++i)
        if (SettingInfos[i].Control && std::strcmp(SettingInfos[i].Control, Control) == 0) return i;
    return -1;
}

// Sliders whose format shows tenths move in tenths.
double SliderScale(const TSettingInfo& Info) {
    return std::strchr(Info.Format, '.') ? 10.0 : 1.0;
}

// The items of the lists, in code order.
struct TListItems {
    const char* Control;
    std::vector<StringId> Items;
};
const std::vector<TListItems>& ListItems() {
    static const std::vector<TListItems> lists = {
        {"ComboBoxCarburante", {SItemCNG, SItemLPG}},
        {"PressureReducerType",
         {SItemReducerCNGStd, SItemReducerLPGStd, SItemReducerLPGMP, SItemReducerLPGHP}},
        {"ComboBoxTipoAccensione", {SItemMonoCoil, SItemBiCoil, SItemCrankCam}},
        {"ComboBoxTipoLambda",
         {SItemNone, SItemLambda01, SItemLambda05, SItemLambda50, SItemLambda0816, SItemLambdaUEGO}},
        {"ComboBoxTipoIniettori", {SItemInjFast, SItemInjStandard, SItemInjMatrix}},
        {"ComboBoxTipoSensoreGas",
         {SItemLevelAEB1090, SItemLevelAEB820, SItemLevelAEB806, SItemLevelCorvane1050, SItemLevelCustom,
          SItemLevelReverseCustom, SItemLevelLandi}},
        {"ComboBoxTipoTPS", {SItemNone, SItemLambda05, SItemLambda50}},
        {"MAPSensorBox", {SItemNone, SItemPresent}},
        {"PressureSensorType", {SItemPressure013, SItemPressure025}},
        {"ComboBoxTipoCambio", {SItemAcceleration, SItemDeceleration, SItemStartOnGas, SItemMonoFuel}},
        {"ThresholdTempType", {SItemGas, SItemWater}},
    };
    return lists;
}

// The makes offered by BrandComboBox; any other may be typed.
const char* const Makes[] = {
    "Audi",    "Alfa Romeo", "BMW",     "Chevrolet",  "Chrysler", "Citroen",    "Daewoo", "Dodge",
    "Fiat",    "Ford",       "Honda",   "Hyundai",    "Hummer",   "Jaguar",     "Jeep",   "Kia",
    "Lancia",  "Land Rover", "Lexus",   "Mazda",      "Mercedes", "Mitsubishi", "Nissan", "Opel",
    "Peugeot", "Porsche",    "Renault", "Rover",      "Saab",     "Seat",       "Skoda",  "Smart",
    "Subaru",  "Suzuki",     "Toyota",  "Volkswagen", "Volvo"};

// The KELD hardware has no "Matrix" injectors and no "Landi" level sensor: the last items go.
int KeldItemCount(const char* Control, int Count) {
    if (BuildVariant != KELD) return Count;
    if (!std::strcmp(Control, "ComboBoxTipoIniettori") || !std::strcmp(Control, "ComboBoxTipoSensoreGas"))
        return Count - 1;
    return Count;
}

// The captions that the enabling rules name.
const char* CaptionName(const char* Control) {
    static const std::pair<const char*, const char*> names[] = {
        {"EditSogliaGiri", "LabelRPM"},
        {"EditRitardoPassaggio", "LabelDelay"},
        {"EditThresholdTemp", "LabelTemp"},
        {"EditTempoBassaPressione", "BackToGasolineDelayLabel"},
    };
    for (const auto& [control, name] : names)
        if (!std::strcmp(control, Control)) return name;
    return nullptr;
}

// The shared background of the group box that holds the focus.
class TFocusGradient : public QWidget {
public:
    explicit TFocusGradient(QWidget* parent) : QWidget(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        QLinearGradient g(0, 0, 0, height());
        const QColor base = palette().color(QPalette::Window);
        g.setColorAt(0, QColor(0xdc, 0xe8, 0xf6));
        g.setColorAt(1, base);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawRoundedRect(rect().adjusted(1, 1, -1, -1), 4, 4);
    }
};

QGridLayout* GridOf(QGroupBox* g) {
    return static_cast<QGridLayout*>(g->layout());
}

bool IsPanel(const QWidget* w) {
    return w->objectName().startsWith(QLatin1String("Panel"));
}

// The fields of a layout in the order a technician reads them: a page's grid of group boxes down
// each column and then across (a box as wide as the page closing the columns above it), a
// group's rows across and then down.
void CollectTabOrder(QLayout* layout, bool columnsFirst, QList<QWidget*>& order) {
    if (!layout) return;
    struct TItem {
        int band, row, column;
        QLayoutItem* item;
    };
    std::vector<TItem> items;
    std::vector<int> fullWidthRows;
    auto* grid = qobject_cast<QGridLayout*>(layout);
    for (int i = 0; i < layout->count(); ++i) {
        int row = i, column = 0, rowSpan = 1, columnSpan = 1;
        if (grid) grid->getItemPosition(i, &row, &column, &rowSpan, &columnSpan);
        if (grid && columnSpan == grid->columnCount() && grid->columnCount() > 1)
            fullWidthRows.push_back(row);
        items.push_back({0, row, column, layout->itemAt(i)});
    }
    for (TItem& it : items)
        it.band = int(
            std::count_if(fullWidthRows.begin(), fullWidthRows.end(), [&](int r) { return r <= it.row; }));
    std::stable_sort(items.begin(), items.end(), [columnsFirst](const TItem& a, const TItem& b) {
        return columnsFirst ? std::tuple(a.band, a.column, a.row) < std::tuple(b.band, b.column, b.row)
                            : std::pair(a.row, a.column) < std::pair(b.row, b.column);
    });
    for (const TItem& it : items) {
        if (QLayout* inner = it.item->layout()) {
            CollectTabOrder(inner, false, order);
        } else if (QWidget* w = it.item->widget()) {
            if (w->layout() && !qobject_cast<QComboBox*>(w) && !qobject_cast<QSpinBox*>(w))
                CollectTabOrder(w->layout(), false, order);
            else if (w->focusPolicy() & Qt::TabFocus)
                order << w;
        }
    }
}

void SetTabOrder(QWidget* page) {
    QList<QWidget*> order;
    CollectTabOrder(page->layout(), true, order);
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

} // namespace

TSettingsPages::TSettingsPages(const TSettingsPagePlaces& Places_, const TSettingsPagesHost& Host_,
                               QObject* parent)
    : QObject(parent), Places(Places_), Host(Host_) {
    Controls.assign(size_t(SettingCount), nullptr);
    Captions.assign(size_t(SettingCount), nullptr);
    Indicators.assign(size_t(SettingCount), nullptr);
    CreateControls();
    if (Places.General) BuildGeneral(Places.General);
    if (Places.Functions) BuildFunctions(Places.Functions);
    if (Places.Lambda) BuildLambda(Places.Lambda);
    if (Places.Drivability) BuildDrivability(Places.Drivability);
    for (QWidget* page : {Places.General, Places.Functions, Places.Lambda, Places.Drivability})
        if (page) SetTabOrder(page);

    QWidget* top = Places.General ? Places.General : Places.Functions;
    GUIShowRangeLabel = new QLineEdit(top);
    GUIShowRangeLabel->setObjectName(QStringLiteral("GUIShowRangeLabel"));
    GUIShowRangeLabel->setReadOnly(true);
    GUIShowRangeLabel->setFocusPolicy(Qt::NoFocus);
    GUIShowRangeLabel->setAlignment(Qt::AlignCenter);
    GUIShowRangeLabel->setStyleSheet(
        QStringLiteral("QLineEdit { background: #ffffe1; color: #000000; border: 1px solid #808080; }"));
    GUIShowRangeLabel->hide();

    FocusedBoxGradient = new TFocusGradient(top);
    FocusedBoxGradient->setObjectName(QStringLiteral("FocusedBoxGradient"));
    FocusedBoxGradient->hide();
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        QWidget* box = nullptr;
        for (QWidget* w = now; w && !box; w = w->parentWidget())
            if (std::find(FocusBoxes.begin(), FocusBoxes.end(), w) != FocusBoxes.end()) box = w;
        if (box == FocusedBox) return;
        if (box)
            BoxEnter(box);
        else
            BoxExit();
    });

    BindHandlers();
    ApplyCaptions();
}

// ---- Controls from the list of settings ------------------------------------------------------

void TSettingsPages::CreateControls() {
    // Parented to the page later by its layout; a holder keeps them until then.
    auto* holder = Places.General ? Places.General : Places.Functions;
    for (int i = 0; i < SettingCount; ++i) {
        const TSettingInfo& info = SettingInfos[i];
        if (!info.Control || info.Kind == TControlKind::Date) continue;
        Controls[size_t(i)] = CreateControl(info, holder);
    }
    const char* names[3] = {"DayEdit", "MonthEdit", "YearEdit"};
    const int lows[3] = {1, 1, 2000};
    const int highs[3] = {31, 12, 2099};
    const char* hints[3] = {"Day", "Month", "Year"};
    for (size_t i = 0; i < 3; ++i) {
        auto* spin = new QSpinBox(holder);
        spin->setObjectName(QLatin1String(names[i]));
        spin->setRange(lows[i], highs[i]);
        spin->setKeyboardTracking(false);
        spin->setAlignment(Qt::AlignRight);
        spin->setToolTip(QLatin1String(hints[i]));
        spin->setFixedWidth(i == 2 ? 68 : 52);
        DateEdits[i] = spin;
    }
}

QWidget* TSettingsPages::CreateControl(const TSettingInfo& Info, QWidget* Parent) {
    QWidget* w = nullptr;
    switch (Info.Kind) {
    case TControlKind::Spin: {
        auto* spin = new QSpinBox(Parent);
        spin->setRange(int(Info.Min), int(Info.Max));
        spin->setKeyboardTracking(false);
        spin->setAlignment(Qt::AlignRight);
        spin->setFixedWidth(NumericWidth);
        w = spin;
        break;
    }
    case TControlKind::IntegerField:
    case TControlKind::RealField: {
        auto* edit = new TNumericEdit(Info.Kind == TControlKind::RealField, Parent);
        edit->MinValue = Info.Min;
        edit->MaxValue = Info.Max;
        edit->Format = QString::fromLatin1(Info.Format);
        edit->ClampAboveMax = !std::strcmp(Info.Control, "EditOffsetIniettore");
        edit->setFixedWidth(NumericWidth);
        w = edit;
        break;
    }
    case TControlKind::List: {
        // As wide as its longest entry in the language shown, never narrower than the others.
        auto* list = new QComboBox(Parent);
        list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        list->setMinimumWidth(ListWidth);
        list->setMaximumWidth(2 * ListWidth);
        w = list;
        break;
    }
    case TControlKind::EditableList: {
        auto* list = new QComboBox(Parent);
        list->setEditable(true);
        list->setInsertPolicy(QComboBox::NoInsert);
        list->lineEdit()->setMaxLength(int(Info.Max));
        list->setMaxVisibleItems(16);
        list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        list->setFixedWidth(ListWidth);
        for (const char* make : Makes)
            list->addItem(QLatin1String(make));
        w = list;
        break;
    }
    case TControlKind::Text: {
        auto* edit = new QLineEdit(Parent);
        edit->setMaxLength(int(Info.Max));
        edit->setFixedWidth(ListWidth);
        w = edit;
        break;
    }
    case TControlKind::Check:
        w = new QCheckBox(Parent);
        break;
    case TControlKind::TwoState: {
        auto* button = new QPushButton(Parent);
        button->setCheckable(true);
        button->setMinimumSize(96, 34);
        QFont bold = button->font();
        bold.setBold(true);
        button->setFont(bold);
        const char* colour = !std::strcmp(Info.Control, "ButtonUpdateGas") ? "#00a0a0" : "#30b030";
        button->setStyleSheet(
            QStringLiteral("QPushButton:checked { color: %1; }").arg(QLatin1String(colour)));
        w = button;
        break;
    }
    case TControlKind::Slider: {
        auto* slider = new QSlider(Qt::Horizontal, Parent);
        const double scale = SliderScale(Info);
        slider->setRange(int(Info.Min * scale), int(Info.Max * scale));
        slider->setTickPosition(QSlider::TicksBelow);
        slider->setTickInterval(std::max(1, int((Info.Max - Info.Min) * scale / 10)));
        slider->setPageStep(std::max(1, int((Info.Max - Info.Min) * scale / 10)));
        slider->setMinimumWidth(120);
        w = slider;
        break;
    }
    case TControlKind::None:
    case TControlKind::Date:
        return nullptr;
    }
    w->setObjectName(QLatin1String(Info.Control));
    w->setToolTip(QLatin1String(Info.Hint));
    return w;
}

QWidget* TSettingsPages::Control(const char* Name) const {
    const int i = IndexOf(Name);
    if (i >= 0 && Controls[size_t(i)]) return Controls[size_t(i)];
    for (QWidget* page : {Places.General, Places.Functions, Places.Lambda, Places.Drivability})
        if (page)
            if (auto* w = page->findChild<QWidget*>(QLatin1String(Name))) return w;
    return nullptr;
}

// ---- Layout ----------------------------------------------------------------------------------

QGroupBox* TSettingsPages::NewGroup(QWidget* Page, const char* Name, StringId Title, bool Focus) {
    auto* group = new QGroupBox(Page);
    group->setObjectName(QLatin1String(Name));
    auto* grid = new QGridLayout(group);
    grid->setContentsMargins(10, 8, 10, 8);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(5);
    grid->setColumnMinimumWidth(0, LabelColumnWidth);
    GroupTitles.emplace_back(group, Title);
    if (Focus) FocusBoxes.push_back(group);
    return group;
}

// One row of a group's grid: column 0 the row's label (a leader label), then each control after
// its own caption when the row has several, or alone from column 2 when it is the only one, so
// that the fields of a group line up. A list runs to the last column.
void TSettingsPages::AddRow(QGridLayout* Grid, int& Row, StringId Label, const char* LabelName,
                            std::initializer_list<const char*> Names) {
    const bool single = Names.size() == 1;
    int column = 2;
    if (single) {
        const char* name = *Names.begin();
        const int i = IndexOf(name);
        QWidget* w = Control(name);
        auto* label = new TLeaderLabel(Grid->parentWidget());
        const char* fixed = CaptionName(name);
        label->setObjectName(fixed       ? QLatin1String(fixed)
                             : LabelName ? QLatin1String(LabelName)
                                         : QStringLiteral("Label") + QLatin1String(name));
        label->setBuddy(w);
        const StringId text = Label != NoText ? Label : (i >= 0 ? SettingInfos[i].Caption : NoText);
        RowLabels.emplace_back(label, text);
        if (i >= 0) Captions[size_t(i)] = label;
        Grid->addWidget(label, Row, 0, 1, 2);
        const bool wide =
            qobject_cast<QComboBox*>(w) || (qobject_cast<QLineEdit*>(w) && !qobject_cast<TNumericEdit*>(w));
        Grid->addWidget(w, Row, 2, 1, wide ? 3 : 1, Qt::AlignLeft);
        ++Row;
        return;
    }
    if (Label != NoText) {
        auto* label = new TLeaderLabel(Grid->parentWidget());
        label->setObjectName(LabelName ? QLatin1String(LabelName) : QStringLiteral("LabelRow%1").arg(Row));
        RowLabels.emplace_back(label, Label);
        Grid->addWidget(label, Row, 0);
    }
    column = 1;
    for (const char* name : Names) {
        const int i = IndexOf(name);
        QWidget* w = Control(name);
        if (i >= 0 && SettingInfos[i].Caption != NoText) {
            auto* caption = new QLabel(Grid->parentWidget());
            const char* fixed = CaptionName(name);
            caption->setObjectName(fixed ? QLatin1String(fixed)
                                         : QStringLiteral("Label") + QLatin1String(name));
            caption->setBuddy(w);
            caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            RowLabels.emplace_back(caption, SettingInfos[i].Caption);
            Captions[size_t(i)] = caption;
            Grid->addWidget(caption, Row, column++);
        } else if (column == 1) {
            ++column;
        }
        Grid->addWidget(w, Row, column++, Qt::AlignLeft);
    }
    ++Row;
}

// The small panel of an "Enabled" box, on the group's first row.
QWidget* TSettingsPages::EnablePanel(QGroupBox* Group, const char* Box) {
    auto* panel = new QWidget(Group);
    panel->setObjectName(QStringLiteral("Panel") + QLatin1String(Box));
    auto* layout = new QHBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    QWidget* box = Control(Box);
    box->setParent(panel);
    layout->addWidget(box);
    layout->addStretch(1);
    const int i = IndexOf(Box);
    ButtonTexts.emplace_back(qobject_cast<QAbstractButton*>(box), SettingInfos[i].Caption);
    return panel;
}

namespace {
// Keeps the fields of a group at its left; the room left goes to the empty column at its right.
void CloseGrid(QGridLayout* grid, int rows) {
    grid->setColumnStretch(5, 1);
    grid->setRowStretch(rows, 1);
}
QGridLayout* PageGrid(QWidget* page) {
    // The grids' group boxes are already in the page's vertical layout; the settings' grid of
    // group boxes takes its place, the grids joining it.
    QLayout* old = page->layout();
    QList<QWidget*> kept;
    if (old) {
        while (QLayoutItem* item = old->takeAt(0)) {
            if (item->widget()) kept << item->widget();
            delete item;
        }
        delete old;
    }
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(8, 8, 8, 8);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(8);
    return grid;
}
} // namespace

void TSettingsPages::BuildGeneral(QWidget* Page) {
    QGridLayout* page = PageGrid(Page);
    int row = 0;
    QGroupBox* engine = NewGroup(Page, "GroupEngine", SGroupEngine, true);
    for (const char* c : {"ComboBoxCarburante", "CylindersEdit", "NumeroLambdaEdit", "PressureReducerType"})
        AddRow(GridOf(engine), row, NoText, nullptr, {c});
    CloseGrid(GridOf(engine), row);

    QGroupBox* car = NewGroup(Page, "GroupCar", SGroupCar, true);
    row = 0;
    AddRow(GridOf(car), row, NoText, nullptr, {"BrandComboBox"});
    AddRow(GridOf(car), row, NoText, nullptr, {"CarTypeEdit"});
    {
        auto* label = new TLeaderLabel(car);
        label->setObjectName(QStringLiteral("LabelConfigDate"));
        label->setBuddy(DateEdits[0]);
        RowLabels.emplace_back(label, SLabelConfigDate);
        GridOf(car)->addWidget(label, row, 0, 1, 2);
        auto* date = new QWidget(car);
        date->setObjectName(QStringLiteral("PanelDate"));
        auto* h = new QHBoxLayout(date);
        h->setContentsMargins(0, 0, 0, 0);
        h->setSpacing(4);
        for (QSpinBox* s : DateEdits) {
            s->setParent(date);
            h->addWidget(s);
        }
        ButtonToday = new QPushButton(date);
        ButtonToday->setObjectName(QStringLiteral("ButtonToday"));
        ButtonToday->setToolTip(ResStr(SHintToday));
        ButtonTexts.emplace_back(ButtonToday, SButtonToday);
        h->addWidget(ButtonToday);
        h->addStretch(1);
        GridOf(car)->addWidget(date, row++, 2, 1, 3);
    }
    ButtonTurbo = new QPushButton(car);
    ButtonTurbo->setObjectName(QStringLiteral("ButtonTurbo"));
    ButtonTurbo->setCheckable(true);
    ButtonTurbo->setMinimumSize(96, 34);
    QFont bold = ButtonTurbo->font();
    bold.setBold(true);
    ButtonTurbo->setFont(bold);
    ButtonTurbo->setStyleSheet(QStringLiteral("QPushButton:checked { color: #d00000; }"));
    ButtonTexts.emplace_back(ButtonTurbo, SButtonTurbo);
    GridOf(car)->addWidget(ButtonTurbo, row++, 2, 1, 2, Qt::AlignLeft);
    CloseGrid(GridOf(car), row);

    QGroupBox* sensors = NewGroup(Page, "GroupSensors", SGroupSensors, true);
    row = 0;
    for (const char* c :
         {"ComboBoxTipoLambda", "ComboBoxTipoIniettori", "ComboBoxTipoSensoreGas", "EditImpulsiGiro",
          "ComboBoxTipoTPS", "MAPSensorBox", "PressureSensorType", "ComboBoxTipoAccensione"})
        AddRow(GridOf(sensors), row, NoText, nullptr, {c});
    CloseGrid(GridOf(sensors), row);

    AlignedGroups.push_back({engine, car});
    page->addWidget(engine, 0, 0);
    page->addWidget(car, 1, 0);
    page->addWidget(sensors, 0, 1, 2, 1);
    page->setColumnStretch(0, 1);
    page->setColumnStretch(1, 1);
    page->setRowStretch(2, 1);
}

void TSettingsPages::BuildFunctions(QWidget* Page) {
    QGridLayout* page = PageGrid(Page);
    int row = 0;
    QGroupBox* map = NewGroup(Page, "GroupGasMapSettings", SGroupGasMapSettings, true);
    AddRow(GridOf(map), row, NoText, nullptr, {"EditOffsetIniettore"});
    {
        auto* buttons = new QWidget(map);
        buttons->setObjectName(QStringLiteral("PanelGasMapButtons"));
        auto* h = new QHBoxLayout(buttons);
        h->setContentsMargins(0, 4, 0, 0);
        ButtonAutotuning = new QPushButton(buttons);
        ButtonAutotuning->setObjectName(QStringLiteral("ButtonAutotuning"));
        ButtonAutotuning->setToolTip(ResStr(SHintAutotuning));
        ButtonAutotuning->setMinimumSize(96, 34);
        ButtonTexts.emplace_back(ButtonAutotuning, SButtonTune);
        QWidget* adapt = Control("ButtonUpdateGas");
        adapt->setParent(buttons);
        ButtonTexts.emplace_back(qobject_cast<QAbstractButton*>(adapt), SButtonAdaptive);
        h->addWidget(ButtonAutotuning);
        h->addWidget(adapt);
        h->addStretch(1);
        GridOf(map)->addWidget(buttons, row++, 0, 1, 5);
    }
    CloseGrid(GridOf(map), row);

    QGroupBox* injectors = NewGroup(Page, "GroupInjectors", SGroupInjectors, true);
    row = 0;
    for (const char* c : {"EditTempoMassimaCorrente", "EditCorrenteMantenimento", "EditAperturaIniettori"})
        AddRow(GridOf(injectors), row, NoText, nullptr, {c});
    CloseGrid(GridOf(injectors), row);

    GroupPetrolMapSettings = NewGroup(Page, "GroupPetrolMapSettings", SGroupPetrolMapSettings, false);
    {
        auto* h = new QHBoxLayout;
        for (const char* c : {"ButtonAcqGasoline", "ButtonUpdateGasoline"}) {
            QWidget* b = Control(c);
            b->setParent(GroupPetrolMapSettings);
            ButtonTexts.emplace_back(qobject_cast<QAbstractButton*>(b), SettingInfos[IndexOf(c)].Caption);
            h->addWidget(b);
        }
        h->addStretch(1);
        GridOf(GroupPetrolMapSettings)->addLayout(h, 0, 0, 1, 6);
        GridOf(GroupPetrolMapSettings)->setRowStretch(1, 1);
    }

    QGroupBox* power = NewGroup(Page, "GroupGasPower", SGroupGasPower, true);
    row = 0;
    AddRow(GridOf(power), row, NoText, nullptr, {"ComboBoxTipoCambio"});
    {
        // Two rows under one label: the changeover speed, then the temperature and its sensor.
        QGridLayout* g = GridOf(power);
        auto* thresholds = new TLeaderLabel(power);
        thresholds->setObjectName(QStringLiteral("LabelThresholds"));
        RowLabels.emplace_back(thresholds, SLabelThresholds);
        g->addWidget(thresholds, row, 0);
        auto* rpm = new QLabel(power);
        rpm->setObjectName(QStringLiteral("LabelRPM"));
        rpm->setBuddy(Control("EditSogliaGiri"));
        RowLabels.emplace_back(rpm, SLabelRevsRPM);
        Captions[size_t(IndexOf("EditSogliaGiri"))] = rpm;
        g->addWidget(rpm, row, 1);
        g->addWidget(Control("EditSogliaGiri"), row++, 2, Qt::AlignLeft);
        auto* temp = new QLabel(power);
        temp->setObjectName(QStringLiteral("LabelTemp"));
        temp->setBuddy(Control("EditThresholdTemp"));
        RowLabels.emplace_back(temp, SLabelTemperatureC);
        Captions[size_t(IndexOf("EditThresholdTemp"))] = temp;
        Captions[size_t(IndexOf("ThresholdTempType"))] = temp;
        g->addWidget(temp, row, 1);
        auto* h = new QHBoxLayout;
        h->setSpacing(8);
        h->addWidget(Control("EditThresholdTemp"));
        h->addWidget(Control("ThresholdTempType"));
        h->addStretch(1);
        g->addLayout(h, row++, 2, 1, 3);
    }
    AddRow(GridOf(power), row, NoText, nullptr, {"EditRitardoPassaggio"});
    {
        auto* label = new TLeaderLabel(power);
        label->setObjectName(QStringLiteral("LabelBackup2Petrol"));
        RowLabels.emplace_back(label, SLabelAutoBackup);
        GridOf(power)->addWidget(label, row, 0, 1, 2);
        QWidget* box = Control("CheckBoxRitornoAutomatico");
        box->setParent(power);
        ButtonTexts.emplace_back(qobject_cast<QAbstractButton*>(box), SCheckBackToGasoline);
        GridOf(power)->addWidget(box, row++, 2, 1, 3);
    }
    AddRow(GridOf(power), row, NoText, nullptr, {"EditTempoBassaPressione"});
    CloseGrid(GridOf(power), row);

    QGroupBox* levels = Places.Grids ? Places.Grids->GroupCustomGasLevels : nullptr;

    auto* powerPanel = new QFrame(Page);
    powerPanel->setObjectName(QStringLiteral("PanelPowerMode"));
    powerPanel->setFrameShape(QFrame::StyledPanel);
    powerPanel->setFrameShadow(QFrame::Raised);
    auto* pv = new QVBoxLayout(powerPanel);
    PowerSwitchButton = new QPushButton(powerPanel);
    PowerSwitchButton->setObjectName(QStringLiteral("PowerSwitchButton"));
    PowerSwitchButton->setToolTip(ResStr(SHintPowerSwitch));
    PowerSwitchButton->setIcon(QApplication::style()->standardIcon(QStyle::SP_BrowserReload));
    PowerSwitchButton->setIconSize(QSize(40, 40));
    PowerSwitchButton->setFixedSize(72, 72);
    pv->addWidget(PowerSwitchButton, 0, Qt::AlignHCenter);

    AlignedGroups.push_back({map, injectors});
    page->addWidget(map, 0, 0);
    page->addWidget(injectors, 1, 0);
    page->addWidget(GroupPetrolMapSettings, 2, 0);
    page->addWidget(power, 0, 1, 2, 1);
    if (levels) page->addWidget(levels, 2, 1);
    page->addWidget(powerPanel, 0, 2, Qt::AlignTop);
    page->setColumnStretch(0, 1);
    page->setColumnStretch(1, 1);
    page->setRowStretch(3, 1);
}

void TSettingsPages::BuildLambda(QWidget* Page) {
    QGridLayout* page = PageGrid(Page);
    int row = 0;
    QGroupBox* emulation = NewGroup(Page, "GroupEmulation", SGroupEmulation, true);
    GridOf(emulation)->addWidget(EnablePanel(emulation, "EnableLambdaEmulation"), row++, 0, 1, 5);
    AddRow(GridOf(emulation), row, SLabelEmulatedLevels, "LabelEmulatedLevels",
           {"EditLivelloAltoEmulazione", "EditLivelloBassoEmulazione"});
    CloseGrid(GridOf(emulation), row);

    QGroupBox* trim = NewGroup(Page, "GroupGasTrim", SGroupGasTrim, true);
    row = 0;
    GridOf(trim)->addWidget(EnablePanel(trim, "EnableLambdaController"), row++, 0, 1, 5);
    AddRow(GridOf(trim), row, SLabelIntegral, "LabelIntegral",
           {"EditComponenteIngrassare", "EditComponenteSmagrire"});
    AddRow(GridOf(trim), row, SLabelProportional, "LabelProportional",
           {"EditProporzionaleIngrassare", "EditProporzionaleSmagrire"});
    AddRow(GridOf(trim), row, SLabelSamplingPeriod, "LabelSamplingPeriod",
           {"EditPeriodoMin", "EditPeriodoMax"});
    // The gas trim's live speed and sampling period: fields the status panel fills from the live
    // data, in the rows of the box they belong to.
    auto indicators = [&](const char* labelName, StringId text, std::initializer_list<const char*> names) {
        auto* label = new TLeaderLabel(trim);
        label->setObjectName(QLatin1String(labelName));
        RowLabels.emplace_back(label, text);
        GridOf(trim)->addWidget(label, row, 0, 1, 2);
        int column = 2;
        for (const char* name : names) {
            auto* field = new QLabel(trim);
            field->setObjectName(QLatin1String(name));
            field->setFrameShape(QFrame::Panel);
            field->setFrameShadow(QFrame::Sunken);
            field->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            field->setFixedWidth(NumericWidth);
            field->setFixedHeight(Control("EditPeriodoMin")->sizeHint().height());
            GridOf(trim)->addWidget(field, row, column++, Qt::AlignLeft);
        }
        ++row;
    };
    indicators("LabelControllerSpeed", SLabelControllerSpeed,
               {"StatusRichControlSpeed", "StatusLeanControlSpeed"});
    indicators("LabelSamplingPeriodNow", SLabelSamplingPeriodNow, {"StatusLambdaControlSamplingPeriod"});
    CloseGrid(GridOf(trim), row);

    QGroupBox* thresholds = NewGroup(Page, "GroupThresholds", SGroupThresholds, true);
    row = 0;
    AddRow(GridOf(thresholds), row, NoText, nullptr, {"LeanThresholdEdit"});
    AddRow(GridOf(thresholds), row, NoText, nullptr, {"RichThresholdEdit"});
    CloseGrid(GridOf(thresholds), row);

    if (Places.Grids && Places.Grids->GroupLambdaReferences)
        page->addWidget(Places.Grids->GroupLambdaReferences, 0, 0, 1, 3);
    AlignedGroups.push_back({emulation, thresholds});
    page->addWidget(emulation, 1, 0);
    page->addWidget(thresholds, 2, 0);
    page->addWidget(trim, 1, 1, 2, 1);
    page->setColumnStretch(0, 1);
    page->setColumnStretch(1, 1);
    page->setColumnStretch(2, 1);
    page->setRowStretch(3, 1);
}

void TSettingsPages::BuildDrivability(QWidget* Page) {
    QGridLayout* page = PageGrid(Page);
    auto sliderRow = [&](QGroupBox* group, int& row, const char* name, StringId unit) {
        const int i = IndexOf(name);
        auto* label = new TLeaderLabel(group);
        label->setObjectName(QStringLiteral("Label") + QLatin1String(name));
        RowLabels.emplace_back(label, SettingInfos[i].Caption);
        Captions[size_t(i)] = label;
        auto* panel = new QWidget(group);
        panel->setObjectName(QStringLiteral("Panel") + QLatin1String(name));
        auto* h = new QHBoxLayout(panel);
        h->setContentsMargins(0, 0, 0, 0);
        QWidget* slider = Control(name);
        slider->setParent(panel);
        auto* value = new QLabel(panel);
        value->setObjectName(QStringLiteral("Indicator") + QLatin1String(name));
        value->setFrameShape(QFrame::StyledPanel);
        value->setFrameShadow(QFrame::Sunken);
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        value->setFixedWidth(48);
        Indicators[size_t(i)] = value;
        auto* unitLabel = new QLabel(panel);
        unitLabel->setObjectName(QStringLiteral("Unit") + QLatin1String(name));
        unitLabel->setFixedWidth(28);
        RowLabels.emplace_back(unitLabel, unit);
        h->addWidget(slider, 1);
        h->addWidget(value);
        h->addWidget(unitLabel);
        GridOf(group)->addWidget(label, row, 0, 1, 2);
        GridOf(group)->addWidget(panel, row++, 2, 1, 4);
    };

    int row = 0;
    QGroupBox* accel = NewGroup(Page, "GroupAccelerationControl", SGroupAccelerationControl, false);
    GridOf(accel)->addWidget(EnablePanel(accel, "EnableAccelerationControl"), row++, 0, 1, 6);
    sliderRow(accel, row, "SliderAccelerationLevel", SCfgUnitPercent);
    {
        auto* settings = new QWidget(accel);
        settings->setObjectName(QStringLiteral("PanelAccelerationSettings"));
        auto* g = new QGridLayout(settings);
        g->setContentsMargins(0, 4, 0, 4);
        g->setHorizontalSpacing(8);
        g->setVerticalSpacing(5);
        g->setColumnMinimumWidth(0, LabelColumnWidth);
        int r = 0;
        AddRow(g, r, NoText, nullptr, {"MapThreshold"});
        AddRow(g, r, NoText, nullptr, {"DeltaMap"});
        AddRow(g, r, SLabelTimes, "LabelTimes", {"SoftStartT1", "SoftStartT2"});
        g->setColumnStretch(5, 1);
        // The same columns as the slider's row above, so that its fields line up with the slider.
        for (QGridLayout* aligned : {g, GridOf(accel)})
            aligned->setColumnMinimumWidth(1, 64);
        FocusBoxes.push_back(settings);
        GridOf(accel)->addWidget(settings, row++, 0, 1, 6);
    }
    CloseGrid(GridOf(accel), row);

    QGroupBox* injection = NewGroup(Page, "GroupInjectionControl", SGroupInjectionControl, false);
    row = 0;
    sliderRow(injection, row, "SliderExtraInjection", SCfgUnitMs);
    sliderRow(injection, row, "SliderFullGroupHoldOff", SCfgUnitPercent);
    CloseGrid(GridOf(injection), row);

    GroupSlaveDelays = NewGroup(Page, "GroupSlaveDelays", SGroupSlaveDelays, true);
    row = 0;
    AddRow(GridOf(GroupSlaveDelays), row, SLabelDelays, "LabelDelays",
           {"SlaveMinDelayEdit", "SlaveMaxDelayEdit"});
    CloseGrid(GridOf(GroupSlaveDelays), row);

    QGroupBox* tps = NewGroup(Page, "GroupTPSCutOff", SGroupTPSCutOff, true);
    row = 0;
    GridOf(tps)->addWidget(EnablePanel(tps, "EnableTPSCutOff"), row++, 0, 1, 5);
    for (const char* c : {"TPShisteresysEdit", "RPMThresholdEdit", "TPSThresholdEdit", "TPSFallTimeEdit"})
        AddRow(GridOf(tps), row, NoText, nullptr, {c});
    CloseGrid(GridOf(tps), row);

    page->addWidget(accel, 0, 0, 2, 1);
    page->addWidget(injection, 0, 1);
    page->addWidget(GroupSlaveDelays, 1, 1);
    page->addWidget(tps, 0, 2, 2, 1);
    if (Places.Grids && Places.Grids->GroupPrimeTime)
        page->addWidget(Places.Grids->GroupPrimeTime, 2, 0, 1, 3);
    page->setColumnStretch(0, 1);
    page->setColumnStretch(1, 1);
    page->setColumnStretch(2, 1);
    page->setRowStretch(3, 1);
}

void TSettingsPages::ApplyCaptions() {
    const bool was = Updating();
    SetUpdating(true);
    for (const auto& [group, text] : GroupTitles)
        group->setTitle(QLatin1Char(' ') + ResStr(text) + QLatin1Char(' '));
    for (const auto& [label, text] : RowLabels)
        label->setText(ResStr(text));
    for (const auto& [button, text] : ButtonTexts)
        if (button) button->setText(ResStr(text));
    for (const TListItems& list : ListItems()) {
        auto* combo = ControlAs<QComboBox>(list.Control);
        if (!combo) continue;
        const int current = combo->currentIndex();
        combo->clear();
        const int count = KeldItemCount(list.Control, int(list.Items.size()));
        for (int i = 0; i < count; ++i)
            combo->addItem(ResStr(list.Items[size_t(i)]));
        combo->setCurrentIndex(current);
    }
    // Groups stacked in one column of a page share the width of their labels, whatever the
    // language, so that their fields line up.
    for (const std::vector<QGroupBox*>& column : AlignedGroups) {
        int widest = LabelColumnWidth;
        for (QGroupBox* group : column) {
            QGridLayout* grid = GridOf(group);
            for (int i = 0; i < grid->count(); ++i) {
                int row = 0, col = 0, rowSpan = 1, colSpan = 1;
                grid->getItemPosition(i, &row, &col, &rowSpan, &colSpan);
                if (auto* label = qobject_cast<QLabel*>(grid->itemAt(i)->widget());
                    label && col == 0 && colSpan == 2)
                    widest = std::max(widest, label->minimumSizeHint().width());
            }
        }
        for (QGroupBox* group : column)
            GridOf(group)->setColumnMinimumWidth(0, widest);
    }
    SetUpdating(was);
}

// ---- Handlers ----------------------------------------------------------------------------------

void TSettingsPages::BindHandlers() {
    struct THandler {
        const char* Control;
        void (TSettingsPages::*Run)();
    };
    // The lists whose change does more than store the value.
    static const THandler handlers[] = {
        {"ComboBoxCarburante", &TSettingsPages::ComboBoxCarburanteChange},
        {"PressureReducerType", &TSettingsPages::PressureReducerTypeChange},
        {"ComboBoxTipoLambda", &TSettingsPages::ComboBoxTipoLambdaChange},
        {"ComboBoxTipoTPS", &TSettingsPages::ComboBoxTipoTPSChange},
        {"ComboBoxTipoIniettori", &TSettingsPages::ComboBoxTipoIniettoriChange},
        {"PressureSensorType", &TSettingsPages::PressureSensorTypeChange},
        {"ComboBoxTipoCambio", &TSettingsPages::ComboBoxTipoCambioChange},
    };
    static const char* const enableBoxes[] = {"EnableLambdaEmulation", "EnableLambdaController",
                                              "EnableAccelerationControl", "EnableTPSCutOff"};

    for (int i = 0; i < SettingCount; ++i) {
        QWidget* w = Controls[size_t(i)];
        if (!w) continue;
        const char* name = SettingInfos[i].Control;
        if (auto* edit = qobject_cast<TNumericEdit*>(w)) {
            connect(edit, &TNumericEdit::ValueEdited, this, [this, edit] { GUIChanged(edit); });
            connect(edit, &TNumericEdit::FocusEntered, this, [this, edit] { GUIShowRange(edit); });
            connect(edit, &TNumericEdit::FocusLeft, this, &TSettingsPages::GUIHideRange);
        } else if (auto* spin = qobject_cast<QSpinBox*>(w)) {
            connect(spin, &QSpinBox::valueChanged, this, [this, spin] { GUIChanged(spin); });
            if (!std::strcmp(name, "EditImpulsiGiro")) spin->installEventFilter(this);
        } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
            if (combo->isEditable()) {
                connect(combo, &QComboBox::activated, this, [this, combo] { GUIChanged(combo); });
                // Enter on a text of the list is also an activation; only a new text needs this.
                connect(combo->lineEdit(), &QLineEdit::returnPressed, this, [this, combo] {
                    if (combo->findText(combo->currentText(), Qt::MatchExactly) < 0) GUIChanged(combo);
                });
                continue;
            }
            const THandler* special = nullptr;
            for (const THandler& h : handlers)
                if (!std::strcmp(h.Control, name)) special = &h;
            if (special)
                connect(combo, &QComboBox::currentIndexChanged, this, [this, special] {
                    if (!Updating()) (this->*special->Run)();
                });
            else
                connect(combo, &QComboBox::currentIndexChanged, this, [this, combo] { GUIChanged(combo); });
        } else if (auto* check = qobject_cast<QCheckBox*>(w)) {
            const bool enableBox = std::any_of(std::begin(enableBoxes), std::end(enableBoxes),
                                               [name](const char* b) { return !std::strcmp(b, name); });
            if (enableBox)
                connect(check, &QCheckBox::toggled, this, [this, check] { EnableBoxClick(check); });
            else
                connect(check, &QCheckBox::toggled, this, [this, check] { GUIChanged(check); });
        } else if (auto* button = qobject_cast<QPushButton*>(w)) {
            connect(button, &QPushButton::toggled, this, [this, button] { GUIChanged(button); });
            if (!std::strcmp(name, "ButtonUpdateGas") || !std::strcmp(name, "ButtonUpdateGasoline"))
                button->installEventFilter(this);
        } else if (auto* slider = qobject_cast<QSlider*>(w)) {
            const double scale = SliderScale(SettingInfos[i]);
            QLabel* indicator = Indicators[size_t(i)];
            const QString format = QString::fromLatin1(SettingInfos[i].Format);
            connect(slider, &QSlider::valueChanged, this, [this, slider, indicator, scale, format](int v) {
                if (indicator) indicator->setText(FormatPicture(format, v / scale));
                if (!slider->isSliderDown()) GUIChanged(slider);
            });
            connect(slider, &QSlider::sliderReleased, this, [this, slider] { GUIChanged(slider); });
        } else if (auto* text = qobject_cast<QLineEdit*>(w)) {
            connect(text, &QLineEdit::returnPressed, this, [this, text] { GUIChanged(text); });
        }
    }
    for (QSpinBox* s : DateEdits)
        connect(s, &QSpinBox::valueChanged, this, &TSettingsPages::DateChange);
    if (ButtonToday) connect(ButtonToday, &QPushButton::clicked, this, &TSettingsPages::ButtonTodayClick);
    if (ButtonAutotuning)
        connect(ButtonAutotuning, &QPushButton::clicked, this, [this] {
            if (Host.OpenAutotuning) Host.OpenAutotuning();
        });
    if (PowerSwitchButton) {
        connect(PowerSwitchButton, &QPushButton::pressed, this, &TSettingsPages::PowerSwitchButtonDown);
        connect(PowerSwitchButton, &QPushButton::released, this, &TSettingsPages::PowerSwitchButtonUp);
    }
}

bool TSettingsPages::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress &&
        (watched->objectName() == QLatin1String("ButtonUpdateGas") ||
         watched->objectName() == QLatin1String("ButtonUpdateGasoline"))) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            if (Host.OpenAdaptiveParams) Host.OpenAdaptiveParams();
            return true;
        }
        GUIChanged(watched); // before the toggle; the toggle runs it again
    } else if (watched->objectName() == QLatin1String("EditImpulsiGiro")) {
        if (event->type() == QEvent::FocusIn) GUIShowRange(static_cast<QWidget*>(watched));
        if (event->type() == QEvent::FocusOut) GUIHideRange();
    }
    return QObject::eventFilter(watched, event);
}

void TSettingsPages::StampDate() {
    DataMap->ConfigDate = QDate::currentDate().toString(QStringLiteral("ddMMyy"));
    const bool was = Updating();
    SetUpdating(true);
    ShowConfigurationDate();
    SetUpdating(was);
}

void TSettingsPages::GUIChanged(QObject* Sender) {
    if (Updating() || !DataMap) return;
    if (!DataMap->CheckRange(Sender)) {
        Dialogs().Tell(TMsgKind::Warning, ResStr(SCfgParameterOutOfRange));
        DataMap->RefreshViews();
        return;
    }
    DataMap->SaveUndo();
    StampDate();
    // The edit is taken into the model whichever page shows, so that the redisplay below keeps it.
    DataMap->ReadFromGUI();
    DataMap->DownloadActivePage();
    DataMap->SetSaved(false);
    DataMap->RefreshViews();
    if (Host.RefreshMapCheck) Host.RefreshMapCheck();
}

void TSettingsPages::ComboBoxCarburanteChange() {
    auto* fuel = ControlAs<QComboBox>("ComboBoxCarburante");
    auto* reducer = ControlAs<QComboBox>("PressureReducerType");
    SetUpdating(true);
    reducer->setCurrentIndex(fuel->currentIndex());
    SetUpdating(false);
    GUIChanged(fuel);
    DataMap->SetPressureCorrectionDefaults();
    DataMap->DownloadBlock(6);
    if (Places.Grids) Places.Grids->MappaGasPress->update();
    if (OperatingMode != SlaveMode) return;
    const uint8_t code = DataMap->Fuel;
    const QString question = ResStr(code == FuelCNG ? SMsgLoadDefaultMapCNG : SMsgLoadDefaultMapLPG);
    if (Dialogs().Ask(TMsgKind::Confirmation, question, mbYes | mbNo) == mbYes) {
        DataMap->ReadFromGUI();
        DataMap->SetDefaultSlaveMaps(DataMap->Fuel);
        DataMap->DownloadBothBanks(false);
        if (Places.Grids) {
            Places.Grids->MappaGas_Slave->update();
            Places.Grids->UpdateMapColourRanges();
        }
    } else {
        SetUpdating(true);
        ShowValue("ComboBoxCarburante", int(DataMap->Fuel));
        SetUpdating(false);
    }
}

void TSettingsPages::PressureReducerTypeChange() {
    auto* reducer = ControlAs<QComboBox>("PressureReducerType");
    static const StringId questions[] = {SMsgReducerCNGStd, SMsgReducerLPGStd, SMsgReducerLPGMP,
                                         SMsgReducerLPGHP};
    const int item = reducer->currentIndex();
    if (item < 0 || item >= int(std::size(questions))) return;
    switch (Dialogs().Ask(TMsgKind::Confirmation, ResStr(questions[item]), mbYes | mbNo | mbCancel)) {
    case mbYes:
        GUIChanged(reducer);
        DataMap->SetPressureCorrectionDefaults();
        DataMap->DownloadBlock(6);
        if (Places.Grids) Places.Grids->MappaGasPress->update();
        break;
    case mbNo:
        GUIChanged(reducer);
        break;
    default:
        DataMap->RefreshViews();
        break;
    }
}

namespace {
// The voltage range of a lambda probe type.
TCellRange ProbeRange(int Type) {
    switch (Type) {
    case 2:
    case 3:
        return {0, 5};
    case 4:
        return {0.8, 1.6};
    case 5:
        return {2, 3};
    default:
        return {0, 1};
    }
}
} // namespace

void TSettingsPages::SetLambdaLimits(int Type) {
    const TCellRange range = ProbeRange(Type);
    // The ECU measures no more than 4.2 V.
    const double hi = std::min(range.Upper, 4.2);
    for (const char* c : {"RichThresholdEdit", "LeanThresholdEdit", "EditLivelloAltoEmulazione",
                          "EditLivelloBassoEmulazione"}) {
        if (auto* edit = ControlAs<TNumericEdit>(c)) {
            edit->MinValue = range.Lower;
            edit->MaxValue = hi;
        }
    }
}

void TSettingsPages::ComboBoxTipoLambdaChange() {
    auto* list = ControlAs<QComboBox>("ComboBoxTipoLambda");
    GUIChanged(list);
    const int type = DataMap->LambdaType;
    const TCellRange range = ProbeRange(type);
    const double lo = range.Lower;
    const double span = range.Upper - range.Lower;
    const bool falling = type == 3 || type == 5;
    DataMap->EmulatedRich = lo + (falling ? 0.1 : 0.8) * span;
    DataMap->EmulatedLean = lo + (falling ? 0.8 : 0.1) * span;
    DataMap->LeanThreshold = lo + (falling ? 0.6 : 0.3) * span;
    DataMap->RichThreshold = lo + (falling ? 0.3 : 0.6) * span;
    static const double fractions[12] = {0.55, 0.52, 0.50, 0.50, 0.50, 0.52,
                                         0.52, 0.55, 0.57, 0.57, 0.60, 0.60};
    for (int i = 1; i <= 12; ++i)
        DataMap->RiferimentoSondaLambda[i] = lo + span * fractions[i - 1];
    if (type == 0) DataMap->LambdaControllerOn = DataMap->LambdaEmulationOn = false;
    SetLambdaLimits(type);
    DataMap->RefreshViews();
    DataMap->DownloadBlock(5);
    if (Host.ClearLambdaChart) Host.ClearLambdaChart();
}

void TSettingsPages::ComboBoxTipoTPSChange() {
    GUIChanged(Control("ComboBoxTipoTPS"));
    double base = 0;
    double span = 0;
    if (DataMap->TPSType == TPSRising) span = 5;
    if (DataMap->TPSType == TPSFalling) base = 5, span = -5;
    DataMap->TPSThreshold = base + 0.2 * span;
    DataMap->TPSHysteresis = 0.1 * std::abs(span);
    DataMap->RefreshViews();
    DataMap->DownloadBlock(7);
}

void TSettingsPages::ComboBoxTipoIniettoriChange() {
    GUIChanged(Control("ComboBoxTipoIniettori"));
    static const double openTimes[] = {2.8, 4.0, 2.0};
    const int type = DataMap->InjectorType;
    if (type >= 0 && type < 3) DataMap->MinOpenTime = openTimes[type];
    DataMap->RefreshViews();
    DataMap->DownloadBlock(2);
}

void TSettingsPages::PressureSensorTypeChange() {
    GUIChanged(Control("PressureSensorType"));
    DataMap->MAPSensor = DataMap->PressureSensorType;
    DataMap->RefreshViews();
}

void TSettingsPages::ComboBoxTipoCambioChange() {
    GUIChanged(Control("ComboBoxTipoCambio"));
    if (DataMap->SwitchCondition != 3) return;
    auto* backup = ControlAs<QCheckBox>("CheckBoxRitornoAutomatico");
    SetUpdating(true);
    backup->setChecked(false);
    SetUpdating(false);
    GUIChanged(backup);
}

void TSettingsPages::ApplyEnableBox(QCheckBox* Box) {
    QWidget* ownPanel = Box->parentWidget();
    QWidget* group = ownPanel ? ownPanel->parentWidget() : nullptr;
    if (!group) return;
    const bool checked = Box->isChecked();
    for (QObject* o : group->children()) {
        auto* child = qobject_cast<QWidget*>(o);
        if (!child || child == ownPanel || child == FocusedBoxGradient || child == GUIShowRangeLabel)
            continue;
        if (!IsPanel(child)) {
            child->setEnabled(checked);
            continue;
        }
        for (QObject* inner : child->children())
            if (auto* w = qobject_cast<QWidget*>(inner)) w->setEnabled(checked);
    }
}

void TSettingsPages::EnableBoxClick(QCheckBox* Box) {
    ApplyEnableBox(Box);
    if (!Updating()) {
        QWidget* group = Box->parentWidget() ? Box->parentWidget()->parentWidget() : nullptr;
        const bool focusGroup = std::find(FocusBoxes.begin(), FocusBoxes.end(), group) != FocusBoxes.end();
        if (focusGroup && Box->isChecked())
            BoxEnter(group);
        else if (focusGroup)
            BoxExit();
    }
    GUIChanged(Box);
}

void TSettingsPages::DateChange() {
    if (Updating() || !DataMap) return;
    DataMap->SaveUndo();
    DataMap->DownloadBlock(1);
    DataMap->SetSaved(false);
}

void TSettingsPages::ButtonTodayClick() {
    if (!DataMap) return;
    StampDate();
    DataMap->SetSaved(false);
    DataMap->DownloadBlock(1);
}

void TSettingsPages::PowerSwitchButtonDown() {
    *Host.PowerButtonCountdown = PowerButtonTicks;
}

void TSettingsPages::PowerSwitchButtonUp() {
    const bool shortPress = *Host.PowerButtonCountdown > 0;
    *Host.PowerButtonCountdown = -1;
    if (shortPress)
        SendCommand(CommandBody(cmdFuelSwitch) + FuelSwitchShort, nullptr, false);
    else if (Acquisitions && Acquisitions->Petrol)
        SendCommand(CommandBody(cmdFuelSwitch) + FuelSwitchLong, nullptr, false);
}

void TSettingsPages::PowerButtonLongPress() {
    *Host.PowerButtonCountdown = -1;
    if (Acquisitions && Acquisitions->Petrol)
        SendCommand(CommandBody(cmdFuelSwitch) + FuelSwitchLong, nullptr, false);
}

// ---- Range hint and focus highlight ------------------------------------------------------------

void TSettingsPages::GUIShowRange(QWidget*) {
    *Host.RangeHintCountdown = RangeHintTicks;
}

void TSettingsPages::GUIHideRange() {
    GUIShowRangeLabel->hide();
}

void TSettingsPages::ShowRangeHint() {
    *Host.RangeHintCountdown = -1;
    auto* field = qobject_cast<TNumericEdit*>(QApplication::focusWidget());
    if (!field || !field->parentWidget() || !field->parentWidget()->parentWidget()) return;
    const char* format = field->IsReal() ? "%1.1f" : "%1.0f";
    const QString text = ResStr(SLabelMin) + QStringLiteral("= ") + FormatNumber(format, field->MinValue) +
                         QStringLiteral(" - ") + ResStr(SLabelMax) + QStringLiteral("= ") +
                         FormatNumber(format, field->MaxValue);
    QWidget* parent = field->parentWidget();
    QWidget* grand = parent->parentWidget();
    const QFont font = QApplication::activeWindow() ? QApplication::activeWindow()->font() : field->font();
    GUIShowRangeLabel->setParent(grand);
    GUIShowRangeLabel->setFont(font);
    GUIShowRangeLabel->setText(text);
    const int width = std::max(QFontMetrics(font).horizontalAdvance(text) + 12, field->width());
    const int height = field->height();
    const int top = parent->geometry().top() + field->geometry().top() - height - 2;
    int left = parent->geometry().left() + field->geometry().left();
    if (parent->width() < width + field->geometry().left())
        left = parent->geometry().left() + field->geometry().left() + field->width() - width;
    GUIShowRangeLabel->setGeometry(left, top, width, height);
    GUIShowRangeLabel->raise();
    GUIShowRangeLabel->show();
}

void TSettingsPages::BoxEnter(QWidget* Box) {
    FocusedBox = Box;
    FocusedBoxGradient->setParent(Box);
    const bool group = qobject_cast<QGroupBox*>(Box);
    FocusedBoxGradient->setGeometry(Box->rect().adjusted(2, group ? 8 : 0, -2, -2));
    FocusedBoxGradient->lower();
    FocusedBoxGradient->show();
}

void TSettingsPages::BoxExit() {
    FocusedBox = nullptr;
    FocusedBoxGradient->hide();
}

// ---- Between the controls and the model --------------------------------------------------------

void TSettingsPages::ShowValue(const char* Name, double Value) {
    QWidget* w = Control(Name);
    if (auto* edit = qobject_cast<TNumericEdit*>(w)) {
        edit->SetValue(Value);
    } else if (auto* spin = qobject_cast<QSpinBox*>(w)) {
        spin->setValue(int(std::lround(Value)));
    } else if (auto* slider = qobject_cast<QSlider*>(w)) {
        const int i = IndexOf(Name);
        slider->setValue(int(std::lround(Value * SliderScale(SettingInfos[i]))));
        if (QLabel* indicator = Indicators[size_t(i)])
            indicator->setText(FormatPicture(QString::fromLatin1(SettingInfos[i].Format), Value));
    } else if (auto* list = qobject_cast<QComboBox*>(w)) {
        const int index = int(std::lround(Value));
        list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
    }
}

void TSettingsPages::ShowValue(const char* Name, int Value) {
    ShowValue(Name, double(Value));
}

void TSettingsPages::ShowValue(const char* Name, bool Value) {
    if (auto* button = qobject_cast<QAbstractButton*>(Control(Name))) button->setChecked(Value);
}

void TSettingsPages::ShowValue(const char* Name, const QString& Value) {
    QWidget* w = Control(Name);
    if (auto* list = qobject_cast<QComboBox*>(w)) {
        // The last item of that exact text, else no item and the text as typed.
        int found = -1;
        for (int i = 0; i < list->count(); ++i)
            if (list->itemText(i) == Value) found = i;
        list->setCurrentIndex(found);
        if (found < 0) list->setEditText(Value);
    } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        edit->setText(Value);
    }
}

void TSettingsPages::ShowConfigurationDate() {
    if (!DataMap) return;
    const QString& d = DataMap->ConfigDate;
    if (d.size() < 6) return;
    DateEdits[0]->setValue(d.mid(0, 2).toInt());
    DateEdits[1]->setValue(d.mid(2, 2).toInt());
    DateEdits[2]->setValue(2000 + d.mid(4, 2).toInt());
}

void TSettingsPages::ApplyEnablingRules() {
    const int c = DataMap->SwitchCondition;
    auto enable = [this](std::initializer_list<const char*> names, bool on) {
        for (const char* n : names)
            if (QWidget* w = Control(n)) w->setEnabled(on);
    };
    enable({"LabelRPM", "EditSogliaGiri", "LabelDelay", "EditRitardoPassaggio"}, c < 2);
    enable({"LabelThresholds", "LabelTemp", "EditThresholdTemp", "ThresholdTempType"}, c < 3);
    enable({"LabelBackup2Petrol", "CheckBoxRitornoAutomatico"}, c < 3);
    enable({"BackToGasolineDelayLabel", "EditTempoBassaPressione"},
           c <= 2 && ControlAs<QCheckBox>("CheckBoxRitornoAutomatico")->isChecked());
    if (Places.Grids) {
        // Each table's row holds its grid and the captions of its rows.
        const auto table = [](TNewDrawGrid* grid, bool on) {
            grid->setEnabled(on);
            if (QWidget* row = grid->parentWidget()) row->setEnabled(on);
        };
        table(Places.Grids->Mappa_Cicchetto, c > 1);
        table(Places.Grids->MappaLivelloGas, DataMap->LevelSensorType == LevelSensorCustom ||
                                                 DataMap->LevelSensorType == LevelSensorReverseCustom);
    }
    enable({"EnableAccelerationControl"}, DataMap->MAPSensor > 0);
    enable({"EnableTPSCutOff"}, DataMap->TPSType > 0);
    if (ButtonTurbo) ButtonTurbo->setChecked(DataMap->MAP_Comp[12] > 1500);
}

void TSettingsPages::ShowConfiguration() {
    if (!DataMap) return;
    SetUpdating(true);
    // Settings that make no sense without their sensor are off before they show.
    if (DataMap->MAPSensor == 0) DataMap->AccelControlOn = false;
    if (DataMap->TPSType == TPSNone) DataMap->TPSCutOffOn = false;
#define CORVANE_SHOW_ONE(ValueType, Field, Control)                                                          \
    if (std::strcmp(#Control, "Date")) ShowValue(#Control, DataMap->Field);
#define CORVANE_SHOW_SETTING(Type, Field, Init, Block, Unit, Control, Kind, ...)                             \
    CORVANE_WITH_CONTROL(Kind, CORVANE_SHOW_ONE, Field, Control)
    CORVANE_SETTINGS(CORVANE_SHOW_SETTING)
#undef CORVANE_SHOW_SETTING
#undef CORVANE_SHOW_ONE
    ShowConfigurationDate();
    SetLambdaLimits(DataMap->LambdaType);
    ApplyEnablingRules();
    for (const char* box :
         {"EnableLambdaEmulation", "EnableLambdaController", "EnableAccelerationControl", "EnableTPSCutOff"})
        ApplyEnableBox(ControlAs<QCheckBox>(box));
    if (Places.Grids) {
        for (TNewDrawGrid* g : {Places.Grids->MappaPressRedTemp, Places.Grids->MappaGasTemp,
                                Places.Grids->MappaGasPress, Places.Grids->MappaEmissioni})
            g->update();
    }
    if (Host.ShowStatusLayout) Host.ShowStatusLayout();
    SetUpdating(false);
}

void TSettingsPages::ApplyOperatingMode(bool Compensated) {
    if (GroupPetrolMapSettings) GroupPetrolMapSettings->setVisible(Compensated);
    if (GroupSlaveDelays) GroupSlaveDelays->setVisible(!Compensated);
    for (const char* box : {"EnableLambdaController", "EnableLambdaEmulation"})
        ApplyEnableBox(ControlAs<QCheckBox>(box));
}

namespace {
template <typename T> void ReadInto(const TSettingsPages& p, const char* name, T& value);

template <> void ReadInto(const TSettingsPages& p, const char* name, int& value) {
    QWidget* w = p.Control(name);
    if (auto* edit = qobject_cast<TNumericEdit*>(w))
        value = edit->IntegerValue();
    else if (auto* spin = qobject_cast<QSpinBox*>(w))
        value = spin->value();
    else if (auto* list = qobject_cast<QComboBox*>(w))
        value = list->currentIndex();
}
template <> void ReadInto(const TSettingsPages& p, const char* name, double& value) {
    QWidget* w = p.Control(name);
    if (auto* edit = qobject_cast<TNumericEdit*>(w))
        value = edit->Value();
    else if (auto* slider = qobject_cast<QSlider*>(w))
        value = slider->value() / (std::strchr(InfoOf(name)->Format, '.') ? 10.0 : 1.0);
}
template <> void ReadInto(const TSettingsPages& p, const char* name, bool& value) {
    if (auto* b = qobject_cast<QAbstractButton*>(p.Control(name))) value = b->isChecked();
}
template <> void ReadInto(const TSettingsPages& p, const char* name, QString& value) {
    QWidget* w = p.Control(name);
    if (auto* list = qobject_cast<QComboBox*>(w))
        value = list->currentText();
    else if (auto* edit = qobject_cast<QLineEdit*>(w))
        value = edit->text();
}
template <> void ReadInto(const TSettingsPages& p, const char*, TDateEditors& value) {
    p.ReadDateEditors(value);
}
} // namespace

bool TSettingsPages::ReadSettingEditors(TSettingEditors& e) const {
#define CORVANE_READ_ONE(ValueType, Control) ReadInto(*this, #Control, e.Control);
#define CORVANE_READ_EDITOR(Type, Field, Init, Block, Unit, Control, Kind, ...)                              \
    CORVANE_WITH_CONTROL(Kind, CORVANE_READ_ONE, Control)
    CORVANE_SETTINGS(CORVANE_READ_EDITOR)
#undef CORVANE_READ_EDITOR
#undef CORVANE_READ_ONE
    return true;
}

bool TSettingsPages::ReadDateEditors(TDateEditors& d) const {
    d.DayEdit = DateEdits[0]->value();
    d.MonthEdit = DateEdits[1]->value();
    d.YearEdit = DateEdits[2]->value();
    d.DayText = DateEdits[0]->text();
    d.MonthText = DateEdits[1]->text();
    d.YearText = DateEdits[2]->text();
    return true;
}

bool TSettingsPages::NumericEditorState(const QObject* sender, TNumericEditorState& state) {
    auto* edit = qobject_cast<const TNumericEdit*>(sender);
    if (!edit) return false;
    state.HoldsReal = edit->IsReal();
    state.RealValue = edit->Value();
    state.IntegerValue = edit->IntegerValue();
    state.MinValue = edit->MinValue;
    state.MaxValue = edit->MaxValue;
    return true;
}

bool TSettingsPages::SpeedEditorValue(TSpeedEditor editor, int& value) const {
    auto* edit = ControlAs<TNumericEdit>(editor == TSpeedEditor::EditSogliaGiri ? "EditSogliaGiri"
                                                                                : "RPMThresholdEdit");
    if (!edit) return false;
    value = edit->IntegerValue();
    return true;
}

void TSettingsPages::SetSpeedEditorValue(TSpeedEditor editor, int value) {
    auto* edit = ControlAs<TNumericEdit>(editor == TSpeedEditor::EditSogliaGiri ? "EditSogliaGiri"
                                                                                : "RPMThresholdEdit");
    if (!edit) return;
    const bool was = Updating();
    SetUpdating(true);
    edit->SetValue(value);
    SetUpdating(was);
}
