#include "calibration/UnitIndiciQualita.h"

#include "StringIds.h"
#include "config/UnitDati.h"
#include "resources/Strings.h"
#include "widgets/LeaderLabel.h"
#include "widgets/RoundMeter.h"
#include "windows/SecondaryWindow.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

TFormIndiciQualita* FormIndiciQualita = nullptr;

namespace {

const QColor VerdictRed(0xE0, 0x20, 0x20);
const QColor VerdictMaroon(0x80, 0x00, 0x00);
const QColor VerdictGreen(0x1E, 0x9E, 0x3A);

void SetTextColour(QLabel* label, const QColor& colour) {
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, colour);
    label->setPalette(p);
}

} // namespace

TFormIndiciQualita::TFormIndiciQualita(TGuiHost* host, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), Host(host) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(12);
    TRoundMeter** meters[2] = {&MeterQualitaMappa1, &MeterQualitaMappa2};
    QLabel** values[2] = {&ValoreQualitaMappa1, &ValoreQualitaMappa2};
    QLabel** spreads[2] = {&SpreadMap1, &SpreadMap2};
    QLabel** verdicts[2] = {&LabelNozzles1, &LabelNozzles2};
    for (size_t b = 0; b < 2; ++b) {
        const QString n = QString::number(b + 1);
        auto* half = new QFrame(this);
        half->setObjectName(QStringLiteral("PanelBank") + n);
        half->setFrameShape(QFrame::StyledPanel);
        auto* v = new QVBoxLayout(half);
        auto* heading = new QHBoxLayout;
        BankTitles[b] = new QLabel(half);
        QFont bold = BankTitles[b]->font();
        bold.setBold(true);
        BankTitles[b]->setFont(bold);
        heading->addWidget(BankTitles[b], 1);
        v->addLayout(heading);

        auto* meter = new TRoundMeter(half);
        meter->setObjectName(QStringLiteral("MeterQualitaMappa") + n);
        meter->setMinimumSize(180, 180);
        meter->SetRange(0.5, 1.5);
        meter->SetSweep(240);
        meter->SetTicks(5, 4);
        meter->SetLabelDecimals(1);
        meter->SetValueDecimals(2);
        // The map index is a factor of the petrol time: it has no unit (not "ms").
        meter->SetSectors({{0.5, 0.9, QColor(0xE0, 0x4B, 0x3A)},
                           {0.9, 1.2, QColor(0x2E, 0xB8, 0x4A)},
                           {1.2, 1.5, QColor(0xF2, 0xD0, 0x24)}});
        *meters[b] = meter;
        v->addWidget(meter, 1);

        auto* grid = new QGridLayout;
        auto field = [half](const QString& name) {
            auto* l = new QLabel(half);
            l->setObjectName(name);
            l->setFrameShape(QFrame::StyledPanel);
            l->setFrameShadow(QFrame::Sunken);
            l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            l->setMinimumWidth(56);
            return l;
        };
        *values[b] = field(QStringLiteral("ValoreQualitaMappa") + n);
        BankTitles[b]->setBuddy(*values[b]);
        heading->addWidget(*values[b]);
        *spreads[b] = field(QStringLiteral("SpreadMap") + n);
        SpreadLabels[b] = new TLeaderLabel(half);
        grid->addWidget(SpreadLabels[b], 0, 0);
        grid->addWidget(*spreads[b], 0, 1);
        grid->setColumnStretch(0, 1);
        v->addLayout(grid);

        auto* verdict = new QLabel(half);
        verdict->setObjectName(QStringLiteral("LabelNozzles") + n);
        verdict->setAlignment(Qt::AlignCenter);
        QFont big = verdict->font();
        big.setBold(true);
        big.setPointSizeF(big.pointSizeF() * 1.3);
        verdict->setFont(big);
        *verdicts[b] = verdict;
        v->addWidget(verdict);
        Halves[b] = half;
        layout->addWidget(half, 1);
    }
    FlashTimer = new QTimer(this);
    FlashTimer->setInterval(500); // a full red and maroon cycle a second
    connect(FlashTimer, &QTimer::timeout, this, &TFormIndiciQualita::FlashVerdicts);
    SetUpSecondaryWindow(this, FormIndiciQualita, "FormIndiciQualita", {760, 380}, Host);
}

TFormIndiciQualita::~TFormIndiciQualita() {
    if (FormIndiciQualita == this) FormIndiciQualita = nullptr;
}

void TFormIndiciQualita::ApplyCaptions() {
    setWindowTitle(ResStr(SCheckNozzlesCaption));
    BankTitles[0]->setText(ResStr(SNozzleBank1Index));
    BankTitles[1]->setText(ResStr(SNozzleBank2Index));
    for (TLeaderLabel* l : SpreadLabels)
        l->setText(ResStr(SNozzleMapSpread));
    if (DataMap) ShowIndices();
}

void TFormIndiciQualita::showEvent(QShowEvent* event) {
    // At least the width both banks need, so that half of it still holds bank 1.
    RememberedWidth = std::max(width(), 2 * Halves[0]->minimumSizeHint().width() + 36);
    const bool twoBanks = DataMap && DataMap->LambdaProbes >= 2;
    Halves[1]->setVisible(twoBanks);
    if (!twoBanks) resize(RememberedWidth / 2, height());
    ShowIndices();
    QWidget::showEvent(event);
}

void TFormIndiciQualita::closeEvent(QCloseEvent* event) {
    FlashTimer->stop();
    Halves[1]->setVisible(true);
    if (RememberedWidth > 0) resize(RememberedWidth, height());
    QWidget::closeEvent(event);
}

void TFormIndiciQualita::ShowIndices() {
    if (!DataMap) return;
    Banks = CheckNozzles(*DataMap);
    TRoundMeter* meters[2] = {MeterQualitaMappa1, MeterQualitaMappa2};
    QLabel* values[2] = {ValoreQualitaMappa1, ValoreQualitaMappa2};
    QLabel* spreads[2] = {SpreadMap1, SpreadMap2};
    QLabel* verdicts[2] = {LabelNozzles1, LabelNozzles2};
    bool flashing = false;
    for (size_t b = 0; b < 2; ++b) {
        meters[b]->SetValue(Banks[b].MapIndex);
        values[b]->setText(QString::number(Banks[b].MapIndex, 'f', 1));
        spreads[b]->setText(QString::number(Banks[b].Spread, 'f', 1));
        switch (Banks[b].Verdict) {
        case TNozzleVerdict::TooBig:
            verdicts[b]->setText(ResStr(SNozzlesTooBig));
            break;
        case TNozzleVerdict::TooSmall:
            verdicts[b]->setText(ResStr(SNozzlesTooSmall));
            break;
        case TNozzleVerdict::OK:
            verdicts[b]->setText(ResStr(SNozzlesOK));
            break;
        }
        const bool bad = Banks[b].Verdict != TNozzleVerdict::OK;
        SetTextColour(verdicts[b], bad ? VerdictRed : VerdictGreen);
        flashing = flashing || bad;
    }
    FlashPhase = false;
    if (flashing)
        FlashTimer->start();
    else
        FlashTimer->stop();
}

void TFormIndiciQualita::FlashVerdicts() {
    FlashPhase = !FlashPhase;
    QLabel* verdicts[2] = {LabelNozzles1, LabelNozzles2};
    for (size_t b = 0; b < 2; ++b)
        if (Banks[b].Verdict != TNozzleVerdict::OK)
            SetTextColour(verdicts[b], FlashPhase ? VerdictMaroon : VerdictRed);
}
