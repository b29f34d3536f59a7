#include "live/UnitAcquisitionPanel.h"

#include "StringIds.h"
#include "app/UserDialogs.h"
#include "config/UnitDati.h"
#include "link/SerialLink.h"
#include "live/RecordingFile.h"
#include "live/UnitAcquisizioni.h"
#include "resources/Strings.h"
#include "widgets/BarMeter.h"
#include "widgets/RoundMeter.h"
#include "widgets/Thermometer.h"
#include "windows/SecondaryWindow.h"

#include <QAction>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDoubleValidator>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QLocale>
#include <QMenu>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QValueAxis>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>
#include <cmath>

TFormAcquisitionPanel* FormAcquisitionPanel = nullptr;

namespace {

constexpr int TraceRowHeight = 22;
const QColor PetrolFace(0xC8, 0xFF, 0xC8);
const QColor GasFace(0xC8, 0xFF, 0xFA);

QColor Rgb(uint32_t rgb) {
    return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

// A value indicator under a gauge: green figures on a dark, sunken display.
QLabel* ValueIndicator(QWidget* parent, const QString& name) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet(QStringLiteral("QLabel { background: #101810; color: #40ff60; border: 2px inset #606060;"
                                        " font-family: monospace; font-weight: bold; padding: 0px 3px; }"));
    label->setMinimumWidth(48);
    return label;
}

QString Fixed(double value, int decimals) {
    return QLocale().toString(value, 'f', decimals);
}

// A Max as its edit shows it: no thousands separator, which would not fit in four characters.
QString MaxText(double max) {
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(max, 'g', 4);
}

} // namespace

QColor TraceRowEndColour(const QColor& colour) {
    const uint32_t packed = uint32_t(colour.blue()) * 65536u + uint32_t(colour.green()) * 256u + uint32_t(colour.red());
    const uint32_t half = packed / 2;
    return QColor(half & 0xFF, (half >> 8) & 0xFF, (half >> 16) & 0xFF);
}

TFormAcquisitionPanel::TFormAcquisitionPanel(TGuiHost* host, QWidget* parent)
    : QDialog(parent, Qt::Window), Host(host) {
    Now = [] { return QTime::currentTime(); };
    ChartRedraw = new QTimer(this);
    ChartRedraw->setSingleShot(true);
    ChartRedraw->setInterval(200);
    connect(ChartRedraw, &QTimer::timeout, this, &TFormAcquisitionPanel::RedrawTraces);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    BuildTracePanel();
    BuildMeterPanel();
    BuildInjectionPanel();
    layout->addWidget(PanelGraph, 1);
    layout->addWidget(PanelMeters);
    layout->addWidget(PanelBottom);
    ClearTraces();
    SetUpSecondaryWindow(this, FormAcquisitionPanel, "FormAcquisitionPanel", {1280, 700}, Host);
    if (Acquisitions) Acquisitions->SetDisplay(this);
}

TFormAcquisitionPanel::~TFormAcquisitionPanel() {
    if (Acquisitions && Acquisitions->GetDisplay() == this) Acquisitions->SetDisplay(nullptr);
    if (FormAcquisitionPanel == this) FormAcquisitionPanel = nullptr;
}

// ---- Building -------------------------------------------------------------------------------

