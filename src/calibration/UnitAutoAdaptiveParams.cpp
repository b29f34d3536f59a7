#include "calibration/UnitAutoAdaptiveParams.h"

#include "StringIds.h"
#include "app/UserDialogs.h"
#include "config/UnitDati.h"
#include "resources/Strings.h"
#include "widgets/LeaderLabel.h"
#include "widgets/NumericEdit.h"
#include "windows/GuiHost.h"
#include "windows/SecondaryWindow.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>
#include <cmath>

TFormAutoAdaptiveParams* FormAutoAdaptiveParams = nullptr;

namespace {
// The correction moves in tenths of a percent, the clip time in whole seconds.
constexpr double CorrectionScale = 10.0;
constexpr int RangeHintTicks = 23;
} // namespace

TFormAutoAdaptiveParams::TFormAutoAdaptiveParams(TGuiHost* host, QWidget* parent)
    : QWidget(parent, Qt::Window), Host(host) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(8);

    GroupBoundingBox = new QGroupBox(this);
    GroupBoundingBox->setObjectName(QStringLiteral("GroupBoundingBox"));
    auto* box = new QGridLayout(GroupBoundingBox);
    box->setHorizontalSpacing(8);
    auto edit = [this](TNumericEdit*& e, TLeaderLabel*& label, const char* name, QGridLayout* grid, int row) {
        label = new TLeaderLabel(grid->parentWidget());
        e = new TNumericEdit(false, grid->parentWidget());
        e->setObjectName(QLatin1String(name));
        e->setFixedWidth(72);
        label->setBuddy(e);
        grid->addWidget(label, row, 0);
        grid->addWidget(e, row, 1);
        connect(e, &TNumericEdit::ValueEdited, this, [this, e] { ParameterChanged(e); });
        connect(e, &TNumericEdit::FocusEntered, this, [this] {
            if (Host) Host->SetCountdown(TGuiCountdown::RangeHint, RangeHintTicks);
        });
        connect(e, &TNumericEdit::FocusLeft, this, [this] {
            if (auto* hint = findChild<QWidget*>(QStringLiteral("GUIShowRangeLabel"))) hint->hide();
        });
    };
    edit(EditMinGiri, LabelMinGiri, "EditMinGiri", box, 0);
    edit(EditMaxGiri, LabelMaxGiri, "EditMaxGiri", box, 1);
    edit(EditMinY, LabelMinY, "EditMinY", box, 2);
    edit(EditMaxY, LabelMaxY, "EditMaxY", box, 3);
    box->setColumnStretch(0, 1);
    layout->addWidget(GroupBoundingBox);

    auto* sliders = new QGridLayout;
    sliders->setHorizontalSpacing(8);
    auto slider = [&](QSlider*& s, QLabel*& indicator, TLeaderLabel*& label, const char* name, int lo, int hi,
                      StringId unit, int row) {
        label = new TLeaderLabel(this);
        s = new QSlider(Qt::Horizontal, this);
        s->setObjectName(QLatin1String(name));
        s->setRange(lo, hi);
        s->setTickPosition(QSlider::TicksBelow);
        s->setTickInterval(std::max(1, (hi - lo) / 10));
        s->setPageStep(std::max(1, (hi - lo) / 10));
        s->setMinimumWidth(140);
        indicator = new QLabel(this);
        indicator->setObjectName(QStringLiteral("Indicator") + QLatin1String(name).mid(6));
        indicator->setFrameShape(QFrame::StyledPanel);
        indicator->setFrameShadow(QFrame::Sunken);
        indicator->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        indicator->setFixedWidth(44);
        sliders->addWidget(label, row, 0);
        sliders->addWidget(s, row, 1);
        sliders->addWidget(indicator, row, 2);
        auto* unitLabel = new QLabel(this);
        unitLabel->setProperty("captionId", int(unit));
        sliders->addWidget(unitLabel, row, 3);
        QSlider* target = s;
        connect(s, &QSlider::valueChanged, this, [this, target] {
            if (!target->isSliderDown()) ParameterChanged(target);
        });
        connect(s, &QSlider::sliderReleased, this, [this, target] { ParameterChanged(target); });
    };
    slider(SliderCorrection, IndicatorCorrection, LabelCorrection, "SliderCorrection", 0,
           int(10 * CorrectionScale), SCfgUnitPercent, 0);
    slider(SliderTempoPermanenza, IndicatorTempoPermanenza, LabelTempoPermanenza, "SliderTempoPermanenza", 5,
           25, SCfgUnitSecond, 1);
    layout->addLayout(sliders);
    layout->addStretch(1);

    SetUpSecondaryWindow(this, FormAutoAdaptiveParams, "FormAutoAdaptiveParams", {400, 270}, Host);
    if (DataMap) DataMap->AdaptivityView = this;
    ShowParameters();
}

