#include "live/StatusPanel.h"

#include "config/UnitDati.h"
#include "link/SerialLink.h"
#include "live/RecordingFile.h"
#include "live/UnitAcquisizioni.h"
#include "resources/Strings.h"
#include "widgets/Lamp.h"
#include "windows/UnitGlowingLabel.h"

#include <QAbstractButton>
#include <QChart>
#include <QChartView>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QMenu>
#include <QTimer>
#include <QToolButton>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

namespace {

const QColor PetrolGreen(0x00, 0x80, 0x00);
const QColor GasTeal(0x00, 0x80, 0x80);
const QColor RichRed(0xFF, 0x00, 0x00);
const QColor LeanBlue(0x00, 0x00, 0xFF);
const QColor DarkGrey(0x20, 0x20, 0x20);

struct TSeriesInfo {
    const char* Name;
    const char* MenuName;
    StringId Title;
    QColor Colour;
    bool Dotted;
    bool InitiallyShown;
};

const TSeriesInfo SeriesTable[TStatusPanel::LambdaSeriesCount] = {
    {"Series1", "LambdaChart_Lambda1", STraceLambda1, QColor(0x00, 0xFF, 0x00), false, true},
    {"Series4", "LambdaChart_Lambda2", STraceLambda2, QColor(0x00, 0xFF, 0xFF), false, false},
    {"Series3", "LambdaChart_FuelTrim1", STraceGasTrim1, QColor(0xFF, 0x00, 0x00), false, false},
    {"Series7", "LambdaChart_FuelTrim2", STraceGasTrim2, QColor(0xFF, 0xFF, 0x00), false, false},
    {"Series2", "LambdaChart_Reference", STraceReference, QColor(0xC0, 0xC0, 0xC0), true, false},
    {"Series5", "LambdaChart_EmuLambda1", STraceEmulate1, QColor(0xFF, 0xFF, 0xFF), false, false},
    {"Series6", "LambdaChart_EmuLambda2", STraceEmulate2, QColor(0xC0, 0xC0, 0xC0), false, false},
};

void SetTextColour(QWidget* w, const QColor& colour) {
    QPalette palette = w->palette();
    if (palette.color(QPalette::WindowText) == colour && palette.color(QPalette::ButtonText) == colour)
        return;
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::ButtonText, colour);
    w->setPalette(palette);
}

// Keeps a frame of indicators in the bottom-right corner of its page, whatever the page's size.
class TCornerAnchor : public QObject {
public:
    TCornerAnchor(QWidget* page, QWidget* frame) : QObject(frame), Page(page), Frame(frame) {
        page->installEventFilter(this);
        Place();
    }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Resize || event->type() == QEvent::Show) Place();
        return false;
    }

private:
    void Place() {
        Frame->adjustSize();
        Frame->move(Page->width() - Frame->width() - 8, Page->height() - Frame->height() - 8);
        Frame->raise();
    }
    QWidget* Page;
    QWidget* Frame;
};

QFrame* IndicatorFrame(QWidget* page, const char* name) {
    auto* frame = new QFrame(page);
    frame->setObjectName(QLatin1String(name));
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setFrameShadow(QFrame::Raised);
    return frame;
}

} // namespace

QString PetrolTimeText(double ms, int rpm) {
    if (rpm > 0) {
        if (ms == 0) return ResStr(SStatusCutOff);
        // One engine cycle is two turns of the crankshaft.
        if (ms >= 120000.0 / rpm) return ResStr(SStatusFullOp);
    }
    return FormatFixed(ms, 4, 2);
}

double SamplingPeriodAt(int periodMin, int periodMax, int rpm) {
    // Beyond 6000 rpm the line would run past the shortest period, even below 0.
    const double speed = std::clamp(rpm, 0, 6000);
    return periodMax - (periodMax - periodMin) * speed / 6000.0;
}

TStatusPanel::TStatusPanel(const TStatusPlaces& places, QObject* parent) : QObject(parent), Places(places) {
    Connected = [] { return SerialLink && SerialLink->ECUisConnected(); };
    AnnounceFuel = [](const QString& text) {
        if (FormGlowingLabel) FormGlowingLabel->Show(text);
    };
    SetStatusText = [](int, const QString&) {};
    Now = [] { return QTime::currentTime(); };
    PressureBlinker = new QTimer(this);
    PressureBlinker->setInterval(250);
    connect(PressureBlinker, &QTimer::timeout, this,
            [this] { StatusPressure->setChecked(!StatusPressure->isChecked()); });
    BuildPanel();
    BuildPageIndicators();
    BuildChart();
    ApplyCaptions();
}

