#include "calibration/UnitMapCheck.h"

#include "StringIds.h"
#include "config/UnitDati.h"
#include "editor/NewDrawGrid.h"
#include "link/SerialLink.h"
#include "live/UnitAcquisizioni.h"
#include "resources/Strings.h"
#include "windows/SecondaryWindow.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

TFormMapCheck* FormMapCheck = nullptr;

// A title written bottom to top beside a grid.
class TVerticalTitle : public QWidget {
public:
    explicit TVerticalTitle(QWidget* parent) : QWidget(parent) {
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    }
    void SetText(const QString& text) {
        Text = text;
        updateGeometry();
        update();
    }
    QString GetText() const { return Text; }
    QSize sizeHint() const override {
        return {fontMetrics().height() + 8, fontMetrics().horizontalAdvance(Text) + 8};
    }
    QSize minimumSizeHint() const override { return {fontMetrics().height() + 8, 40}; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setPen(palette().color(QPalette::WindowText));
        p.translate(0, height());
        p.rotate(-90);
        p.drawText(QRect(0, 0, height(), width()), Qt::AlignCenter, Text);
    }

private:
    QString Text;
};

namespace {

struct TPageLook {
    const char* Name;
    TCheckPage Page;
    QColor MinColour, MaxColour;
    double Min, Max;
    QColor Text;
};

// Monotony shades the gas times from navy to sky blue; the other two leave every cell white
// but the negative ones, which turn red.
const TPageLook PageLooks[3] = {
    {"MappaTempiSlave", TCheckPage::Monotony, QColor(0x00, 0x00, 0x80), QColor(0x87, 0xCE, 0xEB), 4.0, 18.0,
     Qt::white},
    {"MappaDelay", TCheckPage::Delays, QColor(0xFF, 0x00, 0x00), QColor(0xFF, 0xFF, 0xFF), -0.001, 0.0,
     Qt::black},
    {"MappaFullOpen", TCheckPage::FullOpen, QColor(0xFF, 0x00, 0x00), QColor(0xFF, 0xFF, 0xFF), -0.001, 0.0,
     Qt::black},
};

} // namespace

TFormMapCheck::TFormMapCheck(TGuiHost* host, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), Check(*DataMap), Host(host) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    PageControl = new QTabWidget(this);
    PageControl->setObjectName(QStringLiteral("PageControl"));
    for (size_t i = 0; i < 3; ++i) {
        const TPageLook& look = PageLooks[i];
        auto* page = new QWidget(PageControl);
        auto* g = new QGridLayout(page);
        Headings[i] = new QLabel(page);
        Headings[i]->setAlignment(Qt::AlignCenter);
        Titles[i] = new TVerticalTitle(page);
        auto* grid = new TNewDrawGrid(page);
        grid->setObjectName(QLatin1String(look.Name));
        grid->SetColCount(10);
        grid->SetRowCount(13);
        grid->RowHeader = true;
        grid->Render_Type = TNewDrawGrid::Contoured;
        grid->Render_Min_color = look.MinColour;
        grid->Render_Max_color = look.MaxColour;
        grid->Render_Min_value = look.Min;
        grid->Render_Max_value = look.Max;
        grid->SetColorHeaderBackground(QColor(0xD8, 0xE4, 0xF0));
        grid->SetColorCellForeground(look.Text);
        grid->SetPallinoDiametro(0); // no working point on a check
        grid->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        const TCheckPage which = look.Page;
        grid->OnGetData = [this, which](int Row, int Col) {
            return Check.CellText(which, Row, Col, OperatingMode == CompensatedMode);
        };
        grid->installEventFilter(this);
        g->addWidget(Headings[i], 0, 1);
        g->addWidget(Titles[i], 1, 0);
        g->addWidget(grid, 1, 1);
        g->setRowStretch(1, 1);
        g->setColumnStretch(1, 1);
        Grids[i] = grid;
        Pages[i] = page;
        PageControl->addTab(page, QString());
    }
    MappaTempiSlave = Grids[0];
    MappaDelay = Grids[1];
    MappaFullOpen = Grids[2];
    layout->addWidget(PageControl, 1);

    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(6);
    ButtonSync = new QPushButton(this);
    ButtonSync->setObjectName(QStringLiteral("ButtonSync"));
    ButtonSync->setCheckable(true);
    ButtonSync->setMinimumWidth(80);
    connect(ButtonSync, &QPushButton::clicked, this, &TFormMapCheck::ButtonSyncClick);
    bottom->addWidget(ButtonSync);
    bottom->addSpacing(10);
    auto field = [this](const char* name, int width) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QLatin1String(name));
        e->setReadOnly(true);
        e->setFocusPolicy(Qt::NoFocus);
        e->setAlignment(Qt::AlignRight);
        e->setFixedWidth(width);
        return e;
    };
    QLineEdit** edits[3] = {&EditWaterTemp, &EditGasTemp, &EditGasPress};
    const char* names[3] = {"EditWaterTemp", "EditGasTemp", "EditGasPress"};
    const char* spins[3] = {"SpinWater", "SpinGas", "SpinPressure"};
    for (int i = 0; i < 3; ++i) {
        IndexLabels[size_t(i)] = new QLabel(this);
        *edits[i] = field(names[i], 56);
        IndexLabels[size_t(i)]->setBuddy(*edits[i]);
        auto arrow = [&](Qt::ArrowType type, const QString& name, int delta) {
            auto* b = new QToolButton(this);
            b->setObjectName(name);
            b->setArrowType(type);
            b->setAutoRepeat(true);
            connect(b, &QToolButton::clicked, this, [this, i, delta] { StepIndex(i, delta); });
            return b;
        };
        SpinDown[size_t(i)] = arrow(Qt::DownArrow, QLatin1String(spins[i]) + QStringLiteral("Down"), -1);
        SpinUp[size_t(i)] = arrow(Qt::UpArrow, QLatin1String(spins[i]) + QStringLiteral("Up"), 1);
        bottom->addWidget(IndexLabels[size_t(i)]);
        bottom->addWidget(SpinDown[size_t(i)]);
        bottom->addWidget(*edits[i]);
        bottom->addWidget(SpinUp[size_t(i)]);
        bottom->addSpacing(10);
    }
    IndexLabels[3] = new QLabel(this);
    EditCorrection = field("EditCorrection", 56);
    bottom->addWidget(IndexLabels[3]);
    bottom->addWidget(EditCorrection);
    LabelCorrectionUnit = new QLabel(this);
    bottom->addWidget(LabelCorrectionUnit);
    bottom->addStretch(1);
    layout->addLayout(bottom);

    SetUpSecondaryWindow(this, FormMapCheck, "FormMapCheck", {760, 560}, Host);
}

