#include "flasher/UnitFirmwareUpgrade.h"

#include "StringIds.h"
#include "config/UnitDati.h"
#include "link/SerialLink.h"
#include "live/UnitAcquisitionPanel.h"
#include "resources/Strings.h"
#include "windows/GuiHost.h"
#include "windows/WindowScaling.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFormLayout>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QToolButton>
#include <QVBoxLayout>

TFormFirmwareUpgrade* FormFirmwareUpgrade = nullptr;

namespace {

QLabel* MakeLabel(const char* name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

// The texts the status line shows, for the width it keeps whatever it shows.
constexpr StringId StatusTexts[] = {SFlashInitializing,      SFlashCheckingRevision, SFlashUploadingConfig,
                                    SFlashClosingBootloader, SFlashResettingEcu,     SFlashStartingBootloader,
                                    SFlashTurnEcuOffOn,      SFlashChooseFile,       SFlashErasingMemory,
                                    SFlashFlashingFirmware,  SFlashSensingEcu,       SFlashDownloadingConfig,
                                    SFlashNoAnswerStatus,    SFlashRefusedStatus};

} // namespace

TFormFirmwareUpgrade::TFormFirmwareUpgrade(TGuiHost* host, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      Host(host) {
    setObjectName(QStringLiteral("FormFirmwareUpgrade"));
    FormFirmwareUpgrade = this;
    setModal(true);

    LabelIstruzioni = MakeLabel("LabelIstruzioni", this);
    QFont statusFont = LabelIstruzioni->font();
    statusFont.setPointSizeF(statusFont.pointSizeF() * 1.25);
    statusFont.setBold(true);
    LabelIstruzioni->setFont(statusFont);

    auto* revisions = new QGroupBox(this);
    revisions->setObjectName(QStringLiteral("GroupRevisions"));
    auto* revisionForm = new QFormLayout(revisions);
    revisionForm->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    revisionForm->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    LabelCurrent = MakeLabel("LabelCurrent", revisions);
    LabelCurrentVersion = MakeLabel("LabelCurrentVersion", revisions);
    LabelNew = MakeLabel("LabelNew", revisions);
    LabelNewVersion = MakeLabel("LabelNewVersion", revisions);
    for (QLabel* value : {LabelCurrentVersion, LabelNewVersion}) {
        QFont f = value->font();
        f.setBold(true);
        value->setFont(f);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    revisionForm->addRow(LabelCurrent, LabelCurrentVersion);
    revisionForm->addRow(LabelNew, LabelNewVersion);

    LabelProgress = MakeLabel("LabelProgress", this);
    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setRange(0, 100);
    ProgressBar->setFormat(QStringLiteral("%p%"));
    ProgressBar->setTextVisible(true);
    LabelLines = MakeLabel("LabelLines", this);
    LabelLines->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    LabelLines->setForegroundRole(QPalette::PlaceholderText);

    auto* progressGrid = new QGridLayout;
    progressGrid->addWidget(LabelProgress, 0, 0);
    progressGrid->addWidget(ProgressBar, 0, 1);
    progressGrid->addWidget(LabelLines, 1, 1);
    progressGrid->setColumnStretch(1, 1);

    // A disclosure arrow: right while the boot log is hidden, down while it shows.
    ButtonVerbose = new QToolButton(this);
    ButtonVerbose->setObjectName(QStringLiteral("ButtonVerbose"));
    ButtonVerbose->setCheckable(true);
    ButtonVerbose->setAutoRaise(true);
    ButtonVerbose->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    ButtonVerbose->setArrowType(Qt::RightArrow);
    connect(ButtonVerbose, &QToolButton::toggled, this, &TFormFirmwareUpgrade::ButtonVerboseClick);
    ButtonClose = new QPushButton(this);
    ButtonClose->setObjectName(QStringLiteral("ButtonClose"));
    ButtonClose->setAutoDefault(false);
    connect(ButtonClose, &QPushButton::clicked, this, &QWidget::close);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ButtonVerbose);
    buttons->addStretch(1);
    buttons->addWidget(ButtonClose);

    BootLog = new QPlainTextEdit(this);
    BootLog->setObjectName(QStringLiteral("BootLog"));
    BootLog->setReadOnly(true);
    BootLog->setLineWrapMode(QPlainTextEdit::NoWrap);
    BootLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    BootLog->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    BootLog->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    {
        QPalette p = BootLog->palette();
        p.setColor(QPalette::Base, QColor(0x1E, 0x1E, 0x1E));
        p.setColor(QPalette::Text, QColor(0xD8, 0xE8, 0xD0));
        BootLog->setPalette(p);
        const QFontMetrics fm(BootLog->font());
        BootLog->setFixedHeight(fm.lineSpacing() * 14 + 2 * BootLog->frameWidth() + 8);
        BootLog->setMinimumWidth(fm.horizontalAdvance(QLatin1Char('M')) * 64);
    }
    BootLog->installEventFilter(this);
    BootLog->hide();

    auto* rule = new QFrame(this);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->setContentsMargins(16, 14, 16, 14);
    layout->setSpacing(10);
    layout->addWidget(LabelIstruzioni);
    layout->addWidget(revisions);
    layout->addLayout(progressGrid);
    layout->addWidget(BootLog);
    layout->addWidget(rule);
    layout->addLayout(buttons);

    TimerStep.setObjectName(QStringLiteral("TimerStep"));
    TimerStep.setInterval(TUpgradeSequence::StepTimerMs);
    connect(&TimerStep, &QTimer::timeout, this, [this] {
        if (FSequence) FSequence->TimerStepTimer();
    });

    ApplyCaptions();
    ScaleLikeMainWindow(this, Host);
}

TFormFirmwareUpgrade::~TFormFirmwareUpgrade() {
    TimerStep.stop();
    FSequence.reset();
    if (FormFirmwareUpgrade == this) FormFirmwareUpgrade = nullptr;
}

void TFormFirmwareUpgrade::ApplyCaptions() {
    setWindowTitle(ResStr(SFirmwareUpgradeCaption));
    ButtonVerbose->setText(ResStr(SFlashDetails));
    ButtonClose->setText(ResStr(SFlashClose));
    LabelCurrent->setText(ResStr(SFlashCurrentRevision));
    LabelNew->setText(ResStr(SFlashNewRevision));
    LabelProgress->setText(ResStr(SFlashProgress));
    // The status line keeps the width of its longest text with three dots, so the window does
    // not jump as the dots run.
    const QFontMetrics fm(LabelIstruzioni->font());
    int width = 0;
    for (StringId id : StatusTexts)
        width = qMax(width, fm.horizontalAdvance(ResStr(id) + QStringLiteral("...")));
    LabelIstruzioni->setMinimumWidth(width);
    // Room for a long identification text or file name beside the captions.
    LabelCurrentVersion->setMinimumWidth(fm.horizontalAdvance(QStringLiteral("CORVANE KELD 2.05 0000")));
}

void TFormFirmwareUpgrade::CloseBootloader() {
    if (EnsureSequence()) FSequence->Dialogue.CloseMonitor();
}

bool TFormFirmwareUpgrade::EnsureSequence() {
    if (FSequence) return true;
    if (!SerialLink || !DataMap) return false;
    FSequence = std::make_unique<TUpgradeSequence>(*SerialLink, *DataMap, *this);
    connect(&FSequence->Dialogue, &TBootDialogue::FlashingChanged, ButtonClose,
            [this](bool on) { ButtonClose->setEnabled(!on); });
    TBootLog& log = FSequence->BootLog;
    connect(&log, &TBootLog::Cleared, BootLog, &QPlainTextEdit::clear);
    connect(&log, &TBootLog::Appended, BootLog, [this](const QString& text) {
        QScrollBar* bar = BootLog->verticalScrollBar();
        const bool atEnd = bar->value() == bar->maximum();
        QTextCursor cursor(BootLog->document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(text);
        if (atEnd) bar->setValue(bar->maximum());
    });
    connect(&log, &TBootLog::TailReplaced, BootLog, [this](qsizetype position, const QString& text) {
        QTextCursor cursor(BootLog->document());
        cursor.setPosition(int(position));
        cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        cursor.insertText(text);
    });
    return true;
}

// ---- Opening and closing --------------------------------------------------------------------

void TFormFirmwareUpgrade::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (Running) return;
    // Centred on the main window.
    if (Host) {
        const QRect area = Host->NoticeArea();
        if (area.isValid()) move(area.center() - rect().center());
    }
    FormShow();
}

void TFormFirmwareUpgrade::FormShow() {
    ButtonVerbose->setChecked(false);
    BootLog->hide();
    LabelLines->clear();
    if (!EnsureSequence()) return;
    Running = true;
    FSequence->Start();
}

void TFormFirmwareUpgrade::FormClose() {
    TimerStep.stop();
    if (Running && FSequence) FSequence->Finish();
    Running = false;
}

void TFormFirmwareUpgrade::done(int result) {
    if (Running && !ForceClose && FSequence && !FSequence->CanClose()) {
        QApplication::beep();
        return;
    }
    FormClose();
    QDialog::done(result);
}

void TFormFirmwareUpgrade::CloseWindow() {
    ForceClose = true;
    done(QDialog::Accepted);
    ForceClose = false;
}

void TFormFirmwareUpgrade::ButtonVerboseClick(bool on) {
    ButtonVerbose->setArrowType(on ? Qt::DownArrow : Qt::RightArrow);
    BootLog->setVisible(on);
    if (on) BootLog->verticalScrollBar()->setValue(BootLog->verticalScrollBar()->maximum());
}

void TFormFirmwareUpgrade::HideMeters() {
    if (FormAcquisitionPanel) FormAcquisitionPanel->hide();
}

// ---- What the sequence shows ----------------------------------------------------------------

void TFormFirmwareUpgrade::ShowStatusLine(const QString& line) {
    LabelIstruzioni->setText(line);
    // The status line runs on every step tick, the flash included.
    ButtonClose->setEnabled(!FSequence || FSequence->CanClose());
}

void TFormFirmwareUpgrade::ShowCurrentRevision(const QString& text) {
    LabelCurrentVersion->setText(text);
}

void TFormFirmwareUpgrade::ShowNewRevision(const QString& text) {
    LabelNewVersion->setText(text);
}

void TFormFirmwareUpgrade::ShowProgress(int percent) {
    ProgressBar->setValue(percent);
    if (percent == 0) LabelLines->clear();
}

void TFormFirmwareUpgrade::ShowLinesWritten(int written, int lines) {
    // Wide enough for the last count from the first: the window keeps its size while it counts.
    if (written <= 1)
        LabelLines->setMinimumWidth(
            LabelLines->fontMetrics().horizontalAdvance(ResStr(SFlashLineCount).arg(lines).arg(lines)));
    LabelLines->setText(ResStr(SFlashLineCount).arg(written).arg(lines));
}

// ---- Keys typed into the boot log go to the monitor ------------------------------------------

bool TFormFirmwareUpgrade::eventFilter(QObject* watched, QEvent* event) {
    if (watched != BootLog || event->type() != QEvent::KeyPress || !FSequence ||
        !FSequence->Dialogue.KeysToMonitor())
        return QDialog::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    QByteArray byte;
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        byte = "\r";
        break;
    case Qt::Key_Escape:
        byte = QByteArray(1, TBootDialogue::Esc);
        break;
    case Qt::Key_Backspace:
        byte = "\b";
        break;
    default: {
        const QString text = key->text();
        if (!text.isEmpty() && text[0].unicode() < 0x100) byte = QByteArray(1, char(text[0].unicode()));
        break;
    }
    }
    if (byte.isEmpty()) return QDialog::eventFilter(watched, event);
    FSequence->Dialogue.SendToMonitor(byte);
    return true;
}
