#include "calibration/UnitAutotuningKeld.h"

#include "StringIds.h"
#include "app/UserDialogs.h"
#include "calibration/UnitIndiciQualita.h"
#include "config/UnitDati.h"
#include "link/Codec.h"
#include "link/ReplyDispatch.h"
#include "link/SerialLink.h"
#include "live/UnitAcquisizioni.h"
#include "resources/Strings.h"
#include "widgets/NumericEdit.h"
#include "widgets/RoundMeter.h"
#include "windows/SecondaryWindow.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

TFormAutotuningKeld* FormAutotuningKeld = nullptr;

namespace {

const QColor SlaveTimeBackground(0xC8, 0xFF, 0xC8);
const QColor CompensatedTimeBackground(0xA6, 0xCA, 0xF0);
const QColor ToleranceColour(0x2E, 0xB8, 0x4A);
const QColor OutsideColour(0xE0, 0x4B, 0x3A);

constexpr double SlaveDeltaRange = 2;        // ms either side
constexpr double CompensatedDeltaRange = 10; // percent either side

QLabel* ValueField(const char* name, QWidget* parent) {
    auto* label = new QLabel(QStringLiteral("0"), parent);
    label->setObjectName(QLatin1String(name));
    label->setFrameShape(QFrame::StyledPanel);
    label->setFrameShadow(QFrame::Sunken);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setMinimumWidth(70);
    label->setAutoFillBackground(true);
    QPalette p = label->palette();
    p.setColor(QPalette::Window, Qt::white);
    label->setPalette(p);
    return label;
}

QLabel* SteadyLabel(const char* name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setAlignment(Qt::AlignCenter);
    // Disabled reads grey; enabled, the lit lamp of a steady reading.
    label->setStyleSheet(
        QStringLiteral("QLabel { border: 1px solid #9a9a9a; border-radius: 3px; padding: 1px 6px;"
                       " color: #8a8a8a; background: #ececec; }"
                       "QLabel:enabled { color: white; background: #2eb84a; border-color: #1f8a35;"
                       " font-weight: bold; }"));
    label->setEnabled(false);
    return label;
}

} // namespace

