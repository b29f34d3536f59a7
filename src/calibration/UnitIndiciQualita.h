#pragma once

#include "calibration/NozzleCheck.h"

#include <QWidget>
#include <array>

class QFrame;
class QLabel;
class QTimer;
class TGuiHost;
class TLeaderLabel;
class TRoundMeter;

// The nozzle check: whether the gas injector nozzles suit the engine, judged from the Slave gas map.
class TFormIndiciQualita : public QWidget {
    Q_OBJECT
public:
    explicit TFormIndiciQualita(TGuiHost* host, QWidget* parent = nullptr);
    ~TFormIndiciQualita() override;

    // Fills the captions from the resource strings; run at creation and after a language switch.
    void ApplyCaptions();
    // Judges both banks from the configuration and shows the result.
    void ShowIndices();

    TRoundMeter* MeterQualitaMappa1 = nullptr;
    TRoundMeter* MeterQualitaMappa2 = nullptr;
    QLabel* ValoreQualitaMappa1 = nullptr;
    QLabel* ValoreQualitaMappa2 = nullptr;
    QLabel* SpreadMap1 = nullptr;
    QLabel* SpreadMap2 = nullptr;
    QLabel* LabelNozzles1 = nullptr;
    QLabel* LabelNozzles2 = nullptr;
    std::array<TNozzleBank, 2> Banks{};

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FlashVerdicts();

    TGuiHost* Host;
    std::array<QFrame*, 2> Halves{};
    std::array<QLabel*, 2> BankTitles{};
    std::array<TLeaderLabel*, 2> SpreadLabels{};
    QTimer* FlashTimer = nullptr;
    bool FlashPhase = false;
    int RememberedWidth = 0;
};

extern TFormIndiciQualita* FormIndiciQualita;