void TFormAcquisitionPanel::BuildTracePanel() {
    PanelGraph = new QFrame(this);
    PanelGraph->setObjectName(QStringLiteral("PanelGraph"));
    auto* row = new QHBoxLayout(PanelGraph);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);

    auto* list = new QWidget(PanelGraph);
    auto* listLayout = new QVBoxLayout(list);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->setSpacing(2);
    auto* headings = new QHBoxLayout;
    HeadingTrace = new QLabel(list);
    HeadingMax = new QLabel(list);
    QFont bold = HeadingTrace->font();
    bold.setBold(true);
    HeadingTrace->setFont(bold);
    HeadingMax->setFont(bold);
    headings->addSpacing(22);
    headings->addWidget(HeadingTrace, 1);
    headings->addWidget(HeadingMax);
    headings->addSpacing(18);
    listLayout->addLayout(headings);

    auto* scroll = new QScrollArea(list);
    scroll->setObjectName(QStringLiteral("TraceScrollBox"));
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* rows = new QWidget(scroll);
    TraceRowsBox = rows;
    TraceScroll = scroll;
    QFont titleFont(QStringLiteral("Arial"));
    titleFont.setPointSize(10);
    titleFont.setBold(true);
    for (int k = 0; k < TraceCount; ++k) {
        const TTraceInfo& info = TraceTable[size_t(k)];
        const QColor colour = Rgb(info.Colour);
        auto* rowFrame = new QFrame(rows);
        const QColor end = TraceRowEndColour(colour);
        rowFrame->setStyleSheet(QStringLiteral("QFrame { background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 %1,"
                                               " stop:1 %2); }")
                                    .arg(colour.name(), end.name()));
        auto* box = new QCheckBox(rowFrame);
        box->setObjectName(QStringLiteral("TraceCheck%1").arg(k));
        box->setGeometry(3, 2, 18, TraceRowHeight - 5);
        box->setStyleSheet(QStringLiteral("QCheckBox { background: transparent; }"));
        box->setChecked(info.StandardPreset);
        connect(box, &QCheckBox::clicked, this, &TFormAcquisitionPanel::TraceCheckBoxClick);
        auto* title = new QLabel(rowFrame);
        title->setObjectName(QStringLiteral("TraceTitle%1").arg(k));
        title->setFont(titleFont);
        title->setStyleSheet(QStringLiteral("QLabel { background: transparent; color: %1; }")
                                 .arg(colour.blue() >= 128 ? QStringLiteral("black") : QStringLiteral("white")));
        auto* max = new QLineEdit(rowFrame);
        max->setObjectName(QStringLiteral("TraceMax%1").arg(k));
        max->setMaxLength(4);
        max->setAlignment(Qt::AlignRight);
        max->setStyleSheet(QStringLiteral("QLineEdit { background: white; color: black; }"));
        auto* validator = new QDoubleValidator(0, 9999, 2, max);
        validator->setNotation(QDoubleValidator::StandardNotation);
        max->setValidator(validator);
        Maxes[size_t(k)] = info.DefaultMax;
        max->setText(MaxText(info.DefaultMax));
        connect(max, &QLineEdit::textEdited, this, [this, k](const QString& text) {
            bool ok = false;
            const double v = QLocale().toDouble(text, &ok);
            if (ok) Maxes[size_t(k)] = v;
        });
        connect(max, &QLineEdit::returnPressed, this, [this, k] { MaxEditReturnPressed(k); });
        TraceRows[size_t(k)] = rowFrame;
        CheckBoxes[size_t(k)] = box;
        TitleLabels[size_t(k)] = title;
        MaxEdits[size_t(k)] = max;
    }
    LayOutTraceRows();
    scroll->setWidget(rows);
    listLayout->addWidget(scroll, 1);

    auto* buttons = new QHBoxLayout;
    ButtonLoad = new QPushButton(list);
    ButtonLoad->setObjectName(QStringLiteral("ButtonLoad"));
    ButtonLoad->setCheckable(true);
    ButtonSave = new QPushButton(list);
    ButtonSave->setObjectName(QStringLiteral("ButtonSave"));
    ButtonSave->setCheckable(true);
    // The buttons show the state; their clicks act through the handlers, which set it.
    connect(ButtonLoad, &QPushButton::clicked, this, [this] {
        ButtonLoad->setChecked(Acquisitions && Acquisitions->Loading);
        ButtonLoadClick();
    });
    connect(ButtonSave, &QPushButton::clicked, this, [this] {
        ButtonSave->setChecked(Acquisitions && Acquisitions->Saving);
        ButtonSaveClick();
    });
    RateMenu = new QMenu(this);
    RateMenu->setObjectName(QStringLiteral("RateMenu"));
    Standard1 = RateMenu->addAction(QString());
    Standard1->setObjectName(QStringLiteral("Standard1"));
    Standard1->setCheckable(true);
    SuperFast1 = RateMenu->addAction(QString());
    SuperFast1->setObjectName(QStringLiteral("SuperFast1"));
    SuperFast1->setCheckable(true);
    // A checkable action has toggled its check mark by the time it reports the choice.
    connect(Standard1, &QAction::triggered, this, &TFormAcquisitionPanel::StandardClick);
    connect(SuperFast1, &QAction::triggered, this, &TFormAcquisitionPanel::SuperFastClick);
    ButtonSave->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ButtonSave, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { RateMenu->popup(ButtonSave->mapToGlobal(at)); });
    buttons->addWidget(ButtonLoad);
    buttons->addWidget(ButtonSave);
    listLayout->addLayout(buttons);
    row->addWidget(list);

    Chart = new QChart;
    Chart->legend()->hide();
    Chart->setBackgroundRoundness(0);
    Chart->setMargins(QMargins(4, 4, 8, 4));
    AxisX = new QValueAxis(Chart);
    AxisX->setObjectName(QStringLiteral("Chart1TimeAxis"));
    AxisX->setLabelFormat(QStringLiteral("%.0f"));
    AxisY = new QValueAxis(Chart);
    AxisY->setObjectName(QStringLiteral("Chart1ValueAxis"));
    AxisY->setLabelFormat(QStringLiteral("%.0f"));
    AxisY->setRange(0, 100);
    AxisY->setTickCount(11);
    for (QValueAxis* axis : {AxisX, AxisY}) {
        axis->setLabelsColor(QColor(0xe8, 0xe8, 0xff));
        axis->setGridLineColor(QColor(0x70, 0x60, 0xa0));
        axis->setLinePenColor(QColor(0xc0, 0xc0, 0xe0));
    }
    AxisX->setTickType(QValueAxis::TicksDynamic);
    AxisX->setTickAnchor(0);
    AxisX->setTickInterval(10);
    Chart->addAxis(AxisX, Qt::AlignBottom);
    Chart->addAxis(AxisY, Qt::AlignLeft);
    for (int k = 0; k < TraceCount; ++k) {
        auto* data = new QLineSeries(this);
        data->setObjectName(QStringLiteral("Trace%1").arg(k));
        data->blockSignals(true);
        Traces[size_t(k)] = data;
        auto* drawn = new QLineSeries(Chart);
        drawn->setObjectName(QStringLiteral("DrawnTrace%1").arg(k));
        drawn->setPen(QPen(Rgb(TraceTable[size_t(k)].Colour), 1.5));
        Chart->addSeries(drawn);
        drawn->attachAxis(AxisX);
        drawn->attachAxis(AxisY);
        drawn->blockSignals(true);
        Drawn[size_t(k)] = drawn;
        ShowTrace(k, TraceTable[size_t(k)].StandardPreset);
    }
    AxisX->setRange(0, 100);
    // A zoom (the rubber band, the wheel) or a new size of the plot needs the traces thinned for
    // the new scale.
    connect(AxisX, &QValueAxis::rangeChanged, this, &TFormAcquisitionPanel::ChartViewChanged);
    connect(AxisY, &QValueAxis::rangeChanged, this, &TFormAcquisitionPanel::ChartViewChanged);
    connect(Chart, &QChart::plotAreaChanged, this, &TFormAcquisitionPanel::ChartViewChanged);
    Chart1 = new QChartView(Chart, PanelGraph);
    Chart1->setObjectName(QStringLiteral("Chart1"));
    // 23 traces of up to 2000 points each: smoothing their edges costs more than it shows at
    // two points a pixel, and would hold up the polling that shares this thread.
    Chart1->setRenderHint(QPainter::Antialiasing, false);
    Chart1->setRubberBand(QChartView::HorizontalRubberBand);
    Chart1->viewport()->installEventFilter(this);
    Chart1->installEventFilter(this);
    ApplyChartBackground();
    row->addWidget(Chart1, 1);
}

