#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QListWidget;
class QPushButton;
class QTreeWidget;

// "Configuration backups": the cars that have backups (TConfigBackups), and for the chosen car
// its backups, newest first, with the date and time of the read, the ECU's identification, the
// operating mode and the fuel. Open loads the chosen backup as File > Open loads a file (with its
// questions), Compare compares it with the configuration in the tool, Show in folder opens the
// car's folder in the desktop's file manager.
class TFormBackups : public QDialog {
    Q_OBJECT
public:
    // What the buttons do with the chosen backup's file, given by the main window.
    struct TActions {
        std::function<void(const QString&)> Open;
        std::function<void(const QString&)> Compare;
        std::function<void(const QString&)> ShowFolder; // by default the desktop's file manager
    };
    TFormBackups(TActions actions, QWidget* parent = nullptr);
    ~TFormBackups() override;

    void ApplyCaptions();
    // Lists the cars and backups of Root again (TConfigBackups' default when empty).
    void Reload(const QString& Root = QString());
    // The chosen backup's file; "" when none is chosen.
    QString ChosenFile() const;

    QListWidget* ListCars = nullptr;
    QTreeWidget* ListBackups = nullptr;
    QLabel* LabelEmpty = nullptr;
    QPushButton* ButtonOpen = nullptr;
    QPushButton* ButtonCompare = nullptr;
    QPushButton* ButtonShowFolder = nullptr;
    QPushButton* ButtonClose = nullptr;

    void ListCarsChange();
    void ButtonOpenClick();
    void ButtonCompareClick();
    void ButtonShowFolderClick();

private:
    void EnableButtons();
    TActions Actions;
    QString Root;
};

extern TFormBackups* FormBackups;