TFormAutotuningKeld::TFormAutotuningKeld(TGuiHost* host, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), Tuning(*DataMap, *this), Host(host) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(10);
    auto* top = new QHBoxLayout;
    top->setSpacing(12);
    layout->addLayout(top, 1);

    // ---- Left: the working point and the measured values ----
    auto* left = new QVBoxLayout;
    left->setSpacing(10);
    top->addLayout(left, 3);

    GroupWorkingPoint = new QGroupBox(this);
    GroupWorkingPoint->setObjectName(QStringLiteral("GroupWorkingPoint"));
    auto* wp = new QGridLayout(GroupWorkingPoint);
    wp->setHorizontalSpacing(8);
    auto edit = [&](TNumericEdit*& e, const char* name, bool real, const QString& format, StringId unit,
                    int row) {
        WorkingLabels[size_t(row)] = new QLabel(GroupWorkingPoint);
        e = new TNumericEdit(real, GroupWorkingPoint);
        e->setObjectName(QLatin1String(name));
        e->Format = format;
        e->setFixedWidth(80);
        WorkingLabels[size_t(row)]->setBuddy(e);
        wp->addWidget(WorkingLabels[size_t(row)], row, 0);
        wp->addWidget(e, row, 1);
        wp->addWidget(UnitLabel(unit, GroupWorkingPoint), row, 2);
    };
    edit(EditRPM, "EditRPM", false, QStringLiteral("#0"), SCfgUnitRpm, 0);
    edit(EditTime, "EditTime", true, QStringLiteral("0.0#"), SCfgUnitMs, 1);
    edit(EditTempAcqua, "EditTempAcqua", false, QStringLiteral("#0"), SCfgUnitDegreesC, 2);
    edit(EditTempGas, "EditTempGas", false, QStringLiteral("#0"), SCfgUnitDegreesC, 3);
    wp->setColumnStretch(0, 1);
    EditRPM->SetValue(2000);
    EditTempAcqua->SetValue(60);
    EditTempGas->SetValue(40);
    connect(EditTime, &TNumericEdit::ValueEdited, this, [this] { TimeEdited = true; });
    left->addWidget(GroupWorkingPoint);

    GroupMeasured = new QGroupBox(this);
    GroupMeasured->setObjectName(QStringLiteral("GroupMeasured"));
    auto* m = new QGridLayout(GroupMeasured);
    m->setHorizontalSpacing(8);
    m->setVerticalSpacing(8);
    auto measured = [&](QLabel*& value, const char* name, StringId unit, int row) {
        MeasuredLabels[size_t(row)] = new QLabel(GroupMeasured);
        value = ValueField(name, GroupMeasured);
        m->addWidget(MeasuredLabels[size_t(row)], row, 0);
        m->addWidget(value, row, 1);
        m->addWidget(UnitLabel(unit, GroupMeasured), row, 2);
    };
    measured(ShowRPM, "ShowRPM", SCfgUnitRpm, 0);
    measured(ShowTinj, "ShowTinj", SCfgUnitMs, 1);
    measured(ShowTempAcqua, "ShowTempAcqua", SCfgUnitDegreesC, 2);
    measured(ShowTempGas, "ShowTempGas", SCfgUnitDegreesC, 3);
    auto progress = [&](QProgressBar*& bar, const char* name, QLabel*& steady, const char* steadyName,
                        int row) {
        bar = new QProgressBar(GroupMeasured);
        bar->setObjectName(QLatin1String(name));
        bar->setRange(0, 100);
        bar->setValue(0);
        bar->setTextVisible(false);
        bar->setFixedHeight(14);
        bar->setMinimumWidth(90);
        steady = SteadyLabel(steadyName, GroupMeasured);
        m->addWidget(bar, row, 3);
        m->addWidget(steady, row, 4);
    };
    progress(ProgressRPM, "ProgressRPM", LabelGiriStabili, "LabelGiriStabili", 0);
    progress(ProgressTinj, "ProgressTinj", LabelTempiStabili, "LabelTempiStabili", 1);
    LabelIterations = new QLabel(GroupMeasured);
    IterationsText = ValueField("IterationsText", GroupMeasured);
    m->addWidget(LabelIterations, 4, 0);
    m->addWidget(IterationsText, 4, 1);
    m->setColumnStretch(3, 1);
    left->addWidget(GroupMeasured);

    // ---- Under them the accuracy and the kind of correction; right, the Delta meter ----
    auto* row = new QHBoxLayout;
    PanelConvergenza = new QGroupBox(this);
    PanelConvergenza->setObjectName(QStringLiteral("PanelConvergenza"));
    auto* acc = new QHBoxLayout(PanelConvergenza);
    SliderConvergenza = new QSlider(Qt::Horizontal, PanelConvergenza);
    SliderConvergenza->setObjectName(QStringLiteral("SliderConvergenza"));
    SliderConvergenza->setRange(0, 20);
    SliderConvergenza->setTickPosition(QSlider::TicksBelow);
    SliderConvergenza->setTickInterval(5);
    SliderConvergenza->setPageStep(1);
    ShowConvergenza = ValueField("ShowConvergenza", PanelConvergenza);
    ShowConvergenza->setMinimumWidth(36);
    ShowConvergenza->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    SliderConvergenza->setMinimumWidth(110);
    acc->addWidget(SliderConvergenza, 1);
    acc->addWidget(ShowConvergenza);
    acc->addWidget(UnitLabel(SCfgUnitPercent, PanelConvergenza));
    connect(SliderConvergenza, &QSlider::valueChanged, this, [this](int v) {
        Tuning.Accuracy = v;
        ShowConvergenza->setText(QString::number(v));
        if (Tuning.Compensated) {
            Tuning.UpdateDeltaSectors(false);
            SetDeltaSectors();
        }
    });
    row->addWidget(PanelConvergenza, 1);

    PanelCorrection = new QGroupBox(this);
    PanelCorrection->setObjectName(QStringLiteral("PanelCorrection"));
    auto* kind = new QVBoxLayout(PanelCorrection);
    RadioButtonRatio = new QRadioButton(PanelCorrection);
    RadioButtonRatio->setObjectName(QStringLiteral("RadioButtonRatio"));
    RadioButtonOffset = new QRadioButton(PanelCorrection);
    RadioButtonOffset->setObjectName(QStringLiteral("RadioButtonOffset"));
    kind->addWidget(RadioButtonRatio);
    kind->addWidget(RadioButtonOffset);
    connect(RadioButtonRatio, &QRadioButton::toggled, this, [this](bool on) { Tuning.StretchMap = on; });
    row->addWidget(PanelCorrection, 1);
    left->addLayout(row);
    left->addStretch(1);

    DeltaMeter = new TRoundMeter(this);
    DeltaMeter->setObjectName(QStringLiteral("DeltaMeter"));
    DeltaMeter->setMinimumSize(260, 260);
    DeltaMeter->SetSweep(240);
    DeltaMeter->SetTicks(4, 5);
    DeltaMeter->SetValueDecimals(2);
    top->addWidget(DeltaMeter, 2);

    // ---- The instruction, across the window ----
    PanelInstructions = new QGroupBox(this);
    PanelInstructions->setObjectName(QStringLiteral("PanelInstructions"));
    auto* ins = new QVBoxLayout(PanelInstructions);
    LabelInstructions = new QLabel(PanelInstructions);
    LabelInstructions->setObjectName(QStringLiteral("LabelInstructions"));
    LabelInstructions->setWordWrap(true);
    LabelInstructions->setMinimumHeight(44);
    LabelInstructions->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QFont big = LabelInstructions->font();
    big.setPointSizeF(big.pointSizeF() * 1.35);
    big.setBold(true);
    LabelInstructions->setFont(big);
    LabelInstructions->setStyleSheet(
        QStringLiteral("QLabel { background: #fffbe6; color: #1d3c6e; border: 1px solid #e0c860;"
                       " border-radius: 4px; padding: 6px 10px; }"));
    ins->addWidget(LabelInstructions);
    layout->addWidget(PanelInstructions);

    // ---- Commands ----
    auto* buttons = new QHBoxLayout;
    auto button = [&](QPushButton*& b, const char* name) {
        b = new QPushButton(this);
        b->setObjectName(QLatin1String(name));
        b->setMinimumWidth(100);
        b->setAutoDefault(false);
    };
    button(ButtonStart, "ButtonStart");
    button(ButtonResetMap, "ButtonResetMap");
    button(ButtonNozzles, "ButtonNozzles");
    button(ButtonCancel, "ButtonCancel");
    buttons->addWidget(ButtonStart);
    buttons->addWidget(ButtonResetMap);
    buttons->addWidget(ButtonNozzles);
    buttons->addStretch(1);
    buttons->addWidget(ButtonCancel);
    layout->addLayout(buttons);
    connect(ButtonStart, &QPushButton::clicked, this, &TFormAutotuningKeld::ButtonStartClick);
    connect(ButtonCancel, &QPushButton::clicked, this, &TFormAutotuningKeld::ButtonCancelClick);
    connect(ButtonResetMap, &QPushButton::clicked, this, &TFormAutotuningKeld::ButtonResetMapClick);
    connect(ButtonNozzles, &QPushButton::clicked, this, &TFormAutotuningKeld::ButtonNozzlesClick);

    TimerStep = new QTimer(this);
    TimerStep->setObjectName(QStringLiteral("TimerStep"));
    TimerStep->setInterval(TickMs);
    connect(TimerStep, &QTimer::timeout, this, &TFormAutotuningKeld::TimerStepTimer);

    setTabOrder(EditRPM, EditTime);
    setTabOrder(EditTime, EditTempAcqua);
    setTabOrder(EditTempAcqua, EditTempGas);
    setTabOrder(EditTempGas, SliderConvergenza);
    setTabOrder(SliderConvergenza, RadioButtonRatio);
    setTabOrder(RadioButtonRatio, ButtonStart);
    setTabOrder(ButtonStart, ButtonResetMap);
    setTabOrder(ButtonResetMap, ButtonNozzles);
    setTabOrder(ButtonNozzles, ButtonCancel);

    SetUpSecondaryWindow(this, FormAutotuningKeld, "FormAutotuningKeld", {780, 560}, Host);
}