void TFormAcquisitionPanel::BuildMeterPanel() {
    PanelMeters = new QFrame(this);
    PanelMeters->setObjectName(QStringLiteral("PanelMeters"));
    PanelMeters->setFrameShape(QFrame::StyledPanel);
    PanelMeters->setFixedHeight(190);
    auto* row = new QHBoxLayout(PanelMeters);
    row->setContentsMargins(6, 4, 6, 4);
    row->setSpacing(10);

    auto gauge = [this, row](TRoundMeter*& meter, QLabel*& value, const char* name, const char* valueName, int sweep) {
        auto* column = new QVBoxLayout;
        column->setSpacing(2);
        meter = new TRoundMeter(PanelMeters);
        meter->setObjectName(QLatin1String(name));
        meter->SetSweep(sweep);
        meter->SetShowValueText(false);
        meter->setMinimumSize(150, 140);
        value = ValueIndicator(PanelMeters, QLatin1String(valueName));
        column->addWidget(meter, 1);
        column->addWidget(value, 0, Qt::AlignHCenter);
        row->addLayout(column, 1);
    };
    gauge(MeterRPM, RPMValue, "MeterRPM", "RPMValue", 270);
    MeterRPM->SetRange(0, 8);
    MeterRPM->SetTicks(8, 5);
    MeterRPM->SetSectors({{6, 8, QColor(0xe0, 0x30, 0x20)}});
    gauge(PressMeter, PressValue, "PressMeter", "PressValue", 180);
    PressMeter->SetTicks(5, 4);
    PressMeter->SetLabelDecimals(1);
    gauge(LambdaMeter, LambdaValue, "LambdaMeter", "LambdaValue", 120);
    LambdaMeter->SetTicks(2, 5);
    LambdaMeter->SetLabelDecimals(1);

    TempGas = new TThermometer(PanelMeters);
    TempGas->setObjectName(QStringLiteral("TempGas"));
    TempGas->SetRange(-20, 100);
    TempWater = new TThermometer(PanelMeters);
    TempWater->setObjectName(QStringLiteral("TempWater"));
    TempWater->SetRange(-20, 100);
    row->addWidget(TempGas);
    row->addWidget(TempWater);

    auto* bars = new QVBoxLayout;
    AccumulatorVoltage = new TBarMeter(Qt::Horizontal, PanelMeters);
    AccumulatorVoltage->setObjectName(QStringLiteral("AccumulatorVoltage"));
    AccumulatorVoltage->SetRange(0, 15);
    AccumulatorVoltage->SetUnit(QStringLiteral("V"));
    AccumulatorVoltage->SetBarColour(QColor(0x30, 0x90, 0xe0));
    AccumulatorVoltage->setMinimumWidth(200);
    bars->addWidget(AccumulatorVoltage);
    bars->addStretch(1);
    row->addLayout(bars, 1);
    LivelloGas = new TBarMeter(Qt::Vertical, PanelMeters);
    LivelloGas->setObjectName(QStringLiteral("LivelloGas"));
    LivelloGas->SetRange(0, 100);
    LivelloGas->SetUnit(QStringLiteral("%"));
    LivelloGas->SetDecimals(0);
    LivelloGas->SetBarColour(QColor(0x20, 0xb0, 0x40));
    LivelloGas->setMinimumWidth(80);
    row->addWidget(LivelloGas);
}