QLabel* TStatusPanel::AddCaption(int row, int column, StringId text, int span) {
    auto* grid = static_cast<QGridLayout*>(Places.PanelStatus->layout());
    auto* label = new QLabel(ResStr(text), Places.PanelStatus);
    label->setProperty("captionId", int(text));
    grid->addWidget(label, row, column, 1, span);
    return label;
}

QLabel* TStatusPanel::AddField(int row, int column, const char* name, StringId hint) {
    auto* grid = static_cast<QGridLayout*>(Places.PanelStatus->layout());
    auto* field = new QLabel(Places.PanelStatus);
    field->setObjectName(QLatin1String(name));
    field->setToolTip(ResStr(hint));
    field->setProperty("hintId", int(hint));
    field->setFrameShape(QFrame::Panel);
    field->setFrameShadow(QFrame::Sunken);
    field->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    field->setAutoFillBackground(true);
    QPalette palette = field->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, Qt::black);
    field->setPalette(palette);
    QFont f = field->font();
    f.setBold(true);
    f.setStyleHint(QFont::Monospace);
    field->setFont(f);
    field->setMinimumWidth(66);
    field->setContentsMargins(3, 0, 4, 0);
    grid->addWidget(field, row, column);
    return field;
}

void TStatusPanel::BuildPanel() {
    auto* grid = new QGridLayout(Places.PanelStatus);
    grid->setContentsMargins(8, 6, 8, 6);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);

    // Left: speed, load, injection, temperatures and pressure.
    AddCaption(0, 0, SStatusRPM)->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    StatusRPM = AddField(0, 1, "StatusRPM", SHintStatusRPM);
    LabelMAP = AddCaption(1, 0, SStatusMAP);
    LabelMAP->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    StatusMAP = AddField(1, 1, "StatusMAP", SHintStatusMAP);
    LabelTPS = AddCaption(2, 0, SStatusTPS);
    LabelTPS->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    StatusTPS = AddField(2, 1, "StatusTPS", SHintStatusTPS);

    AddCaption(0, 2, SStatusInjection);
    auto* ms = AddCaption(0, 3, SStatusMs);
    ms->setAlignment(Qt::AlignCenter);
    LabelBank1 = AddCaption(1, 3, SStatusBank1);
    LabelBank1->setAlignment(Qt::AlignCenter);
    LabelBank2 = AddCaption(1, 4, SStatusBank2);
    LabelBank2->setAlignment(Qt::AlignCenter);
    AddCaption(2, 2, SStatusPetrol);
    StatusGasolineInjTimeL = AddField(2, 3, "StatusGasolineInjTimeL", SHintPetrolInjTime);
    StatusGasolineInjTimeR = AddField(2, 4, "StatusGasolineInjTimeR", SHintPetrolInjTime);
    AddCaption(3, 2, SStatusGas);
    StatusGasInjTimeL = AddField(3, 3, "StatusGasInjTimeL", SHintGasInjTime);
    StatusGasInjTimeR = AddField(3, 4, "StatusGasInjTimeR", SHintGasInjTime);

    AddCaption(4, 0, SStatusWater, 2);
    StatusReducerTemp = AddField(4, 2, "StatusReducerTemp", SHintReducerTemp);
    AddCaption(5, 0, SStatusGasTemp, 2);
    StatusGasTemp = AddField(5, 2, "StatusGasTemp", SHintGasTemp);
    AddCaption(6, 0, SStatusPressure, 2);
    StatusPressure = new QToolButton(Places.PanelStatus);
    StatusPressure->setObjectName(QStringLiteral("StatusPressure"));
    StatusPressure->setCheckable(true);
    StatusPressure->setToolTip(ResStr(SHintGasPressure));
    StatusPressure->setProperty("hintId", int(SHintGasPressure));
    StatusPressure->setToolButtonStyle(Qt::ToolButtonTextOnly);
    StatusPressure->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    StatusPressure->setStyleSheet(QStringLiteral(
        "QToolButton { background: white; border: 1px inset #808080; font-weight: bold; padding: 1px 4px; }"
        "QToolButton:checked { background: #ffb000; }"));
    // A display, not a control: clicks must not change its state.
    StatusPressure->setAttribute(Qt::WA_TransparentForMouseEvents);
    grid->addWidget(StatusPressure, 6, 2);

    LabelPower = AddCaption(4, 3, SStatusPower);
    LabelPower->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    StatusPowerLabel = new QLabel(ResStr(SStatusPower), Places.PanelStatus);
    StatusPowerLabel->setObjectName(QStringLiteral("StatusPowerLabel"));
    QFont power = StatusPowerLabel->font();
    power.setBold(true);
    power.setPointSizeF(power.pointSizeF() * 1.4);
    StatusPowerLabel->setFont(power);
    grid->addWidget(StatusPowerLabel, 4, 4, 2, 1);

    // A divider, then the lambda block.
    auto* line = new QFrame(Places.PanelStatus);
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    grid->addWidget(line, 0, 5, 7, 1);

    LabelLambda = AddCaption(1, 7, SStatusLambda);
    LabelLambda->setAlignment(Qt::AlignCenter);
    LabelLambda1 = AddCaption(1, 6, SStatusLambda1);
    LabelLambda1->setAlignment(Qt::AlignCenter);
    LabelLambda2 = AddCaption(1, 7, SStatusLambda2);
    LabelLambda2->setAlignment(Qt::AlignCenter);
    LabelLambdaValue = AddCaption(2, 6, SStatusLambdaValue);
    // The value caption sits left of the fields: column 6 holds the first probe's field, so
    // the caption takes its own column.
    auto* gridLayout = static_cast<QGridLayout*>(Places.PanelStatus->layout());
    gridLayout->removeWidget(LabelLambda1);
    gridLayout->removeWidget(LabelLambda2);
    gridLayout->removeWidget(LabelLambda);
    gridLayout->removeWidget(LabelLambdaValue);
    gridLayout->addWidget(LabelLambda1, 1, 7);
    gridLayout->addWidget(LabelLambda2, 1, 8);
    gridLayout->addWidget(LabelLambda, 1, 8);
    gridLayout->addWidget(LabelLambdaValue, 2, 6);
    StatusLambdaL = AddField(2, 7, "StatusLambdaL", SHintLambda1);
    StatusLambdaR = AddField(2, 8, "StatusLambdaR", SHintLambda2);
    LabelReference = AddCaption(3, 6, SStatusReference);
    StatusLambdaRef = AddField(3, 8, "StatusLambdaRef", SHintLambdaRef);
    LabelGasTrim = AddCaption(4, 6, SStatusGasTrim);
    StatusFuelTrimL = AddField(4, 7, "StatusFuelTrimL", SHintFuelTrim);
    StatusFuelTrimR = AddField(4, 8, "StatusFuelTrimR", SHintFuelTrim);
    grid->setRowStretch(7, 1);
    grid->setColumnStretch(9, 1);
}

