#include "editor/UnitBackups.h"

#include "StringIds.h"
#include "config/ConfigBackups.h"
#include "config/UnitDati.h"
#include "resources/Strings.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

TFormBackups* FormBackups = nullptr;

namespace {

enum TColumn { ColumnDate, ColumnTime, ColumnIdentity, ColumnMode, ColumnFuel, ColumnCount };
constexpr int PathRole = Qt::UserRole;

QString FuelWord(int code) {
    if (code == FuelLPG) return ResStr(SCfgFuelWordLPG);
    if (code == FuelCNG) return ResStr(SCfgFuelWordCNG);
    return QString::number(code);
}

} // namespace

TFormBackups::TFormBackups(TActions actions, QWidget* parent) : QDialog(parent), Actions(std::move(actions)) {
    setObjectName(QStringLiteral("FormBackups"));
    FormBackups = this;
    if (!Actions.ShowFolder)
        Actions.ShowFolder = [](const QString& folder) {
            QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
        };

    auto* layout = new QVBoxLayout(this);
    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setChildrenCollapsible(false);
    layout->addWidget(splitter, 1);

    ListCars = new QListWidget(splitter);
    ListCars->setObjectName(QStringLiteral("ListCars"));
    ListCars->setMinimumWidth(200);
    connect(ListCars, &QListWidget::currentRowChanged, this, &TFormBackups::ListCarsChange);

    auto* right = new QWidget(splitter);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    ListBackups = new QTreeWidget(right);
    ListBackups->setObjectName(QStringLiteral("ListBackups"));
    ListBackups->setRootIsDecorated(false);
    ListBackups->setUniformRowHeights(true);
    ListBackups->setAlternatingRowColors(true);
    ListBackups->setColumnCount(ColumnCount);
    ListBackups->header()->setStretchLastSection(false);
    ListBackups->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    ListBackups->header()->setSectionResizeMode(ColumnIdentity, QHeaderView::Stretch);
    connect(ListBackups, &QTreeWidget::currentItemChanged, this, &TFormBackups::EnableButtons);
    connect(ListBackups, &QTreeWidget::itemDoubleClicked, this, &TFormBackups::ButtonOpenClick);
    LabelEmpty = new QLabel(right);
    LabelEmpty->setObjectName(QStringLiteral("LabelEmpty"));
    LabelEmpty->setWordWrap(true);
    rightLayout->addWidget(ListBackups, 1);
    rightLayout->addWidget(LabelEmpty);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);

    auto* buttons = new QHBoxLayout;
    const auto button = [this, buttons](QPushButton*& b, const char* name) {
        b = new QPushButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        buttons->addWidget(b);
    };
    button(ButtonOpen, "ButtonOpen");
    button(ButtonCompare, "ButtonCompare");
    button(ButtonShowFolder, "ButtonShowFolder");
    buttons->addStretch(1);
    button(ButtonClose, "ButtonClose");
    layout->addLayout(buttons);
    connect(ButtonOpen, &QPushButton::clicked, this, &TFormBackups::ButtonOpenClick);
    connect(ButtonCompare, &QPushButton::clicked, this, &TFormBackups::ButtonCompareClick);
    connect(ButtonShowFolder, &QPushButton::clicked, this, &TFormBackups::ButtonShowFolderClick);
    connect(ButtonClose, &QPushButton::clicked, this, &QDialog::close);

    setTabOrder(ListCars, ListBackups);
    setTabOrder(ListBackups, ButtonOpen);
    setTabOrder(ButtonOpen, ButtonCompare);
    setTabOrder(ButtonCompare, ButtonShowFolder);
    setTabOrder(ButtonShowFolder, ButtonClose);
    ApplyCaptions();
    resize(860, 480);
}

TFormBackups::~TFormBackups() {
    if (FormBackups == this) FormBackups = nullptr;
}

void TFormBackups::ApplyCaptions() {
    setWindowTitle(ResStr(SBackupsCaption));
    ListBackups->setHeaderLabels({ResStr(SBackupsDate), ResStr(SBackupsTime), ResStr(SBackupsIdentity),
                                  ResStr(SBackupsMode), ResStr(SBackupsFuel)});
    LabelEmpty->setText(ResStr(SBackupsNone));
    ButtonOpen->setText(ResStr(SBackupsOpen));
    ButtonCompare->setText(ResStr(SBackupsCompare));
    ButtonShowFolder->setText(ResStr(SBackupsShowInFolder));
    ButtonClose->setText(ResStr(SBackupsClose));
}

void TFormBackups::Reload(const QString& root) {
    Root = root.isEmpty() ? TConfigBackups::DefaultRoot() : root;
    const QString current = ListCars->currentItem() ? ListCars->currentItem()->text() : QString();
    ListCars->clear();
    ListCars->addItems(TConfigBackups(Root).Cars());
    const QList<QListWidgetItem*> same = ListCars->findItems(current, Qt::MatchExactly);
    ListCars->setCurrentRow(same.isEmpty() ? 0 : ListCars->row(same.first()));
    LabelEmpty->setVisible(ListCars->count() == 0);
    ListCarsChange();
}

void TFormBackups::ListCarsChange() {
    ListBackups->clear();
    if (const QListWidgetItem* car = ListCars->currentItem()) {
        const QLocale locale;
        for (const TConfigBackups::TEntry& e : TConfigBackups(Root).Backups(car->text())) {
            auto* item = new QTreeWidgetItem(ListBackups);
            item->setText(ColumnDate, locale.toString(e.When.date(), QLocale::ShortFormat));
            item->setText(ColumnTime, locale.toString(e.When.time(), QStringLiteral("HH:mm:ss")));
            item->setText(ColumnIdentity, e.Identity);
            item->setText(ColumnMode, e.Readable ? ResStr(e.Mode == SlaveMode ? SCfgToolModeSlave
                                                                              : SCfgToolModeCompensated)
                                                 : ResStr(SBackupsUnreadable));
            item->setText(ColumnFuel, e.Readable ? FuelWord(e.Fuel) : QString());
            item->setData(ColumnDate, PathRole, e.Path);
        }
        if (ListBackups->topLevelItemCount() > 0) ListBackups->setCurrentItem(ListBackups->topLevelItem(0));
    }
    EnableButtons();
}

QString TFormBackups::ChosenFile() const {
    const QTreeWidgetItem* item = ListBackups->currentItem();
    return item ? item->data(ColumnDate, PathRole).toString() : QString();
}

void TFormBackups::EnableButtons() {
    const bool chosen = !ChosenFile().isEmpty();
    ButtonOpen->setEnabled(chosen);
    ButtonCompare->setEnabled(chosen);
    ButtonShowFolder->setEnabled(ListCars->currentItem() != nullptr);
}

void TFormBackups::ButtonOpenClick() {
    if (!ChosenFile().isEmpty() && Actions.Open) Actions.Open(ChosenFile());
}

void TFormBackups::ButtonCompareClick() {
    if (!ChosenFile().isEmpty() && Actions.Compare) Actions.Compare(ChosenFile());
}

void TFormBackups::ButtonShowFolderClick() {
    if (const QListWidgetItem* car = ListCars->currentItem())
        Actions.ShowFolder(TConfigBackups(Root).CarFolder(car->text()));
}