void TFormAcquisitionPanel::BuildInjectionPanel() {
    PanelBottom = new QFrame(this);
    PanelBottom->setObjectName(QStringLiteral("PanelBottom"));
    PanelBottom->setFrameShape(QFrame::StyledPanel);
    PanelBottom->setFixedHeight(118);
    auto* row = new QHBoxLayout(PanelBottom);
    row->setContentsMargins(4, 2, 4, 2);
    auto group = [this, row](QLabel*& heading, std::array<TRoundMeter*, 8>& meters, std::array<QLabel*, 8>& values,
                             const char* prefix, const QColor& face, bool letters) {
        auto* column = new QVBoxLayout;
        column->setSpacing(1);
        heading = new QLabel(PanelBottom);
        QFont bold = heading->font();
        bold.setBold(true);
        heading->setFont(bold);
        heading->setAlignment(Qt::AlignCenter);
        column->addWidget(heading);
        auto* grid = new QGridLayout;
        grid->setSpacing(2);
        for (int c = 0; c < 8; ++c) {
            auto* meter = new TRoundMeter(PanelBottom);
            meter->setObjectName(QStringLiteral("%1%2").arg(QLatin1String(prefix)).arg(c + 1));
            meter->SetSweep(180);
            meter->SetRange(0, 30);
            meter->SetTicks(3, 5);
            meter->SetName(letters ? QString(QChar('A' + c)) : QString::number(c + 1));
            meter->SetFaceColour(face);
            meter->SetShowValueText(false);
            meter->setMinimumWidth(70);
            meter->setFixedHeight(58);
            auto* value = ValueIndicator(PanelBottom, QStringLiteral("%1%2Value").arg(QLatin1String(prefix)).arg(c + 1));
            value->setMinimumWidth(40);
            grid->addWidget(meter, 0, c);
            grid->addWidget(value, 1, c, Qt::AlignHCenter);
            meters[size_t(c)] = meter;
            values[size_t(c)] = value;
        }
        column->addLayout(grid);
        column->addStretch(1);
        row->addLayout(column, 1);
    };
    group(HeadingPetrol, InjBenz, InjBenzValue, "InjBenz", PetrolFace, false);
    auto* line = new QFrame(PanelBottom);
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    row->addWidget(line);
    group(HeadingGas, InjGass, InjGassValue, "InjGass", GasFace, true);
}

void TFormAcquisitionPanel::ApplyCaptions() {
    setWindowTitle(ResStr(SDisplayCaption));
    ButtonLoad->setText(ResStr(SAcqButtonLoad));
    ButtonLoad->setToolTip(ResStr(SAcqHintLoad));
    ButtonSave->setText(ResStr(SAcqButtonSave));
    ButtonSave->setToolTip(ResStr(SAcqHintSave));
    HeadingTrace->setText(ResStr(SAcqTraceHeading));
    HeadingMax->setText(ResStr(SAcqMaxHeading));
    HeadingPetrol->setText(ResStr(SAcqPetrolInjTimes));
    HeadingGas->setText(ResStr(SAcqGasInjTimes));
    Standard1->setText(ResStr(SAcqRateStandard));
    SuperFast1->setText(ResStr(SAcqRateSuperFast));
    for (int k = 0; k < TraceCount; ++k) {
        const QString title = ResStr(TraceTable[size_t(k)].Title);
        TitleLabels[size_t(k)]->setText(title);
        Traces[size_t(k)]->setName(title);
        Drawn[size_t(k)]->setName(title);
    }
    LayOutTraceRows();
    MeterRPM->SetName(ResStr(SGaugeEngineRevs));
    MeterRPM->SetUnit(ResStr(SGaugeUnitRPM));
    PressMeter->SetName(ResStr(SGaugeGasPressure));
    PressMeter->SetUnit(ResStr(SGaugeUnitBar));
    LambdaMeter->SetName(ResStr(SGaugeLambda));
    LambdaMeter->SetUnit(QStringLiteral("V"));
    TempGas->SetName(ResStr(SGaugeGasTemp));
    TempWater->SetName(ResStr(SGaugeWaterTemp));
    AccumulatorVoltage->SetName(ResStr(SGaugeBattery));
    LivelloGas->SetName(ResStr(SGaugeGasLevel));
    for (TRoundMeter* m : InjBenz)
        m->SetUnit(ResStr(SGaugeUnitMs));
    for (TRoundMeter* m : InjGass)
        m->SetUnit(ResStr(SGaugeUnitMs));
}