void TStatusPanel::BuildPageIndicators() {
    if (QWidget* page = Places.FunctionsPage) {
        QFrame* frame = IndicatorFrame(page, "FuelLampsFrame");
        auto* row = new QHBoxLayout(frame);
        row->setContentsMargins(6, 4, 6, 4);
        auto lamp = [frame, row](const char* name, const QColor& colour, const QString& letter) {
            auto* l = new TLamp(frame);
            l->setObjectName(QLatin1String(name));
            l->SetColour(colour);
            l->SetText(letter);
            l->setFixedSize(24, 24);
            row->addWidget(l);
            return l;
        };
        LedPetrol = lamp("LedPetrol", QColor(0x40, 0xe0, 0x40), QString());
        LedGas = lamp("LedGas", QColor(0xff, 0xe8, 0x00), QStringLiteral("G"));
        row->addSpacing(12);
        LedLevels[0] = lamp("LedLevelR", QColor(0xff, 0x30, 0x20), QString());
        const char* names[4] = {"LedLevel1", "LedLevel2", "LedLevel3", "LedLevel4"};
        for (int i = 0; i < 4; ++i)
            LedLevels[size_t(i + 1)] = lamp(names[i], QColor(0x30, 0xf0, 0x30), QString());
        // Under the power-mode button where the page has that panel, else in the page's corner.
        auto* panel = page->findChild<QFrame*>(QStringLiteral("PanelPowerMode"));
        if (panel && panel->layout()) {
            frame->setParent(panel);
            panel->layout()->addWidget(frame);
        } else {
            new TCornerAnchor(page, frame);
        }
    }
    QLabel* pageRich = Places.LambdaPage
                           ? Places.LambdaPage->findChild<QLabel*>(QStringLiteral("StatusRichControlSpeed"))
                           : nullptr;
    QLabel* pageLean = Places.LambdaPage
                           ? Places.LambdaPage->findChild<QLabel*>(QStringLiteral("StatusLeanControlSpeed"))
                           : nullptr;
    QLabel* pagePeriod =
        Places.LambdaPage
            ? Places.LambdaPage->findChild<QLabel*>(QStringLiteral("StatusLambdaControlSamplingPeriod"))
            : nullptr;
    if (pageRich && pageLean && pagePeriod) {
        // The settings page has the fields in its gas trim box already.
        const std::pair<QLabel*, StringId> fields[] = {{pageRich, SHintRichControlSpeed},
                                                       {pageLean, SHintLeanControlSpeed},
                                                       {pagePeriod, SHintSamplingPeriod}};
        for (const auto& [f, hint] : fields)
            f->setToolTip(ResStr(hint));
        StatusRichControlSpeed = pageRich;
        StatusLeanControlSpeed = pageLean;
        StatusLambdaControlSamplingPeriod = pagePeriod;
    } else if (QWidget* page = Places.LambdaPage) {
        QFrame* frame = IndicatorFrame(page, "GasTrimIndicatorsFrame");
        auto* grid = new QGridLayout(frame);
        grid->setContentsMargins(6, 4, 6, 4);
        auto field = [frame, grid](int row, const char* name, StringId hint) {
            auto* caption = new QLabel(ResStr(hint), frame);
            auto* f = new QLabel(frame);
            f->setObjectName(QLatin1String(name));
            f->setToolTip(ResStr(hint));
            f->setFrameShape(QFrame::Panel);
            f->setFrameShadow(QFrame::Sunken);
            f->setMinimumWidth(56);
            f->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            grid->addWidget(caption, row, 0);
            grid->addWidget(f, row, 1);
            return f;
        };
        StatusRichControlSpeed = field(0, "StatusRichControlSpeed", SHintRichControlSpeed);
        StatusLeanControlSpeed = field(1, "StatusLeanControlSpeed", SHintLeanControlSpeed);
        StatusLambdaControlSamplingPeriod =
            field(2, "StatusLambdaControlSamplingPeriod", SHintSamplingPeriod);
        new TCornerAnchor(page, frame);
    }
    if (QWidget* page = Places.DrivabilityPage) {
        GradientAccelerationControlActive = new QFrame(page);
        GradientAccelerationControlActive->setObjectName(QStringLiteral("GradientAccelerationControlActive"));
        GradientAccelerationControlActive->setFixedSize(120, 14);
        GradientAccelerationControlActive->setStyleSheet(QStringLiteral(
            "#GradientAccelerationControlActive { background: qlineargradient(x1:0, y1:0, x2:1, y2:0,"
            " stop:0 #ffffff, stop:1 #ff8000); border: 1px solid #804000; }"));
        GradientAccelerationControlActive->hide();
        new TCornerAnchor(page, GradientAccelerationControlActive);
    }
}

