#pragma once

#include <QWidget>

// The nozzle check: whether the gas injector nozzles suit the engine, judged from the Slave gas map.
class TFormIndiciQualita : public QWidget {
    Q_OBJECT
public:
    explicit TFormIndiciQualita(QWidget* parent = nullptr);
    ~TFormIndiciQualita() override;

    // Fills the captions from the resource strings; run at creation and after a language switch.
    void ApplyCaptions();
};

extern TFormIndiciQualita* FormIndiciQualita;