// The trace list is as wide as its longest name in the language shown needs.
void TFormAcquisitionPanel::LayOutTraceRows() {
    constexpr int TitleLeft = 22, MaxWidth = 44;
    int titleWidth = 130;
    for (const QLabel* title : TitleLabels)
        titleWidth = std::max(titleWidth, title->fontMetrics().horizontalAdvance(title->text()) + 4);
    titleWidth = std::min(titleWidth, 330); // the chart keeps most of the window
    const int rowWidth = TitleLeft + titleWidth + 2 + MaxWidth + 2;
    TraceRowsBox->setFixedSize(rowWidth, TraceCount * TraceRowHeight);
    for (int k = 0; k < TraceCount; ++k) {
        TraceRows[size_t(k)]->setGeometry(0, k * TraceRowHeight, rowWidth, TraceRowHeight - 1);
        TitleLabels[size_t(k)]->setGeometry(TitleLeft, 0, titleWidth, TraceRowHeight - 1);
        MaxEdits[size_t(k)]->setGeometry(TitleLeft + titleWidth + 2, 2, MaxWidth, TraceRowHeight - 5);
    }
    TraceScroll->setFixedWidth(rowWidth + TraceScroll->verticalScrollBar()->sizeHint().width() + 4);
}

void TFormAcquisitionPanel::ApplyChartBackground() {
    QLinearGradient background(0, 0, 0, 1);
    background.setCoordinateMode(QGradient::ObjectBoundingMode);
    background.setColorAt(0, QColor(0x40, 0x00, 0x80));
    background.setColorAt(1, GradientEnd);
    Chart->setBackgroundBrush(background);
}

// ---- The per-tick update --------------------------------------------------------------------

double TFormAcquisitionPanel::LastTime(int index) const {
    const QLineSeries* s = Traces[size_t(index)];
    return s->count() > 0 ? s->at(s->count() - 1).x() : 0.0;
}

void TFormAcquisitionPanel::UpdateDisplay() {
    if (!Acquisitions) return;
    const TAcquisitions& a = *Acquisitions;
    for (int c = 0; c < 8; ++c) {
        const double petrol = a.PetrolTime[size_t(c)];
        InjBenz[size_t(c)]->SetValue(petrol);
        InjBenzValue[size_t(c)]->setText(Fixed(petrol, 2));
        InjBenz[size_t(c)]->SetFaceGradientVisible(a.PetrolFlag[size_t(c)]);
        const double gas = a.Petrol ? 0.0 : a.GasTime[size_t(c)];
        InjGass[size_t(c)]->SetValue(gas);
        InjGassValue[size_t(c)]->setText(Fixed(gas, 2));
        InjGass[size_t(c)]->SetFaceGradientVisible(a.GasFlag[size_t(c)]);
    }
    MeterRPM->SetValue(a.RPM / 1000.0);
    RPMValue->setText(QString::number(a.RPM));
    AccumulatorVoltage->SetValue(a.Battery);
    TempWater->SetValue(a.WaterTemp);
    TempGas->SetValue(a.GasTemp);
    LivelloGas->SetValue(a.GasLevel);
    LambdaMeter->SetValue(a.Lambda1);
    LambdaValue->setText(Fixed(a.Lambda1, 2));
    PressMeter->SetValue(a.GasPressAvg / 1000.0);
    PressValue->setText(Fixed(a.GasPressAvg / 1000.0, 3));

    const QTime now = Now();
    double dt = 0.001;
    if (LastTime(0) != 0 && PreviousUpdate.isValid()) {
        int ms = std::abs(PreviousUpdate.msecsTo(now));
        // Times of day: a step across midnight is the short way round.
        if (ms > 12 * 3600 * 1000) ms = 24 * 3600 * 1000 - ms;
        dt = ms / 1000.0;
    }
    PreviousUpdate = now;
    const double t = LastTime(0) + dt;

    const TTraceValues values = a.TraceValues();
    LastRecordingLine = TAcquisitions::DataLine(t, values);
    if (!a.Loading)
        for (int k = 0; k < TraceCount; ++k)
            AddTracePoint(k, LastTime(k) + dt, values[size_t(k)]);
    if (a.Saving) Acquisitions->WriteDataLine(LastRecordingLine);

    if (!a.Loading) {
        const QLineSeries* first = Traces[0];
        int drop = 0;
        while (first->count() - drop > 1 && first->at(first->count() - 1).x() - first->at(drop).x() > 100)
            ++drop;
        if (drop > 0) {
            for (QLineSeries* s : Traces)
                s->removePoints(0, std::min(drop, int(s->count())));
            // Every change of the axis redraws all traces: it waits for the batched redraw.
            ScrollFrom = first->at(0).x();
            ScrollTo = first->at(first->count() - 1).x();
            if (!ChartRedraw->isActive()) ChartRedraw->start();
        }
    }
}