void TStatusPanel::BuildChart() {
    QChart* chart = Places.Chart;
    PopupMenu1 = new QMenu(Places.ChartView);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    for (int i = 0; i < LambdaSeriesCount; ++i) {
        const TSeriesInfo& info = SeriesTable[i];
        auto* series = new QLineSeries(chart);
        series->setObjectName(QLatin1String(info.Name));
        QPen pen(info.Colour, 1.6);
        if (info.Dotted) pen.setStyle(Qt::DotLine);
        series->setPen(pen);
        chart->addSeries(series);
        series->attachAxis(Places.TimeAxis);
        series->attachAxis(Places.ValueAxis);
        series->setVisible(info.InitiallyShown);
        LambdaSeries[size_t(i)] = series;

        QAction* entry = PopupMenu1->addAction(QString());
        entry->setObjectName(QLatin1String(info.MenuName));
        entry->setCheckable(true);
        connect(entry, &QAction::triggered, this, [series](bool checked) { series->setVisible(checked); });
    }
    connect(PopupMenu1, &QMenu::aboutToShow, this, &TStatusPanel::PopupMenuAboutToShow);
    Places.ChartView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Places.ChartView, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu1->popup(Places.ChartView->mapToGlobal(at)); });
    ApplyChartBackground();
}

void TStatusPanel::PopupMenuAboutToShow() {
    const QList<QAction*> entries = PopupMenu1->actions();
    for (int i = 0; i < LambdaSeriesCount && i < entries.size(); ++i)
        entries[i]->setChecked(LambdaSeries[size_t(i)]->isVisible());
}