TFormAutotuningKeld::~TFormAutotuningKeld() {
    if (FormAutotuningKeld == this) FormAutotuningKeld = nullptr;
}

void TFormAutotuningKeld::ApplyCaptions() {
    setWindowTitle(ResStr(SAutotuningCaption));
    GroupWorkingPoint->setTitle(ResStr(SAutoWorkingPoint));
    GroupMeasured->setTitle(ResStr(SAutoMeasured));
    PanelConvergenza->setTitle(ResStr(SAutoAccuracy));
    PanelCorrection->setTitle(ResStr(SAutoCorrectionKind));
    PanelInstructions->setTitle(ResStr(SAutoInstructions));
    const StringId working[] = {SAutoEngineSpeed, SAutoInjectionTime, SAutoMinWaterTemp, SAutoMinGasTemp};
    const StringId shown[] = {SAutoEngineSpeed, SAutoInjectionTime, SAutoWaterTemp, SAutoGasTemp};
    for (size_t i = 0; i < 4; ++i) {
        WorkingLabels[i]->setText(ResStr(working[i]));
        MeasuredLabels[i]->setText(ResStr(shown[i]));
    }
    LabelGiriStabili->setText(ResStr(SAutoSteady));
    LabelTempiStabili->setText(ResStr(SAutoSteady));
    SizeSteadyLamps();
    RadioButtonRatio->setText(ResStr(SAutoStretchMap));
    RadioButtonOffset->setText(ResStr(SAutoRaiseMap));
    LabelIterations->setText(ResStr(SAutoIteration));
    ButtonStart->setText(ResStr(SAutoStart));
    ButtonResetMap->setText(ResStr(SAutoDefaultMap));
    ButtonNozzles->setText(ResStr(SAutoNozzles));
    ButtonCancel->setText(ResStr(Tuning.Finished ? SAutoExit : SAutoCancel));
    DeltaMeter->SetName(ResStr(Tuning.Compensated ? SAutoCorrect : SAutoDelta));
    for (const auto& [label, unit] : UnitLabels)
        label->setText(ResStr(unit));
    Tuning.RefreshInstruction();
    LabelInstructions->setText(Tuning.InstructionText);
}