void TFormAcquisitionPanel::AddTracePoint(int index, double time, double value) {
    if (index < 0 || index >= TraceCount) return;
    const double max = Maxes[size_t(index)];
    Traces[size_t(index)]->append(time, max != 0 ? value * 100.0 / max : value);
    if (!ChartRedraw->isActive()) ChartRedraw->start();
}

QList<QPointF> TFormAcquisitionPanel::Thinned(const QList<QPointF>& points, double from, double to) const {
    // The points inside the time axis, with one more on each side for the lines to the edges.
    auto first = std::lower_bound(points.cbegin(), points.cend(), from,
                                  [](const QPointF& p, double x) { return p.x() < x; });
    auto last = std::upper_bound(first, points.cend(), to, [](double x, const QPointF& p) { return x < p.x(); });
    if (first != points.cbegin()) --first;
    if (last != points.cend()) ++last;
    const QRectF plot = Chart->plotArea();
    const double ySpan = AxisY->max() - AxisY->min();
    if (plot.width() < 2 || plot.height() < 2 || to <= from || ySpan <= 0) return QList<QPointF>(first, last);

    // Each pixel column keeps its first and last point and, between them in time order, its
    // lowest and highest; a run of points on one pixel row keeps its two ends. The lines drawn
    // through what is kept cover the pixels of the lines through every point, give or take half
    // a pixel in height along a run.
    const double xScale = plot.width() / (to - from);
    const double yScale = plot.height() / ySpan;
    const double yTop = AxisY->max();
    QList<QPointF> kept;
    kept.reserve(std::min<qsizetype>(last - first, qsizetype(4 * plot.width()) + 4));
    int rowBefore = INT_MIN, rowLast = INT_MIN; // the pixel rows of the last two points kept
    auto keep = [&](const QPointF& p) {
        const int row = int(std::lround((yTop - p.y()) * yScale));
        if (kept.size() >= 2 && row == rowLast && row == rowBefore) {
            kept.back() = p;
            return;
        }
        kept.append(p);
        rowBefore = rowLast;
        rowLast = row;
    };
    for (auto it = first; it != last;) {
        const auto column = long(std::floor((it->x() - from) * xScale));
        auto end = it + 1;
        while (end != last && long(std::floor((end->x() - from) * xScale)) == column)
            ++end;
        if (end - it <= 4) {
            for (; it != end; ++it)
                keep(*it);
            continue;
        }
        auto [low, high] = std::minmax_element(it + 1, end - 1, [](const QPointF& a, const QPointF& b) { return a.y() < b.y(); });
        if (high < low) std::swap(low, high);
        keep(*it);
        keep(*low);
        if (high != low) keep(*high);
        keep(*(end - 1));
        it = end;
    }
    return kept;
}

void TFormAcquisitionPanel::RedrawTraces() {
    ChartRedraw->stop();
    RethinQueued = false;
    const bool scroll = ScrollTo >= 0 && (AxisX->min() != ScrollFrom || AxisX->max() != ScrollTo);
    const double from = scroll ? ScrollFrom : AxisX->min();
    const double to = scroll ? ScrollTo : AxisX->max();
    ScrollFrom = ScrollTo = -1;
    // The chart is not told of the new points yet: a change of the time axis recomputes every
    // trace anyway, and telling it twice would double the work.
    for (int k = 0; k < TraceCount; ++k) {
        QLineSeries* drawn = Drawn[size_t(k)];
        if (drawn->isVisible())
            drawn->replace(Thinned(Traces[size_t(k)]->points(), from, to));
        else if (drawn->count() > 0)
            drawn->clear(); // an empty hidden trace costs nothing when the axis moves
    }
    if (scroll) {
        SettingAxis = true;
        AxisX->setRange(from, to);
        SettingAxis = false;
        // An axis too close to the old one to count as a change has not redrawn the traces.
        if (AxisX->min() == from && AxisX->max() == to) return;
    }
    for (QLineSeries* s : Drawn) {
        if (!s->isVisible()) continue;
        s->blockSignals(false);
        emit s->pointsReplaced();
        s->blockSignals(true);
    }
}

void TFormAcquisitionPanel::ChartViewChanged() {
    if (SettingAxis || RethinQueued) return;
    RethinQueued = true;
    QTimer::singleShot(0, this, [this] {
        if (RethinQueued) RedrawTraces();
    });
}

void TFormAcquisitionPanel::ClearTraces() {
    const QList<QPointF> origin{QPointF(0, 0)};
    for (QLineSeries* s : Traces)
        s->replace(origin);
    RedrawTraces();
}