void TStatusPanel::ApplyCaptions() {
    for (QLabel* label : Places.PanelStatus->findChildren<QLabel*>()) {
        const QVariant id = label->property("captionId");
        if (id.isValid()) label->setText(ResStr(StringId(id.toInt())));
    }
    for (QWidget* w : Places.PanelStatus->findChildren<QWidget*>()) {
        const QVariant id = w->property("hintId");
        if (id.isValid()) w->setToolTip(ResStr(StringId(id.toInt())));
    }
    // The next ShowStatus on a running engine announces the fuel once more.
    StatusPowerLabel->setText(ResStr(SStatusPower));
    const QList<QAction*> entries = PopupMenu1->actions();
    for (int i = 0; i < LambdaSeriesCount; ++i) {
        LambdaSeries[size_t(i)]->setName(ResStr(SeriesTable[i].Title));
        entries[i]->setText(ResStr(SeriesTable[i].Title));
    }
}

void TStatusPanel::ApplyChartBackground() {
    QLinearGradient background(0, BackgroundReversed ? 1 : 0, 0, BackgroundReversed ? 0 : 1);
    background.setCoordinateMode(QGradient::ObjectBoundingMode);
    background.setColorAt(0, BackgroundStart);
    background.setColorAt(1, BackgroundEnd);
    Places.Chart->setBackgroundBrush(background);
}

void TStatusPanel::ShowStatusLayout() {
    if (!DataMap) return;
    const int p = DataMap->LambdaProbes;
    const int t = DataMap->LambdaType;
    const bool two = p > 1;
    for (QWidget* w :
         std::initializer_list<QWidget*>{LabelLambda1, LabelLambda2, StatusLambdaL, StatusFuelTrimL,
                                         LabelBank1, LabelBank2, StatusGasInjTimeL, StatusGasolineInjTimeL})
        w->setVisible(two);
    LabelLambda->setVisible(!two);

    const bool trim = DataMap->LambdaControllerOn;
    const bool emulation = DataMap->LambdaEmulationOn;
    LambdaSeries[SeriesLambda2]->setVisible(two);
    LambdaSeries[SeriesReference]->setVisible(trim || emulation);
    LambdaSeries[SeriesEmulated1]->setVisible(emulation);
    LambdaSeries[SeriesEmulated2]->setVisible(emulation && two);

    double from = 0, to = 1;
    if (t == 2 || t == 3 || t == 5) to = 5;
    if (t == 4) from = 0.8, to = 1.6;
    Places.ValueAxis->setRange(from, to);
    // A tenth of a volt per tick over one volt or less; over five volts that would crowd the
    // labels into each other, so the wide ranges step by half a volt.
    Places.ValueAxis->setTickCount(int(std::lround((to - from) / (to - from > 1 ? 0.5 : 0.1))) + 1);
    const bool inverted = t == 3 || t == 5;
    Places.ValueAxis->setReverse(inverted);
    BackgroundReversed = inverted;
    ApplyChartBackground();
}

double TStatusPanel::LambdaAxisMaximum() const {
    return Places.ValueAxis->max();
}

bool TStatusPanel::PressureFlashing() const {
    return PressureBlinker->isActive();
}