QLabel* TFormAutotuningKeld::UnitLabel(StringId unit, QWidget* parent) {
    auto* label = new QLabel(ResStr(unit), parent);
    UnitLabels.emplace_back(label, unit);
    return label;
}

bool TFormAutotuningKeld::EcuConnected() {
    return SerialLink && SerialLink->ECUisConnected();
}

// Lit, a lamp's text is bold: room for that, the padding and the border, in any language and at
// the font the window has once scaled to the screen.
void TFormAutotuningKeld::SizeSteadyLamps() {
    for (QLabel* lamp : {LabelGiriStabili, LabelTempiStabili}) {
        QFont bold = lamp->font();
        bold.setBold(true);
        lamp->setMinimumWidth(QFontMetrics(bold).horizontalAdvance(lamp->text()) + 2 * 6 + 2 + 8);
    }
}

void TFormAutotuningKeld::showEvent(QShowEvent* event) {
    SizeSteadyLamps();
    QWidget::showEvent(event);
    if (Opened) return; // a restore from the task bar is no new opening
    Opened = true;
    const bool compensated = OperatingMode == CompensatedMode;
    if (!TimeEdited) EditTime->SetValue(DataMap->Cylinders >= 6 ? 3.5 : 4.5);
    Tuning.Open(compensated);
    SliderConvergenza->setValue(Tuning.Accuracy);
    ShowConvergenza->setText(QString::number(Tuning.Accuracy));
    RadioButtonRatio->setChecked(true);
    Tuning.StretchMap = true;

    SetIdleControls();
    ButtonCancel->setText(ResStr(SAutoCancel));
    for (QLabel* l : {ShowRPM, ShowTinj, ShowTempAcqua, ShowTempGas})
        l->setText(QStringLiteral("0"));
    QPalette p = ShowTinj->palette();
    p.setColor(QPalette::Window, compensated ? CompensatedTimeBackground : SlaveTimeBackground);
    ShowTinj->setPalette(p);
    ButtonResetMap->setVisible(!compensated);
    ButtonNozzles->setVisible(!compensated);
    PanelCorrection->setVisible(!compensated);

    const double range = compensated ? CompensatedDeltaRange : SlaveDeltaRange;
    DeltaMeter->SetRange(-range, range);
    DeltaMeter->SetUnit(ResStr(compensated ? SCfgUnitPercent : SCfgUnitMs));
    DeltaMeter->SetName(ResStr(compensated ? SAutoCorrect : SAutoDelta));
    DeltaMeter->SetLabelDecimals(compensated ? 0 : 1);
    DeltaMeter->SetValueDecimals(compensated ? 1 : 2);
    DeltaMeter->SetValue(0);
    DeltaMeter->ResetMarks();
    SetDeltaSectors();
    ShowProcedure();
    LabelInstructions->setText(Tuning.InstructionText);

    // The technician watches the map being corrected.
    if (DataMap->MainView) DataMap->MainView->ShowGasMapPage();
    if (Acquisitions) Acquisitions->SetStatusUpdate(true);
    DataMap->EnableMapRefresh = true;
    TimerStep->start();
}