TFormMapCheck::~TFormMapCheck() {
    if (FormMapCheck == this) FormMapCheck = nullptr;
}

void TFormMapCheck::ApplyCaptions() {
    setWindowTitle(ResStr(SMapCheckCaption));
    LabelCorrectionUnit->setText(ResStr(SCfgUnitPercent));
    const StringId tabs[3] = {SCheckMonotony, SCheckDelays, SCheckFullOpen};
    for (size_t i = 0; i < 3; ++i) {
        PageControl->setTabText(PageControl->indexOf(Pages[i]), ResStr(tabs[i]));
        Headings[i]->setText(ResStr(SCheckEngineRevs));
        Titles[i]->SetText(ResStr(SCheckPetrolTimes));
    }
    if (OperatingMode == CompensatedMode) Titles[2]->SetText(ResStr(SCheckMapMbar));
    IndexLabels[0]->setText(ResStr(SCheckWater));
    IndexLabels[1]->setText(ResStr(SCheckGas));
    IndexLabels[2]->setText(ResStr(SCheckPressure));
    IndexLabels[3]->setText(ResStr(SCheckCorrection));
    ButtonSync->setText(ResStr(SCheckSync));
}

void TFormMapCheck::showEvent(QShowEvent* event) {
    Check.ResetIndices();
    const bool slave = OperatingMode != CompensatedMode;
    // Only the full-open check means anything for a map of gas times in Compensated mode.
    PageControl->setTabVisible(PageControl->indexOf(Pages[0]), slave);
    PageControl->setTabVisible(PageControl->indexOf(Pages[1]), slave);
    if (!slave) PageControl->setCurrentWidget(Pages[2]);
    Titles[2]->SetText(ResStr(slave ? SCheckPetrolTimes : SCheckMapMbar));
    ShowCorrection();
    RefreshCheck();
    QWidget::showEvent(event);
}

bool TFormMapCheck::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize)
        for (TNewDrawGrid* grid : Grids)
            if (watched == grid) {
                grid->SetDefaultColWidth(int(grid->width() * 0.98 / 10));
                grid->SetDefaultRowHeight(int(grid->height() * 0.96 / 13));
            }
    return QWidget::eventFilter(watched, event);
}

void TFormMapCheck::ShowCorrection() {
    EditWaterTemp->setText(QString::number(Check.WaterValue(), 'f', 0));
    EditGasTemp->setText(QString::number(Check.GasValue(), 'f', 0));
    EditGasPress->setText(QString::number(Check.PressureValue(), 'f', 0));
    EditCorrection->setText(QString::number(Check.Correction(), 'f', 1));
}

void TFormMapCheck::RefreshCheck() {
    if (CorrectionSynched && Acquisitions) {
        Check.FollowLiveData(Acquisitions->WaterTemp, Acquisitions->GasTemp, Acquisitions->GasPress);
        ShowCorrection();
    }
    for (TNewDrawGrid* grid : Grids)
        grid->update();
}

void TFormMapCheck::StepIndex(int which, int delta) {
    if (which == 0)
        Check.StepWater(delta);
    else if (which == 1)
        Check.StepGas(delta);
    else
        Check.StepPressure(delta);
    ShowCorrection();
    RefreshCheck();
}

void TFormMapCheck::ButtonSyncClick() {
    if (SerialLink && SerialLink->ECUisConnected()) {
        CorrectionSynched = ButtonSync->isChecked();
    } else {
        ButtonSync->setChecked(false);
        CorrectionSynched = false;
    }
    RefreshCheck();
}