void TStatusPanel::ShowStatus() {
    if (!Acquisitions || !DataMap) return;
    const TAcquisitions& a = *Acquisitions;
    const TDataMap& d = *DataMap;
    const bool two = d.LambdaProbes > 1;
    const int t = d.LambdaType;
    const bool connected = Connected && Connected();

    // 1, 2: injection times.
    if (two) {
        StatusGasolineInjTimeL->setText(PetrolTimeText(a.PetrolTime[0], a.RPM));
        StatusGasolineInjTimeR->setText(PetrolTimeText(a.PetrolTime[4], a.RPM));
    } else {
        StatusGasolineInjTimeR->setText(PetrolTimeText(a.PetrolTime[0], a.RPM));
    }
    if (a.Petrol) {
        StatusGasInjTimeL->clear();
        StatusGasInjTimeR->clear();
    } else if (two) {
        StatusGasInjTimeL->setText(FormatFixed(a.GasTime[0], 4, 2));
        StatusGasInjTimeR->setText(FormatFixed(a.GasTime[4], 4, 2));
    } else {
        StatusGasInjTimeR->setText(FormatFixed(a.GasTime[0], 4, 2));
    }

    // 3: speed, load, temperatures.
    StatusRPM->setText(QString::number(a.RPM));
    const bool map = d.MAPSensor != 0;
    LabelMAP->setEnabled(map);
    StatusMAP->setText(map ? FormatFixed(a.MAP, 3, 0) : QString());
    const bool tps = d.TPSType != TPSNone;
    LabelTPS->setEnabled(tps);
    StatusTPS->setText(tps ? FormatFixed(a.TPSVolt, 1, 2) : QString());
    StatusReducerTemp->setText(FormatFixed(a.WaterTemp, 3, 1));
    StatusGasTemp->setText(FormatFixed(a.GasTemp, 3, 1));

    // 4: lambda values, coloured rich or lean against the reference.
    LabelLambdaValue->setEnabled(t > 0);
    auto showLambda = [&](QLabel* field, double value) {
        field->setText(FormatFixed(value, 1, 2));
        const bool reversed = t == 3 || t == 5;
        const bool rich = reversed ? !(value > a.LambdaRef) : value >= a.LambdaRef;
        SetTextColour(field, rich ? RichRed : LeanBlue);
    };
    if (t == 0) {
        StatusLambdaL->clear();
        StatusLambdaR->clear();
    } else if (two) {
        showLambda(StatusLambdaL, a.Lambda1);
        showLambda(StatusLambdaR, a.Lambda2);
    } else {
        showLambda(StatusLambdaR, a.Lambda1);
    }

    // 5, 6: gas trim and reference.
    const bool trim = d.LambdaControllerOn;
    LabelGasTrim->setEnabled(trim);
    if (!trim) {
        StatusFuelTrimL->clear();
        StatusFuelTrimR->clear();
    } else if (two) {
        StatusFuelTrimL->setText(FormatFixed(a.GasTrim1, 3, 1) + QLatin1Char('%'));
        StatusFuelTrimR->setText(FormatFixed(a.GasTrim2, 3, 1) + QLatin1Char('%'));
    } else {
        StatusFuelTrimR->setText(FormatFixed(a.GasTrim1, 3, 1) + QLatin1Char('%'));
    }
    const bool reference = trim || d.LambdaEmulationOn;
    LabelReference->setEnabled(reference);
    StatusLambdaRef->setText(reference ? FormatFixed(a.LambdaRef, 1, 2) : QString());

    // 7: gas pressure, flashing while below the first breakpoint of the pressure axis.
    StatusPressure->setText(FormatFixed(a.GasPressAvg / 1000.0, 1, 2) + QLatin1Char(' '));
    const bool low = connected && a.GasPress < d.GetTableValue(TMapTypeOfData::PressioneGas, 1);
    if (low && !PressureBlinker->isActive()) {
        PressureBlinker->start();
    } else if (!low && PressureBlinker->isActive()) {
        PressureBlinker->stop();
        StatusPressure->setChecked(false);
    }

    // 8: the fuel in use; the field's text remembers the last one, so each changeover is
    // announced once.
    const QString petrol = ResStr(SStatusFuelPetrol);
    const bool wasPetrol = StatusPowerLabel->text() == petrol;
    if (a.Petrol) {
        if (!wasPetrol && connected) {
            BackgroundStart = DarkGrey;
            BackgroundEnd = PetrolGreen;
            ApplyChartBackground();
            if (AnnounceFuel) AnnounceFuel(petrol);
        }
        StatusPowerLabel->setText(petrol);
        SetTextColour(StatusPowerLabel, PetrolGreen);
    } else {
        const QString gas = ResStr(d.Fuel == FuelCNG ? SCfgFuelWordCNG : SCfgFuelWordLPG);
        if (wasPetrol && connected) {
            BackgroundStart = DarkGrey;
            BackgroundEnd = GasTeal;
            ApplyChartBackground();
            if (AnnounceFuel) AnnounceFuel(gas);
        }
        StatusPowerLabel->setText(gas);
        SetTextColour(StatusPowerLabel, GasTeal);
    }

    // 9: the gas trim's speed and sampling period at this engine speed.
    if (StatusLambdaControlSamplingPeriod) {
        double period = SamplingPeriodAt(d.SamplingPeriodMin, d.SamplingPeriodMax, a.RPM);
        StatusLambdaControlSamplingPeriod->setText(QStringLiteral(" ") +
                                                   QString::number(std::lround(period)));
        if (period == 0) period = 1;
        StatusRichControlSpeed->setText(
            QStringLiteral(" ") + FormatFixed(1000.0 / period * d.IntegralRich / 32768.0 * 100.0, 3, 1));
        StatusLeanControlSpeed->setText(
            QStringLiteral(" ") + FormatFixed(1000.0 / period * d.IntegralLean / 32768.0 * 100.0, 3, 1));
    }

    // 10, 11: lamps.
    if (LedGas) {
        const double level = a.GasLevel;
        const bool lit[5] = {level < 12, level >= 12, level >= 38, level >= 63, level >= 87};
        for (int i = 0; i < 5; ++i) {
            LedLevels[size_t(i)]->setEnabled(lit[i]);
            LedLevels[size_t(i)]->SetLit(lit[i]);
        }
        LedGas->SetLit(!a.Petrol || a.GasPending);
        LedGas->SetFlashing(a.GasPending);
        LedPetrol->SetLit(a.Petrol || a.GasPending);
    }

    // 12, 13, 14.
    if (Places.ButtonBank)
        Places.ButtonBank->setText(ResStr(SButtonBank) + QLatin1Char(' ') + QString::number(d.Bank));
    static const StringId states[5] = {SEngineOff, SEngineKeyOn, SEngineOn, SEngineWaiting, SEngineStall};
    if (a.EngineState < 5)
        SetStatusText(1, ResStr(states[a.EngineState]));
    else if (a.EngineState == 5)
        SetStatusText(1, QString());
    if (GradientAccelerationControlActive) GradientAccelerationControlActive->setVisible(a.AccelActive);
}