void TFormAutotuningKeld::closeEvent(QCloseEvent* event) {
    TimerStep->stop();
    Opened = false;
    Tuning.Close();
    QWidget::closeEvent(event);
}

void TFormAutotuningKeld::SetIdleControls() {
    ButtonStart->setEnabled(EcuConnected());
    ButtonCancel->setEnabled(false);
    ButtonResetMap->setEnabled(!Tuning.Compensated);
    ButtonNozzles->setEnabled(true);
    for (TNumericEdit* e : {EditRPM, EditTime, EditTempAcqua, EditTempGas})
        e->setEnabled(true);
}

void TFormAutotuningKeld::SetDeltaSectors() {
    // The procedure places the sectors on a 0..1000 scale with 500 at zero.
    const double range = Tuning.Compensated ? CompensatedDeltaRange : SlaveDeltaRange;
    auto value = [range](int scale) { return (scale - 500) * range / 500; };
    const double a = std::clamp(value(Tuning.Sector1End), -range, range);
    const double b = std::clamp(value(Tuning.Sector2End), -range, range);
    DeltaMeter->SetSectors({{-range, a, OutsideColour}, {a, b, ToleranceColour}, {b, range, OutsideColour}});
}

void TFormAutotuningKeld::ShowMeasured(const TTuningLive& live) {
    ShowRPM->setText(QString::number(live.RPM));
    ShowTinj->setText(QString::number(Tuning.Compensated ? live.GasTime0 : live.PetrolTime0, 'f', 2));
    ShowTempAcqua->setText(QString::number(live.WaterTemp, 'f', 0));
    ShowTempGas->setText(QString::number(live.GasTemp, 'f', 0));
    IterationsText->setText(QString::number(Tuning.Iterations));
}

void TFormAutotuningKeld::ShowProcedure() {
    ProgressRPM->setValue(Tuning.ProgressRPM);
    ProgressTinj->setValue(Tuning.ProgressTinj);
    LabelGiriStabili->setEnabled(Tuning.RPMSteady);
    LabelTempiStabili->setEnabled(Tuning.TimeSteady);
    DeltaMeter->SetValue(Tuning.Delta);
    IterationsText->setText(QString::number(Tuning.Iterations));
}

void TFormAutotuningKeld::TimerStepTimer() {
    if (Tuning.Step != 0) {
        // The instruction, followed by none to three dots, so that a waiting step shows life.
        const QString shown = LabelInstructions->text();
        const QString& text = Tuning.InstructionText;
        if (!shown.startsWith(text) || shown.size() > text.size() + 2)
            LabelInstructions->setText(text);
        else
            LabelInstructions->setText(shown + QLatin1Char('.'));
    }
    ShowMeasured(LiveData());
    const int sector1 = Tuning.Sector1End, sector2 = Tuning.Sector2End;
    const int step = Tuning.Step;
    Tuning.Tick();
    if (Tuning.Sector1End != sector1 || Tuning.Sector2End != sector2) SetDeltaSectors();
    ShowProcedure();
    if (Tuning.Step != step &&
        (Tuning.Step == 0 || !LabelInstructions->text().startsWith(Tuning.InstructionText)))
        LabelInstructions->setText(Tuning.InstructionText);
}