void TFormAcquisitionPanel::ResetAxes() {
    ScrollFrom = ScrollTo = -1;
    AxisX->setRange(0, 100);
    AxisY->setRange(0, 100);
}

void TFormAcquisitionPanel::SetTimeAxis(double from, double to) {
    ScrollFrom = ScrollTo = -1;
    AxisX->setRange(from, to > from ? to : from + 1);
    RedrawTraces();
}

void TFormAcquisitionPanel::ResetGaugeMarks() {
    PressMeter->ResetMarks();
    for (TRoundMeter* m : InjBenz)
        m->ResetMarks();
    for (TRoundMeter* m : InjGass)
        m->ResetMarks();
}

// ---- The trace list -------------------------------------------------------------------------

QString TFormAcquisitionPanel::TraceTitle(int index) const {
    return TitleLabels[size_t(index)]->text();
}

bool TFormAcquisitionPanel::TraceVisible(int index) const {
    return CheckBoxes[size_t(index)]->isChecked();
}

double TFormAcquisitionPanel::TraceMax(int index) const {
    return Maxes[size_t(index)];
}

void TFormAcquisitionPanel::ShowTrace(int index, bool visible) {
    Traces[size_t(index)]->setVisible(visible);
    Drawn[size_t(index)]->setVisible(visible);
}

void TFormAcquisitionPanel::SetTraceVisible(int index, bool visible) {
    CheckBoxes[size_t(index)]->setChecked(visible);
    ShowTrace(index, visible);
    // A hidden trace was not redrawn while it gathered points.
    if (visible) RedrawTraces();
}

void TFormAcquisitionPanel::SetTraceMax(int index, double max) {
    Maxes[size_t(index)] = max;
    MaxEdits[size_t(index)]->setText(MaxText(max));
}

void TFormAcquisitionPanel::TraceCheckBoxClick() {
    for (int k = 0; k < TraceCount; ++k)
        ShowTrace(k, CheckBoxes[size_t(k)]->isChecked());
    RedrawTraces();
}

void TFormAcquisitionPanel::MaxEditReturnPressed(int index) {
    bool ok = false;
    const double v = QLocale().toDouble(MaxEdits[size_t(index)]->text(), &ok);
    if (ok) Maxes[size_t(index)] = v;
    if (Acquisitions && Acquisitions->Loading && !Acquisitions->LoadedFileName().isEmpty())
        Acquisitions->ReadTraces(Acquisitions->LoadedFileName());
}

void TFormAcquisitionPanel::ApplyPreset(bool superFast) {
    for (int k = 0; k < TraceCount; ++k) {
        const TTraceInfo& info = TraceTable[size_t(k)];
        SetTraceVisible(k, superFast ? info.SuperFastPreset : info.StandardPreset);
    }
}

// ---- Rate menu and buttons ------------------------------------------------------------------

void TFormAcquisitionPanel::CheckRateItems(bool standard, bool superFast) {
    Standard1->setChecked(standard);
    SuperFast1->setChecked(superFast);
}

void TFormAcquisitionPanel::StandardClick() {
    if (!Acquisitions) return;
    const bool on = Standard1->isChecked();
    Acquisitions->SetSuperFast(!on);
    Acquisitions->SetStandard(on);
    if (Acquisitions->Standard) ApplyPreset(false);
}

void TFormAcquisitionPanel::SuperFastClick() {
    if (!Acquisitions) return;
    const bool on = SuperFast1->isChecked();
    Acquisitions->SetStandard(!on);
    Acquisitions->SetSuperFast(on);
    if (Acquisitions->SuperFast) ApplyPreset(true);
}

void TFormAcquisitionPanel::EnableSaveButton(bool enabled) {
    ButtonSave->setEnabled(enabled);
}

void TFormAcquisitionPanel::PressSaveButton(bool down) {
    ButtonSave->setChecked(down);
}

void TFormAcquisitionPanel::EnableLoadButton(bool enabled) {
    ButtonLoad->setEnabled(enabled);
}

void TFormAcquisitionPanel::PressLoadButton(bool down) {
    ButtonLoad->setChecked(down);
}

void TFormAcquisitionPanel::ShowDisplayState(TDisplayState state, const QString& fileName) {
    setWindowTitle(DisplayCaption(state, fileName));
    GradientEnd = Rgb(DisplayGradientEnd(state));
    ApplyChartBackground();
}

namespace {

QString RecordingFilter() {
    return ResStr(SFilterTextFile) + QStringLiteral(";;") + ResStr(SFilterAllFiles);
}

// The dialogs' default extension: a name typed without one gets ".txt".
QString WithDefaultExtension(const QString& name) {
    return QFileInfo(name).suffix().isEmpty() ? name + QStringLiteral(".txt") : name;
}

} // namespace

