#pragma once

#include <QWidget>

class TGuiHost;

// The gas map check: the gas injection times the Slave gas map gives, cell by cell, and the
// cells that break monotony, delays or the full-open limit.
class TFormMapCheck : public QWidget {
    Q_OBJECT
public:
    explicit TFormMapCheck(TGuiHost* host, QWidget* parent = nullptr);
    ~TFormMapCheck() override;

    // Fills the captions from the resource strings; run at creation and after a language switch.
    void ApplyCaptions();

private:
    TGuiHost* Host;
};

extern TFormMapCheck* FormMapCheck;
