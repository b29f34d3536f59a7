#include "diagnostics/UnitPinOut.h"

#include "StringIds.h"
#include "app/Constants.h"
#include "diagnostics/ConnectorPicture.h"
#include "resources/Strings.h"
#include "windows/GuiHost.h"
#include "windows/SecondaryWindow.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QListWidget>
#include <QShowEvent>
#include <QSpacerItem>
#include <QVBoxLayout>

TFormPinOut* FormPinOut = nullptr;

namespace {

QListWidget* MakeList(const char* name, QWidget* parent) {
    auto* list = new QListWidget(parent);
    list->setObjectName(QLatin1String(name));
    // Fixed-pitch, so that the colons stand in one column.
    list->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setUniformItemSizes(true);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (int i = 0; i < PinsPerList; ++i)
        list->addItem(QString());
    return list;
}

// The model this build's hardware uses.
TEcuModel VariantModel() {
    return BuildVariant == ORB ? TEcuModel::ORB04 : TEcuModel::KELD04;
}

} // namespace

TFormPinOut::TFormPinOut(TGuiHost* host, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint), Host(host) {
    CreateControls();
    SetUpSecondaryWindow(this, FormPinOut, "FormPinOut", sizeHint(), Host);
    ScegliECU->setCurrentIndex(int(VariantModel()));
    ScegliECUChange();
    FitLists();
}

TFormPinOut::~TFormPinOut() {
    if (FormPinOut == this) FormPinOut = nullptr;
}

void TFormPinOut::CreateControls() {
    ScegliECU = new QComboBox(this);
    ScegliECU->setObjectName(QStringLiteral("ScegliECU"));
    ScegliECU->addItems({QString(), QString()});
    connect(ScegliECU, &QComboBox::currentIndexChanged, this, [this] { ScegliECUChange(); });

    ListBox1 = MakeList("ListBox1", this);
    ListBox15 = MakeList("ListBox15", this);
    ListBox29 = MakeList("ListBox29", this);
    ListBox43 = MakeList("ListBox43", this);
    for (TPinList which : PinLists) {
        QListWidget* list = List(which);
        connect(list, &QListWidget::itemClicked, this,
                [this, which, list](QListWidgetItem* item) { ListBoxClick(which, list->row(item)); });
        // The arrow keys choose pins as well as the mouse.
        connect(list, &QListWidget::currentRowChanged, this, [this, which](int row) {
            if (row >= 0) ListBoxClick(which, row);
        });
    }

    Image1 = new TConnectorPicture(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    auto marker = [this](TPinMarker*& target, const char* name) {
        target = new TPinMarker(Image1);
        target->setObjectName(QLatin1String(name));
    };
    marker(Marker1, "Marker1");
    marker(Marker15, "Marker15");
    marker(Marker29, "Marker29");
    marker(Marker43, "Marker43");
    // Before the first click, each marker waits on the first pin of its list.
    for (TPinList which : PinLists)
        Marker(which)->MoveTo(MarkerPosition(which, 0));

    LeftTop = new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Fixed);
    LeftMiddle = new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Fixed);
    RightTop = new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Fixed);
    RightMiddle = new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Fixed);
    auto column = [](QSpacerItem* top, QWidget* upper, QSpacerItem* middle, QWidget* lower) {
        auto* layout = new QVBoxLayout;
        layout->setSpacing(0);
        layout->addSpacerItem(top);
        layout->addWidget(upper);
        layout->addSpacerItem(middle);
        layout->addWidget(lower);
        layout->addStretch(1);
        return layout;
    };
    auto* lists = new QHBoxLayout;
    lists->setSpacing(8);
    lists->addLayout(column(LeftTop, ListBox1, LeftMiddle, ListBox15));
    lists->addWidget(Image1, 0, Qt::AlignTop);
    lists->addLayout(column(RightTop, ListBox29, RightMiddle, ListBox43));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(8);
    layout->addWidget(ScegliECU);
    layout->addLayout(lists);
    // Fixed size: the window is as large as its contents need.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(ScegliECU, ListBox1);
    setTabOrder(ListBox1, ListBox15);
    setTabOrder(ListBox15, ListBox29);
    setTabOrder(ListBox29, ListBox43);
}

void TFormPinOut::ApplyCaptions() {
    setWindowTitle(ResStr(SPinOutCaption));
    ScegliECU->setItemText(int(TEcuModel::KELD04), ResStr(SPinOutModelKELD));
    ScegliECU->setItemText(int(TEcuModel::ORB04), ResStr(SPinOutModelORB));
}