void TFormAcquisitionPanel::ButtonSaveClick() {
    if (!Acquisitions) return;
    if (Acquisitions->Saving) {
        if (Dialogs().Ask(TMsgKind::Confirmation, ResStr(SAskStopSaving), mbYes | mbNo) == mbYes)
            Acquisitions->StopSaving();
        return;
    }
    const QString name = Dialogs().SaveFileName(ResStr(SAcqSaveTitle), RecordingFilter(), QString());
    if (name.isEmpty()) {
        Acquisitions->SetSaving(false);
        return;
    }
    Acquisitions->StartSaving(WithDefaultExtension(name));
}

void TFormAcquisitionPanel::ButtonLoadClick() {
    if (!Acquisitions) return;
    if (Acquisitions->Loading) {
        Acquisitions->EndLoading();
        return;
    }
    const QString name = Dialogs().OpenFileName(ResStr(SAcqLoadTitle), RecordingFilter(), QString());
    if (name.isEmpty()) {
        Acquisitions->SetLoading(false);
        return;
    }
    Acquisitions->LoadFile(name);
}

// ---- Opening, layout switch, closing --------------------------------------------------------

void TFormAcquisitionPanel::FormShow() {
    for (TRoundMeter* m : InjBenz)
        m->ResetMarks();
    for (TRoundMeter* m : InjGass)
        m->ResetMarks();

    int type = DataMap ? DataMap->LambdaType : 1;
    if (type == 2 || type == 3 || type == 5)
        LambdaMeter->SetRange(0, 5);
    else if (type == 4)
        LambdaMeter->SetRange(0.8, 1.6);
    else
        LambdaMeter->SetRange(0, 1);

    if (DataMap) {
        auto press = [](int i) { return DataMap->GetTableValue(TMapTypeOfData::PressioneGas, i); };
        auto corr = [](int i) { return DataMap->GetTableValue(TMapTypeOfData::CorrPressioneGas, i); };
        const double first = press(1), last = press(15);
        PressMeter->SetRange(first / 1000.0, last / 1000.0);
        // Sector bounds in thousandths of the scale, as the breakpoints give them.
        auto unit = [&](int i) { return last > first ? std::lround((press(i) - first) * 1000.0 / (last - first)) : 0L; };
        int i = 1;
        while (i <= 15 && corr(i) > 10)
            ++i;
        if (i > 1) --i;
        const long end1 = unit(std::min(i, 15));
        while (i <= 15 && corr(i) > -10)
            ++i;
        const long end2 = unit(std::min(i > 1 ? i - 1 : i, 15));
        auto toBar = [&](long u) { return (first + (last - first) * u / 1000.0) / 1000.0; };
        PressMeter->SetSectors({{toBar(0), toBar(end1), QColor(0xe0, 0x40, 0x30)},
                                {toBar(end1), toBar(end2), QColor(0x30, 0xc0, 0x40)},
                                {toBar(end2), toBar(1000), QColor(0xf0, 0xb0, 0x20)}});
    }
    PressMeter->ResetMarks();

    if (Acquisitions) Acquisitions->SetStandard(true);
    Standard1->setChecked(true);
    SuperFast1->setChecked(false);
    if (!(SerialLink && SerialLink->ECUisConnected())) ButtonSave->setEnabled(false);
}

void TFormAcquisitionPanel::Chart1DblClick() {
    PanelMeters->setVisible(!PanelMeters->isVisible());
}

bool TFormAcquisitionPanel::FormCloseQuery() {
    if (!Acquisitions || !Acquisitions->Saving) return true;
    return Dialogs().Ask(TMsgKind::Confirmation, ResStr(SAskCloseWhileSaving), mbOK | mbCancel) == mbOK;
}

void TFormAcquisitionPanel::FormClose() {
    if (!Acquisitions) return;
    Acquisitions->SetStandard(false);
    Acquisitions->SetSuperFast(false);
    if (Acquisitions->Saving) Acquisitions->StopSaving();
    if (Acquisitions->Loading) Acquisitions->EndLoading();
}

void TFormAcquisitionPanel::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TFormAcquisitionPanel::closeEvent(QCloseEvent* event) {
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    FormClose();
    QDialog::closeEvent(event);
}

void TFormAcquisitionPanel::reject() {
    // Escape and the close box both come here on a dialog.
    if (!FormCloseQuery()) return;
    FormClose();
    QDialog::reject();
}

bool TFormAcquisitionPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick && (watched == Chart1 || watched == Chart1->viewport())) {
        Chart1DblClick();
        return true;
    }
    // The wheel pans the chart along the time axis; dragging a band zooms into it and the right
    // button zooms back out.
    if (event->type() == QEvent::Wheel && watched == Chart1->viewport()) {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        const int steps = (wheel->angleDelta().y() + wheel->angleDelta().x()) / 120;
        Chart->scroll(-steps * Chart->plotArea().width() / 10, 0);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
