#pragma once

#include "config/ConfigFile.h"
#include "config/ConfigListing.h"

#include <QDialog>
#include <memory>
#include <vector>

class QLabel;
class QPushButton;
class QTabWidget;
class QTableWidget;
class TDataMap;

// "Compare with": the configuration in the tool against another configuration file (or a
// backup). One tab lists every setting that differs (name, this value, the other value, unit);
// one tab per table that differs shows it as a grid whose differing cells are coloured by the
// size and sign of the difference. "Take the other value" gives the chosen settings or cells the
// other file's values the way every edit goes: undo snapshot, range check, write to the ECU.
// The comparison is the one corvane-cfg diff prints (CompareListings).
class TFormCompare : public QDialog {
    Q_OBJECT
public:
    explicit TFormCompare(QWidget* parent = nullptr);
    ~TFormCompare() override;

    // Loads Name and shows how it differs; false (the user told why) when it cannot be read.
    bool CompareWith(const QString& Name);
    // Compares again after the configuration changed.
    void Refresh();
    void ApplyCaptions();

    QLabel* LabelSummary = nullptr;
    QTabWidget* PageControl = nullptr;
    QTableWidget* SettingsTable = nullptr;
    QLabel* LabelLegend = nullptr;
    QPushButton* ButtonTakeOther = nullptr;
    QPushButton* ButtonClose = nullptr;

    // The grid of a differing table, null when it does not differ.
    QTableWidget* MapTable(TMapTypeOfData Kind) const;
    void ButtonTakeOtherClick();

protected:
    void changeEvent(QEvent* event) override;

private:
    void TakeSettings();
    void TakeCells(QTableWidget* grid);
    QTableWidget* NewMapTable(TMapTypeOfData Kind, const std::vector<TListedValue>& MineList,
                              const std::vector<TListedValue>& TheirList,
                              const std::vector<TListedDifference>& Cells);

    QString FileName;
    TConfigFile File;
    std::unique_ptr<TDataMap> Other;
    std::unique_ptr<TDataMap> Mine; // the tool's configuration as a file would hold it
    QByteArray ComparedBytes;       // ... and as the file's bytes
    std::vector<QTableWidget*> MapTables;
    bool Taking = false; // a take, with its questions, is under way
};

extern TFormCompare* FormCompare;
