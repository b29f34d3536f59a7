#pragma once

#include <QStringList>
#include <QWidget>

class TGuiHost;

// Trouble codes, communication errors, counters and the VIN of the ECU.
class TFormDiagnostics : public QWidget {
    Q_OBJECT
public:
    explicit TFormDiagnostics(TGuiHost* host, QWidget* parent = nullptr);
    ~TFormDiagnostics() override;

    // Fills the captions from the resource strings; run at creation and after a language switch.
    void ApplyCaptions();

    // The link's messages for the COM page, the newest MaxComErrors of them.
    static constexpr int MaxComErrors = 1000;
    void AddComError(const QString& message);
    QStringList ComErrors;

private:
    TGuiHost* Host;
};

extern TFormDiagnostics* FormDiagnostics;
