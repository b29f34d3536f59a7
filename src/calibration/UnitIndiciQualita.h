#pragma once

#include <QWidget>

class TGuiHost;

// The nozzle check: whether the gas injector nozzles suit the engine, judged from the Slave gas map.
class TFormIndiciQualita : public QWidget {
    Q_OBJECT
public:
    explicit TFormIndiciQualita(TGuiHost* host, QWidget* parent = nullptr);
    ~TFormIndiciQualita() override;

    // Fills the captions from the resource strings; run at creation and after a language switch.
    void ApplyCaptions();

private:
    TGuiHost* Host;
};

extern TFormIndiciQualita* FormIndiciQualita;