QListWidget* TFormPinOut::List(TPinList list) const {
    switch (list) {
    case TPinList::Pins1:
        return ListBox1;
    case TPinList::Pins15:
        return ListBox15;
    case TPinList::Pins29:
        return ListBox29;
    case TPinList::Pins43:
        return ListBox43;
    }
    return nullptr;
}

TPinMarker* TFormPinOut::Marker(TPinList list) const {
    switch (list) {
    case TPinList::Pins1:
        return Marker1;
    case TPinList::Pins15:
        return Marker15;
    case TPinList::Pins29:
        return Marker29;
    case TPinList::Pins43:
        return Marker43;
    }
    return nullptr;
}

void TFormPinOut::FitLists() {
    // As wide as the longest line of either model, so that changing the model moves nothing.
    int widest = 0;
    for (const TPinTable* table : {&KeldPins, &OrbPins})
        for (int pin = 1; pin <= PinCount; ++pin)
            widest =
                std::max(widest, ListBox1->fontMetrics().horizontalAdvance(PinLine(pin, (*table)[pin - 1])));
    for (TPinList which : PinLists) {
        QListWidget* list = List(which);
        const int frame = 2 * list->frameWidth();
        list->setFixedSize(widest + frame + 16, PinsPerList * list->sizeHintForRow(0) + frame);
    }
    // Each list is centred on its block of pins.
    const int height = ListBox1->height();
    const int upperCentre = Image1->ToWidget(PinCentre(1) + PinCentre(14)).y() / 2;
    const int lowerCentre = Image1->ToWidget(PinCentre(15) + PinCentre(28)).y() / 2;
    const int top = std::max(0, upperCentre - height / 2);
    const int middle = std::max(0, lowerCentre - height / 2 - top - height);
    LeftTop->changeSize(0, top, QSizePolicy::Minimum, QSizePolicy::Fixed);
    RightTop->changeSize(0, top, QSizePolicy::Minimum, QSizePolicy::Fixed);
    LeftMiddle->changeSize(0, middle, QSizePolicy::Minimum, QSizePolicy::Fixed);
    RightMiddle->changeSize(0, middle, QSizePolicy::Minimum, QSizePolicy::Fixed);
    layout()->invalidate();
}

void TFormPinOut::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) FitLists();
}

void TFormPinOut::SetBlinkCountdown(int ticks) {
    if (Host) Host->SetCountdown(TGuiCountdown::PinOut, ticks);
}

void TFormPinOut::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TFormPinOut::FormShow() {
    ScegliECU->setEnabled(true);
    ScegliECU->setCurrentIndex(int(VariantModel()));
    ScegliECUChange();
    for (TPinList which : PinLists) {
        Marker(which)->hide();
        QListWidget* list = List(which);
        const QSignalBlocker quiet(list);
        list->clearSelection();
        list->setCurrentRow(-1);
    }
    SetBlinkCountdown(-1);
    BlinkCounter = 0;
}

void TFormPinOut::closeEvent(QCloseEvent* event) {
    SetBlinkCountdown(-1);
    BlinkCounter = 0;
    QWidget::closeEvent(event);
}

void TFormPinOut::ScegliECUChange() {
    const TEcuModel model =
        ScegliECU->currentIndex() == int(TEcuModel::ORB04) ? TEcuModel::ORB04 : TEcuModel::KELD04;
    const TPinTable& table = PinTable(model);
    for (TPinList which : PinLists) {
        QListWidget* list = List(which);
        for (int i = 0; i < PinsPerList; ++i) {
            const int pin = FirstPin(which) + i;
            list->item(i)->setText(PinLine(pin, table[size_t(pin - 1)]));
        }
    }
    Image1->SetModel(model);
}

void TFormPinOut::ListBoxClick(TPinList list, int line) {
    if (line < 0 || line >= PinsPerList) return;
    TPinMarker* marker = Marker(list);
    marker->MoveTo(MarkerPosition(list, line));
    marker->show();
    SetBlinkCountdown(BlinkTicks);
}

void TFormPinOut::BlinkStep() {
    SetBlinkCountdown(BlinkTicks);
    ++BlinkCounter;
    // The left markers and the right ones blink in opposite phase.
    const bool odd = BlinkCounter % 2 != 0;
    const TPinMarker::TPenMode left = odd ? TPinMarker::Mask : TPinMarker::Xor;
    const TPinMarker::TPenMode right = odd ? TPinMarker::Xor : TPinMarker::Mask;
    Marker1->SetPenMode(left);
    Marker15->SetPenMode(left);
    Marker29->SetPenMode(right);
    Marker43->SetPenMode(right);
}
