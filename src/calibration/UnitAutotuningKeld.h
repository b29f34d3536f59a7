#pragma once

#include <QWidget>

class TGuiHost;

// Gas map auto-tuning on a running engine.
class TFormAutotuningKeld : public QWidget {
    Q_OBJECT
public:
    explicit TFormAutotuningKeld(TGuiHost* host, QWidget* parent = nullptr);
    ~TFormAutotuningKeld() override;

    // Fills the captions from the resource strings; run at creation and after a language switch.
    void ApplyCaptions();

private:
    TGuiHost* Host;
};

extern TFormAutotuningKeld* FormAutotuningKeld;