void TFormAutotuningKeld::ButtonStartClick() {
    Tuning.WorkingRPM = EditRPM->IntegerValue();
    Tuning.WorkingTime = EditTime->Value();
    Tuning.MinWaterTemp = EditTempAcqua->Value();
    Tuning.MinGasTemp = EditTempGas->Value();
    Tuning.Accuracy = SliderConvergenza->value();
    Tuning.StretchMap = RadioButtonRatio->isChecked();
    if (!Tuning.Start()) {
        Dialogs().Tell(TMsgKind::Warning, Tuning.Refusal);
        return;
    }
    for (QWidget* w : std::initializer_list<QWidget*>{EditRPM, EditTime, EditTempAcqua, EditTempGas,
                                                      ButtonStart, ButtonResetMap, ButtonNozzles})
        w->setEnabled(false);
    ButtonCancel->setText(ResStr(SAutoCancel));
    ButtonCancel->setEnabled(true);
    LabelInstructions->setText(Tuning.InstructionText);
    ShowProcedure();
}

void TFormAutotuningKeld::ButtonCancelClick() {
    const bool exit = Tuning.Cancel();
    ButtonCancel->setText(ResStr(SAutoCancel));
    SetIdleControls();
    LabelInstructions->setText(Tuning.InstructionText);
    ShowProcedure();
    if (exit) close();
}

void TFormAutotuningKeld::ButtonResetMapClick() {
    if (Dialogs().Ask(TMsgKind::Confirmation, ResStr(SAutoResetGasMap), mbYes | mbNo) != mbYes) return;
    DataMap->SetDefaultSlaveMaps(DataMap->Fuel);
    DataMap->DownloadBothBanks(false);
    if (DataMap->MainView) {
        DataMap->MainView->UpdateColourRanges();
        DataMap->MainView->RepaintMapGrid(TMapGridId::MappaGas_Slave);
    }
}

void TFormAutotuningKeld::ButtonNozzlesClick() {
    if (!FormIndiciQualita) return;
    FormIndiciQualita->show();
    FormIndiciQualita->raise();
    FormIndiciQualita->activateWindow();
}

// ---- TConsumerInterface ----

void TFormAutotuningKeld::FrameReceived(const TFrame& Reply) {
    if (FrameCommand(Reply.Data) == ReplyCode(cmdFuelSwitch)) {
        Tuning.FuelSwitchReplied();
        LabelInstructions->setText(Tuning.InstructionText);
    }
}

// ---- TAutotuningHost ----

TTuningLive TFormAutotuningKeld::LiveData() {
    TTuningLive live;
    if (!Acquisitions) return live;
    const TAcquisitions& a = *Acquisitions;
    live.RPM = a.RPM;
    live.PetrolTime0 = a.PetrolTime[0];
    live.PetrolTime4 = a.PetrolTime[4];
    live.GasTime0 = a.GasTime[0];
    live.GasTime4 = a.GasTime[4];
    live.WaterTemp = a.WaterTemp;
    live.GasTemp = a.GasTemp;
    live.GasTrim1 = a.GasTrim1;
    live.GasTrim2 = a.GasTrim2;
    live.Petrol = a.Petrol;
    live.GasPending = a.GasPending;
    return live;
}

void TFormAutotuningKeld::SendFuelSwitch(uint8_t data) {
    SendCommand(CommandBody(cmdFuelSwitch) + char(data), this, false);
}

void TFormAutotuningKeld::SendBackToPetrol() {
    SendCommand(CommandBody(cmdFuelSwitch) + char(2), nullptr, false);
}

void TFormAutotuningKeld::GasMapChanged(bool compensated) {
    DataMap->RefreshViews();
    if (DataMap->MainView) DataMap->MainView->UpdateColourRanges();
    DataMap->DownloadBothBanks(compensated);
}

void TFormAutotuningKeld::FlagsChanged(bool lambdaToo) {
    DataMap->RefreshViews();
    DataMap->DownloadBlock(2);
    if (lambdaToo) DataMap->DownloadBlock(5);
}

void TFormAutotuningKeld::Succeeded() {
    LabelInstructions->setText(Tuning.InstructionText);
    ButtonCancel->setText(ResStr(SAutoExit));
    ButtonNozzles->setEnabled(true);
    if (DataMap->MainView) DataMap->MainView->ShowTransientMessage(ResStr(SAutoSuccessful), 1500);
}

void TFormAutotuningKeld::Stopped(const QString& message) {
    SetIdleControls();
    LabelInstructions->setText(Tuning.InstructionText);
    Dialogs().Tell(TMsgKind::Warning, message);
}
