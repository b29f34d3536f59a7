#include "diagnostics/UnitDiagnostics.h"

#include "StringIds.h"
#include "app/UserDialogs.h"
#include "config/UnitDati.h"
#include "diagnostics/TroubleCodes.h"
#include "link/Codec.h"
#include "link/ReplyDispatch.h"
#include "resources/Strings.h"
#include "windows/SecondaryWindow.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QShowEvent>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <QValidator>

TFormDiagnostics* FormDiagnostics = nullptr;

namespace {

// Marks the line an empty list shows in its place ("No trouble code.", "No error.").
constexpr int PlaceholderRole = Qt::UserRole + 1;

// Typed letters become capitals. The ECU keeps one byte a character, so a character that has no
// single byte is refused rather than sent as something else; what the ECU sent is shown as it is.
class TVinValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        for (QChar& c : input) {
            if (c.unicode() > 0xFF) return Invalid;
            const QChar upper = c.toUpper();
            if (upper.unicode() <= 0xFF) c = upper;
        }
        return Acceptable;
    }
};

// Lines with a little air between them, easier to follow across a wide list.
class TLineDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return QStyledItemDelegate::sizeHint(option, index) + QSize(0, 4);
    }
};

// The counter lines ("Time on Gas:        1 hours, 31 mins") in two columns: the names, and the
// values right-aligned under each other, whatever the length of the names in the language used.
class TCounterDelegate : public TLineDelegate {
public:
    using TLineDelegate::TLineDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QString text = opt.text;
        opt.text.clear();
        const QWidget* view = opt.widget;
        QStyle* style = view ? view->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, view);

        int names = 0, values = 0;
        for (int row = 0; row < index.model()->rowCount(); ++row) {
            const auto [name, value] = Split(index.model()->index(row, 0).data().toString());
            names = std::max(names, opt.fontMetrics.horizontalAdvance(name));
            values = std::max(values, opt.fontMetrics.horizontalAdvance(value));
        }
        const QRect area =
            style->subElementRect(QStyle::SE_ItemViewItemText, &opt, view).adjusted(4, 0, 0, 0);
        const auto [name, value] = Split(text);
        painter->save();
        painter->setFont(opt.font);
        painter->setPen(opt.palette.color(opt.state & QStyle::State_Selected ? QPalette::HighlightedText
                                                                             : QPalette::Text));
        painter->drawText(area, Qt::AlignLeft | Qt::AlignVCenter, name);
        const QRect valueArea(area.left() + names + opt.fontMetrics.horizontalAdvance(QLatin1Char(' ')) * 2,
                              area.top(), values, area.height());
        painter->drawText(valueArea, Qt::AlignRight | Qt::AlignVCenter, value);
        painter->restore();
    }

private:
    // "Name: value" into the name with its colon and the value without its padding.
    static std::pair<QString, QString> Split(const QString& line) {
        const qsizetype colon = line.indexOf(QStringLiteral(": "));
        if (colon < 0) return {line, QString()};
        return {line.left(colon + 1), line.mid(colon + 2).trimmed()};
    }
};

QListWidget* MakeList(const char* name, QWidget* parent) {
    auto* list = new QListWidget(parent);
    list->setObjectName(QLatin1String(name));
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setUniformItemSizes(true);
    list->setItemDelegate(new TLineDelegate(list));
    return list;
}

void SetPlaceholder(QListWidget* list, const QString& text) {
    auto* item = new QListWidgetItem(text, list);
    item->setData(PlaceholderRole, true);
    item->setForeground(list->palette().brush(QPalette::Disabled, QPalette::Text));
}

bool ShowsOnlyPlaceholder(const QListWidget* list) {
    return list->count() == 1 && list->item(0)->data(PlaceholderRole).toBool();
}

} // namespace

TFormDiagnostics::TFormDiagnostics(TGuiHost* host, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), Host(host) {
    CreateControls();
    SetUpSecondaryWindow(this, FormDiagnostics, "FormDiagnostics", {640, 420}, Host);
    if (DataMap) DataMap->DiagnosticsView = this;
}

TFormDiagnostics::~TFormDiagnostics() {
    if (DataMap && DataMap->DiagnosticsView == this) DataMap->DiagnosticsView = nullptr;
    if (FormDiagnostics == this) FormDiagnostics = nullptr;
}