void TStatusPanel::AddLambdaChartPoint() {
    if (!Acquisitions) return;
    const TAcquisitions& a = *Acquisitions;
    const QTime now = Now();
    QLineSeries* lime = LambdaSeries[SeriesLambda1];
    double dt = 0.001;
    if (lime->count() > 0 && lime->at(lime->count() - 1).x() != 0 && LastChartTime.isValid()) {
        int ms = std::abs(LastChartTime.msecsTo(now));
        // Times of day: a step across midnight is the short way round.
        if (ms > 12 * 3600 * 1000) ms = 24 * 3600 * 1000 - ms;
        dt = ms / 1000.0;
    }
    LastChartTime = now;

    const double m = LambdaAxisMaximum();
    const double values[LambdaSeriesCount] = {
        a.Lambda1,   a.Lambda2,  a.GasTrim1 * m / 100 + m / 2, a.GasTrim2 * m / 100 + m / 2, a.LambdaRef,
        a.Emulated1, a.Emulated2};
    for (int i = 0; i < LambdaSeriesCount; ++i) {
        QLineSeries* s = LambdaSeries[size_t(i)];
        const double x = s->count() > 0 ? s->at(s->count() - 1).x() : 0.0;
        s->append(x + dt, values[i]);
    }
    bool trimmed = false;
    while (lime->count() > 1 && lime->at(lime->count() - 1).x() - lime->at(0).x() > 10) {
        for (QLineSeries* s : LambdaSeries)
            if (s->count() > 0) s->remove(0);
        trimmed = true;
    }
    if (trimmed) Places.TimeAxis->setRange(lime->at(0).x(), lime->at(lime->count() - 1).x());
}

void TStatusPanel::ClearLambdaChart() {
    Places.TimeAxis->setRange(0, 10);
    for (QLineSeries* s : LambdaSeries) {
        s->clear();
        s->append(0, 0);
    }
}
