#include "app/UnitMain.h"

#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>

TFormMain* FormMain = nullptr;

TFormMain::TFormMain(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("FormMain"));
    FormMain = this;

    MenuECU = menuBar()->addMenu(QString());
    MenuECU->setObjectName(QStringLiteral("MenuECU"));
    for (int i = 0; i < 6; ++i) {
        QAction* action = MenuECU->addAction(QString());
        action->setObjectName(QStringLiteral("ECUCom%1").arg(i + 1));
        action->setCheckable(true);
        action->setVisible(false);
        ComActions[size_t(i)] = action;
    }
    ECUScanCOM = MenuECU->addAction(QString());
    ECUScanCOM->setObjectName(QStringLiteral("ECUScanCOM"));
    ECUScanCOM->setCheckable(true);

    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    for (int i = 0; i < 2; ++i) {
        auto* label = new QLabel(bar);
        label->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        if (i == 0) label->setMinimumWidth(880);
        bar->addWidget(label, i == 0 ? 0 : 1);
        StatusPanels[size_t(i)] = label;
    }
}

TFormMain::~TFormMain() {
    if (FormMain == this) FormMain = nullptr;
}

void TFormMain::SetStatusText(int panel, const QString& text) {
    if (panel >= 0 && panel < 2) StatusPanels[size_t(panel)]->setText(text);
}

QString TFormMain::StatusText(int panel) const {
    return panel >= 0 && panel < 2 ? StatusPanels[size_t(panel)]->text() : QString();
}

void TFormMain::RefreshComMenu() {}