TFormAutoAdaptiveParams::~TFormAutoAdaptiveParams() {
    if (DataMap && DataMap->AdaptivityView == this) DataMap->AdaptivityView = nullptr;
    if (FormAutoAdaptiveParams == this) FormAutoAdaptiveParams = nullptr;
}

void TFormAutoAdaptiveParams::ApplyCaptions() {
    setWindowTitle(ResStr(SAdaptiveParamsCaption));
    GroupBoundingBox->setTitle(QLatin1Char(' ') + ResStr(SAdaptBoundingBox) + QLatin1Char(' '));
    LabelMinGiri->setText(ResStr(SAdaptMinRevs));
    LabelMaxGiri->setText(ResStr(SAdaptMaxRevs));
    LabelCorrection->setText(ResStr(SAdaptCorrection));
    LabelTempoPermanenza->setText(ResStr(SAdaptClipTime));
    for (QLabel* label : findChildren<QLabel*>()) {
        const QVariant unit = label->property("captionId");
        if (unit.isValid()) label->setText(ResStr(StringId(unit.toInt())));
    }
    ShowLoadLabels();
}

void TFormAutoAdaptiveParams::ShowLoadLabels() {
    const bool slave = OperatingMode == SlaveMode;
    LabelMinY->setText(ResStr(slave ? SAdaptMinPetrolTime : SAdaptMinMAP));
    LabelMaxY->setText(ResStr(slave ? SAdaptMaxPetrolTime : SAdaptMaxMAP));
}

void TFormAutoAdaptiveParams::showEvent(QShowEvent* event) {
    ShowLoadLabels();
    QWidget::showEvent(event);
}

void TFormAutoAdaptiveParams::ShowParameters() {
    if (!DataMap) return;
    Showing = true;
    const bool slave = OperatingMode == SlaveMode;
    SliderTempoPermanenza->setValue(int(std::lround(DataMap->AdaptDwell)));
    IndicatorTempoPermanenza->setText(QString::number(SliderTempoPermanenza->value()));

    EditMinGiri->MinValue = slave ? DataMap->Giri_Slave[1] : DataMap->Giri_Comp[1];
    EditMinGiri->MaxValue = slave ? DataMap->Giri_Slave[9] : DataMap->Giri_Comp[9];
    EditMinGiri->SetValue(DataMap->AdaptMinRPM);
    EditMaxGiri->MinValue = EditMinGiri->MinValue;
    EditMaxGiri->MaxValue = EditMinGiri->MaxValue;
    EditMaxGiri->SetValue(DataMap->AdaptMaxRPM);

    EditMinY->SetReal(slave);
    EditMinY->Format = slave ? QStringLiteral("0.0") : QStringLiteral("#0");
    EditMinY->MinValue = slave ? DataMap->TempiBenzina_Slave[1] : DataMap->MAP_Comp[1];
    EditMinY->MaxValue = slave ? DataMap->TempiBenzina_Slave[12] : DataMap->MAP_Comp[12];
    EditMaxY->SetReal(EditMinY->IsReal());
    EditMaxY->Format = EditMinY->Format;
    EditMaxY->MinValue = EditMinY->MinValue;
    EditMaxY->MaxValue = EditMinY->MaxValue;
    EditMinY->SetValue(slave ? DataMap->AdaptSlaveMinY : DataMap->AdaptCompMinY);
    EditMaxY->SetValue(slave ? DataMap->AdaptSlaveMaxY : DataMap->AdaptCompMaxY);

    const double correction = slave ? DataMap->AdaptSlaveCorrection : DataMap->AdaptCompCorrection;
    SliderCorrection->setValue(int(std::lround(correction * CorrectionScale)));
    IndicatorCorrection->setText(
        FormatPicture(QStringLiteral("#0.0"), SliderCorrection->value() / CorrectionScale));
    // A mode switched while the window is open changes what the load edits mean.
    ShowLoadLabels();
    Showing = false;
}

void TFormAutoAdaptiveParams::ParameterChanged(QObject* Sender) {
    if (Showing || !DataMap) return;
    if (!DataMap->CheckRange(Sender)) {
        Dialogs().Tell(TMsgKind::Warning, ResStr(SCfgParameterOutOfRange));
        DataMap->RefreshViews();
        return;
    }
    DataMap->SaveUndo();
    DataMap->SetSaved(false);
    DataMap->ReadFromGUI();
    DataMap->DownloadBlock(9);
    ShowParameters();
}

bool TFormAutoAdaptiveParams::ReadAdaptivityEditors(TAdaptivityEditors& e) {
    e.SliderTempoPermanenza = SliderTempoPermanenza->value();
    e.EditMinGiri = EditMinGiri->IntegerValue();
    e.EditMaxGiri = EditMaxGiri->IntegerValue();
    e.SliderCorrection = SliderCorrection->value() / CorrectionScale;
    e.EditMinY = EditMinY->Value();
    e.EditMaxY = EditMaxY->Value();
    e.EditMinYInteger = EditMinY->IntegerValue();
    e.EditMaxYInteger = EditMaxY->IntegerValue();
    return true;
}