void TFormDiagnostics::CreateControls() {
    auto* toolBar = new QFrame(this);
    toolBar->setObjectName(QStringLiteral("ToolBarDiagnostics"));
    toolBar->setFrameShape(QFrame::StyledPanel);
    toolBar->setFrameShadow(QFrame::Raised);
    auto* toolLayout = new QHBoxLayout(toolBar);
    toolLayout->setContentsMargins(4, 2, 4, 2);
    toolLayout->setSpacing(2);
    auto toolButton = [&](QToolButton*& button, const char* name, QStyle::StandardPixmap icon) {
        button = new QToolButton(toolBar);
        button->setObjectName(QLatin1String(name));
        button->setIcon(style()->standardIcon(icon));
        button->setIconSize(QSize(24, 24));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setAutoRaise(true);
        button->setMinimumWidth(64);
        // A click leaves the focus in the page; the keyboard still reaches the button.
        button->setFocusPolicy(Qt::TabFocus);
        toolLayout->addWidget(button);
    };
    toolButton(ButtonUpdate, "ButtonUpdate", QStyle::SP_BrowserReload);
    toolButton(ButtonClear, "ButtonClear", QStyle::SP_DialogDiscardButton);
    toolLayout->addStretch(1);
    connect(ButtonUpdate, &QToolButton::clicked, this, &TFormDiagnostics::ButtonUpdateClick);
    connect(ButtonClear, &QToolButton::clicked, this, &TFormDiagnostics::ButtonClearClick);

    PageControl = new QTabWidget(this);
    PageControl->setObjectName(QStringLiteral("PageControl"));
    auto page = [&](const char* name) {
        auto* sheet = new QWidget(PageControl);
        sheet->setObjectName(QLatin1String(name));
        PageControl->addTab(sheet, QString());
        return sheet;
    };
    auto filled = [](QWidget* sheet, QWidget* content) {
        auto* layout = new QVBoxLayout(sheet);
        layout->setContentsMargins(6, 6, 6, 6);
        layout->addWidget(content);
    };

    QWidget* dtc = page("TabSheetDTC");
    DTCListBox = MakeList("DTCListBox", dtc);
    filled(dtc, DTCListBox);

    QWidget* vin = page("TabSheetVIN");
    // The ruler numbers the characters of the field below it, digit over character.
    const QFont fixed = [] {
        QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        f.setPointSizeF(f.pointSizeF() * 1.25);
        return f;
    }();
    LabelVINRuler = new QLabel(vin);
    LabelVINRuler->setObjectName(QStringLiteral("LabelVINRuler"));
    LabelVINRuler->setFont(fixed);
    LabelVINRuler->setEnabled(false);
    LabelVINRuler->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    EditVIN = new QLineEdit(vin);
    EditVIN->setObjectName(QStringLiteral("EditVIN"));
    EditVIN->setFont(fixed);
    EditVIN->setMaxLength(VinLength);
    EditVIN->setValidator(new TVinValidator(EditVIN));
    // Room for the 17 characters and the cursor after the last one.
    EditVIN->setMinimumWidth(QFontMetrics(fixed).horizontalAdvance(QString(VinLength + 2, QLatin1Char('W'))) +
                             12);
    EditVIN->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    ButtonReadVIN = new QPushButton(vin);
    ButtonReadVIN->setObjectName(QStringLiteral("ButtonReadVIN"));
    ButtonWriteVIN = new QPushButton(vin);
    ButtonWriteVIN->setObjectName(QStringLiteral("ButtonWriteVIN"));
    // Enter in the field writes; it must not also press a default button.
    ButtonReadVIN->setAutoDefault(false);
    ButtonWriteVIN->setAutoDefault(false);
    connect(ButtonReadVIN, &QPushButton::clicked, this, &TFormDiagnostics::ReadVIN);
    connect(ButtonWriteVIN, &QPushButton::clicked, this, &TFormDiagnostics::WriteVIN);
    connect(EditVIN, &QLineEdit::returnPressed, this, &TFormDiagnostics::WriteVIN);
    GroupBoxVIN = new QGroupBox(vin);
    GroupBoxVIN->setObjectName(QStringLiteral("GroupBoxVIN"));
    auto* vinLayout = new QGridLayout(GroupBoxVIN);
    vinLayout->setContentsMargins(12, 8, 12, 12);
    vinLayout->setHorizontalSpacing(6);
    vinLayout->setVerticalSpacing(0);
    vinLayout->addWidget(LabelVINRuler, 0, 0);
    vinLayout->addWidget(EditVIN, 1, 0);
    vinLayout->addWidget(ButtonReadVIN, 1, 1);
    vinLayout->addWidget(ButtonWriteVIN, 1, 2);
    vinLayout->setColumnStretch(3, 1);
    auto* vinPage = new QVBoxLayout(vin);
    vinPage->setContentsMargins(10, 10, 10, 10);
    vinPage->addWidget(GroupBoxVIN);
    vinPage->addStretch(1);

    QWidget* com = page("TabSheetCOM");
    COMListBox = MakeList("COMListBox", com);
    filled(com, COMListBox);

    QWidget* counters = page("TabSheetCounters");
    CountersListBox = MakeList("CountersListBox", counters);
    // The hours and minutes are right-aligned in columns of characters.
    CountersListBox->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    CountersListBox->setItemDelegate(new TCounterDelegate(CountersListBox));
    filled(counters, CountersListBox);

    PageControl->setCurrentIndex(PageDTC);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 6);
    layout->setSpacing(4);
    layout->addWidget(toolBar);
    auto* pages = new QVBoxLayout;
    pages->setContentsMargins(6, 0, 6, 0);
    pages->addWidget(PageControl);
    layout->addLayout(pages, 1);

    setTabOrder(ButtonUpdate, ButtonClear);
    setTabOrder(ButtonClear, PageControl);
    setTabOrder(PageControl, DTCListBox);
    setTabOrder(DTCListBox, EditVIN);
    setTabOrder(EditVIN, ButtonReadVIN);
    setTabOrder(ButtonReadVIN, ButtonWriteVIN);
    setTabOrder(ButtonWriteVIN, COMListBox);
    setTabOrder(COMListBox, CountersListBox);
}

void TFormDiagnostics::ApplyCaptions() {
    setWindowTitle(ResStr(SDiagnosticsCaption));
    ButtonUpdate->setText(ResStr(SDiagUpdate));
    ButtonUpdate->setToolTip(ResStr(SDiagUpdateHint));
    ButtonClear->setText(ResStr(SDiagClear));
    ButtonClear->setToolTip(ResStr(SDiagClearHint));
    PageControl->setTabText(PageDTC, ResStr(SDiagPageDTC));
    PageControl->setTabText(PageVIN, ResStr(SDiagPageVIN));
    PageControl->setTabText(PageCOM, ResStr(SDiagPageCOM));
    PageControl->setTabText(PageCounters, ResStr(SDiagPageCounters));
    LabelVINRuler->setText(ResStr(SDiagVINRuler));
    GroupBoxVIN->setTitle(ResStr(SDiagVINGroup));
    ButtonReadVIN->setText(ResStr(SDiagReadVIN));
    ButtonWriteVIN->setText(ResStr(SDiagWriteVIN));
    // A line that stands for an empty list speaks the new language too.
    if (ShowsOnlyPlaceholder(DTCListBox)) DTCListBox->item(0)->setText(ResStr(SDiagNoTroubleCode));
    if (ShowsOnlyPlaceholder(COMListBox)) COMListBox->item(0)->setText(ResStr(SDiagNoError));
}

// ---- Requests -------------------------------------------------------------------------------

void TFormDiagnostics::Send(uint16_t command, const QByteArray& payload) {
    SendCommand(CommandBody(command) + payload, this, false);
}

void TFormDiagnostics::ReadTroubleCodes() {
    Send(cmdTroubleCodes, QByteArray(1, char(ReadRecord)));
}

void TFormDiagnostics::ReadPendingCodes() {
    Send(cmdPendingCodes, {});
}

void TFormDiagnostics::ClearTroubleCodes() {
    Send(cmdTroubleCodes, QByteArray(1, char(ClearRecord)));
}

void TFormDiagnostics::ReadComErrors() {
    Send(cmdComErrors, {});
}

void TFormDiagnostics::ReadCounters() {
    Send(cmdCounters, QByteArray(1, char(ReadRecord)));
}

void TFormDiagnostics::ClearCounters() {
    Send(cmdCounters, QByteArray(1, char(ClearRecord)));
}

void TFormDiagnostics::ReadVIN() {
    Send(cmdVIN, QByteArray(1, char(VinRead)));
}

void TFormDiagnostics::WriteVIN() {
    const QString vin = EditVIN->text();
    if (vin.size() != VinLength) return;
    Send(cmdVIN, char(VinWrite) + vin.toLatin1());
}

// ---- Replies --------------------------------------------------------------------------------

void TFormDiagnostics::FrameReceived(const TFrame& Reply) {
    const QByteArray payload = FramePayload(Reply.Data);
    switch (FrameCommand(Reply.Data)) {
    case ReplyCode(cmdTroubleCodes):
        DTCListBox->clear();
        DTCListBox->addItems(StoredCodeLines(payload));
        break;
    case ReplyCode(cmdPendingCodes): {
        // Pending codes follow the stored ones, and take the place of "No trouble code.".
        const QStringList lines = PendingCodeLines(payload);
        if (!lines.isEmpty() && ShowsOnlyPlaceholder(DTCListBox)) DTCListBox->clear();
        DTCListBox->addItems(lines);
        break;
    }
    case ReplyCode(cmdComErrors):
        for (const QString& line : ComErrorLines(payload))
            AddComError(line);
        break;
    case ReplyCode(cmdCounters):
        CountersListBox->addItems(CounterLines(payload));
        break;
    case ReplyCode(cmdVIN):
        if (const auto vin = VinOfReply(payload)) {
            EditVIN->setText(QString::fromLatin1(*vin));
            emit VinReceived(QString::fromLatin1(*vin));
        }
        break;
    default:
        break;
    }
    ShowPlaceholders();
}

void TFormDiagnostics::ShowPlaceholders() {
    if (DTCListBox->count() == 0) SetPlaceholder(DTCListBox, ResStr(SDiagNoTroubleCode));
    if (COMListBox->count() == 0) SetPlaceholder(COMListBox, ResStr(SDiagNoError));
}

void TFormDiagnostics::AddComError(const QString& message) {
    if (ShowsOnlyPlaceholder(COMListBox)) COMListBox->clear();
    // Whoever reads the newest lines at the bottom keeps seeing them arrive.
    const QScrollBar* bar = COMListBox->verticalScrollBar();
    const bool atBottom = bar->value() == bar->maximum();
    COMListBox->addItem(message);
    while (COMListBox->count() > MaxComErrors)
        delete COMListBox->takeItem(0);
    if (atBottom) COMListBox->scrollToBottom();
}

// ---- Window and buttons ---------------------------------------------------------------------

void TFormDiagnostics::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    AlignVINRuler();
    if (!event->spontaneous()) FormShow();
}

void TFormDiagnostics::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    AlignVINRuler();
}

void TFormDiagnostics::AlignVINRuler() {
    QStyleOptionFrame frame;
    frame.initFrom(EditVIN);
    frame.rect = EditVIN->rect();
    frame.lineWidth =
        EditVIN->hasFrame() ? style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, EditVIN) : 0;
    frame.midLineWidth = 0;
    frame.state |= QStyle::State_Sunken;
    const QRect contents = style()->subElementRect(QStyle::SE_LineEditContents, &frame, EditVIN);
    // A line edit keeps two pixels between its contents' edge and the first character.
    const int textLeft = EditVIN->x() + contents.left() + EditVIN->textMargins().left() + 2;
    LabelVINRuler->setIndent(std::max(0, textLeft - LabelVINRuler->x()));
}

void TFormDiagnostics::FormShow() {
    PageControl->setCurrentIndex(PageCOM);
    // "No error." stands for an empty list: it comes with any reply, such as the VIN read on
    // connection, and must not keep the ECU's own error log from being read.
    if (COMListBox->count() == 0 || ShowsOnlyPlaceholder(COMListBox)) ReadComErrors();
    DTCListBox->clear();
    ReadTroubleCodes();
    ReadPendingCodes();
    CountersListBox->clear();
    ReadCounters();
    COMListBox->setFocus();
}

bool TFormDiagnostics::Confirmed(StringId question) {
    return Dialogs().Ask(TMsgKind::Confirmation, ResStr(question), mbYes | mbNo) == mbYes;
}

void TFormDiagnostics::ButtonUpdateClick() {
    switch (PageControl->currentIndex()) {
    case PageDTC:
        DTCListBox->clear();
        ReadTroubleCodes();
        ReadPendingCodes();
        break;
    case PageVIN:
        ReadVIN();
        break;
    case PageCOM:
        ReadComErrors();
        break;
    case PageCounters:
        CountersListBox->clear();
        ReadCounters();
        break;
    default:
        break;
    }
}

void TFormDiagnostics::ButtonClearClick() {
    switch (PageControl->currentIndex()) {
    case PageDTC:
        if (!Confirmed(SDiagAskClearCodes)) return;
        ClearTroubleCodes();
        DTCListBox->clear();
        ReadTroubleCodes();
        ReadPendingCodes();
        break;
    case PageVIN:
        EditVIN->clear();
        ReadVIN();
        break;
    case PageCOM:
        // The user clears the log to start afresh: commands the ECU refused may be tried again.
        if (TXQueue) TXQueue->ClearUnsupported();
        COMListBox->clear();
        ReadComErrors();
        break;
    case PageCounters:
        if (!Confirmed(SDiagAskClearCounters)) return;
        ClearCounters();
        CountersListBox->clear();
        ReadCounters();
        break;
    default:
        break;
    }
}
