#include "link/UnitCommunications.h"

#include "StringIds.h"
#include "resources/Strings.h"
#include "windows/WindowScaling.h"
#include "link/LogDump.h"

#include <QAction>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTimer>
#include <QVBoxLayout>

TFormCommunications* FormCommunications = nullptr;

// ---- TActivityLight -------------------------------------------------------------------------

TActivityLight::TActivityLight(QWidget* parent) : QWidget(parent), OffTimer(new QTimer(this)) {
    OffTimer->setSingleShot(true);
    connect(OffTimer, &QTimer::timeout, this, [this] {
        FLit = false;
        update();
    });
    setFixedSize(sizeHint());
}

void TActivityLight::Flash() {
    FLit = true;
    update();
    OffTimer->start(80);
}

void TActivityLight::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(palette().color(QPalette::Dark), 1));
    painter.setBrush(FLit ? QColor(0, 255, 0) : QColor(0, 80, 0));
    painter.drawEllipse(rect().adjusted(1, 1, -2, -2));
}

// ---- TFormCommunications --------------------------------------------------------------------

namespace {
QLabel* ValueLabel(const char* name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setMinimumWidth(60);
    return label;
}
} // namespace

TFormCommunications::TFormCommunications(TGuiHost* host, QWidget* parent, bool start)
    : QWidget(parent), Host(host) {
    FormCommunications = this;
    setObjectName(QStringLiteral("FormCommunications"));
    setWindowFlags(Qt::Window | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    resize(900, 460);

    FramesBox = new QGroupBox(this);
    FramesBox->setObjectName(QStringLiteral("GroupBoxFrames"));
    auto* framesLayout = new QHBoxLayout(FramesBox);
    QueuedCaption = new QLabel(FramesBox);
    EnqdFrmNumLabel = ValueLabel("EnqdFrmNumLabel", FramesBox);
    EnqdFrmNumLabel->setText(QStringLiteral("0"));
    framesLayout->addWidget(QueuedCaption);
    framesLayout->addWidget(EnqdFrmNumLabel);

    ComBox = new QGroupBox(this);
    ComBox->setObjectName(QStringLiteral("GroupBoxCom"));
    auto* comLayout = new QHBoxLayout(ComBox);
    PortCaption = new QLabel(ComBox);
    PortLabel = ValueLabel("PortLabel", ComBox);
    PortLabel->setMinimumWidth(110);
    RateCaption = new QLabel(ComBox);
    BaudRateLabel = ValueLabel("BaudRateLabel", ComBox);
    TXCaption = new QLabel(ComBox);
    LightTX = new TActivityLight(ComBox);
    LightTX->setObjectName(QStringLiteral("LightTX"));
    RXCaption = new QLabel(ComBox);
    LightRX = new TActivityLight(ComBox);
    LightRX->setObjectName(QStringLiteral("LightRX"));
    for (QWidget* w : {static_cast<QWidget*>(PortCaption), static_cast<QWidget*>(PortLabel),
                       static_cast<QWidget*>(RateCaption), static_cast<QWidget*>(BaudRateLabel),
                       static_cast<QWidget*>(TXCaption), static_cast<QWidget*>(LightTX),
                       static_cast<QWidget*>(RXCaption), static_cast<QWidget*>(LightRX)})
        comLayout->addWidget(w);

    PauseButton = new QPushButton(this);
    PauseButton->setObjectName(QStringLiteral("PauseButton"));
    PauseButton->setCheckable(true);
    ClearButton = new QPushButton(this);
    ClearButton->setObjectName(QStringLiteral("ClearButton"));
    connect(PauseButton, &QPushButton::toggled, this, &TFormCommunications::PauseButtonClick);
    connect(ClearButton, &QPushButton::clicked, this, &TFormCommunications::ClearButtonClick);

    LogBox = new QPlainTextEdit(this);
    LogBox->setObjectName(QStringLiteral("LogBox"));
    LogBox->setReadOnly(true);
    LogBox->setUndoRedoEnabled(false);
    LogBox->setLineWrapMode(QPlainTextEdit::NoWrap);
    LogBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    LogBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    LogBox->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    QPalette logPalette = LogBox->palette();
    logPalette.setColor(QPalette::Base, Qt::black);
    logPalette.setColor(QPalette::Text, QColor(0, 255, 0));
    LogBox->setPalette(logPalette);

    auto* top = new QHBoxLayout;
    top->addWidget(FramesBox);
    top->addWidget(ComBox);
    top->addStretch(1);
    top->addWidget(PauseButton);
    top->addWidget(ClearButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(LogBox, 1);

    ApplyCaptions();
    ScaleLikeMainWindow(this, Host);

    connect(&Link, &TSerialLink::StatusText, this, &TFormCommunications::ShowStatus);
    connect(&Link, &TSerialLink::ComMenuChanged, this, &TFormCommunications::RefreshComMenu);
    connect(&Link, &TSerialLink::PortChanged, this, &TFormCommunications::ShowPort);
    connect(&Link, &TSerialLink::FrameLogged, this, &TFormCommunications::LogData);
    connect(&Link, &TSerialLink::QueuedCountChanged, this,
            [this](int count) { EnqdFrmNumLabel->setText(QString::number(count)); });
    connect(&Link, &TSerialLink::LogCleared, this, &TFormCommunications::ClearLog);
    connect(&Link, &TSerialLink::BootTextReceived, this, &TFormCommunications::ComPortEcho);
    connect(&Link, &TSerialLink::Activity, this,
            [this](bool transmit) { (transmit ? LightTX : LightRX)->Flash(); });
    AttachComMenu(true);

    if (start) Link.Start();
}

TFormCommunications::~TFormCommunications() {
    disconnect(&Link, nullptr, this, nullptr);
    Link.Dismantle();
    AttachComMenu(false);
    if (FormCommunications == this) FormCommunications = nullptr;
}

void TFormCommunications::ApplyCaptions() {
    setWindowTitle(ResStr(SCaptionLog));
    FramesBox->setTitle(ResStr(SCaptionFrames));
    ComBox->setTitle(ResStr(SCaptionCom));
    QueuedCaption->setText(ResStr(SCaptionQueued));
    PortCaption->setText(ResStr(SCaptionPort));
    RateCaption->setText(ResStr(SCaptionRate));
    TXCaption->setText(ResStr(SCaptionTX));
    RXCaption->setText(ResStr(SCaptionRX));
    PauseButton->setText(ResStr(SCaptionPause));
    ClearButton->setText(ResStr(SCaptionClear));
}

void TFormCommunications::ShowStatus(int panel, const QString& text) {
    if (Host) Host->SetStatusText(panel, text);
}

void TFormCommunications::ShowPort() {
    PortLabel->setText(Link.PortName());
    PortLabel->setToolTip(Link.PortName()); // a long device path may not fit the label
    BaudRateLabel->setText(QString::number(Link.BaudRate()));
}

void TFormCommunications::AttachComMenu(bool attach) {
    for (const QPointer<QAction>& action : ComMenu.Ports)
        if (action) disconnect(action, nullptr, this, nullptr);
    if (ComMenu.Scan) disconnect(ComMenu.Scan, nullptr, this, nullptr);
    if (ComMenu.Menu) disconnect(ComMenu.Menu, nullptr, this, nullptr);
    ComMenu = attach && Host ? Host->ComMenu() : TComMenuActions{};
    for (QAction* action : ComMenu.Ports) {
        if (!action) continue;
        action->setCheckable(true);
        connect(action, &QAction::triggered, this, [this, action] {
            Link.ChoosePort(action->data().toString());
            RefreshComMenu();
        });
    }
    if (ComMenu.Scan) {
        ComMenu.Scan->setCheckable(true);
        connect(ComMenu.Scan, &QAction::triggered, this, [this](bool on) { Link.SetScanCOM(on); });
    }
    if (ComMenu.Menu) connect(ComMenu.Menu, &QMenu::aboutToShow, this, &TFormCommunications::RefreshComMenu);
}

void TFormCommunications::RefreshComMenu() {
    const QStringList& ports = Link.KnownPorts();
    const QString inUse = Link.PortName();
    for (int i = 0; i < int(ComMenu.Ports.size()); ++i) {
        QAction* action = ComMenu.Ports[size_t(i)];
        if (!action) continue;
        const bool listed = i < ports.size();
        action->setText(listed ? ports[i] : QString());
        action->setData(listed ? ports[i] : QString());
        action->setChecked(listed && ports[i] == inUse);
        action->setVisible(listed);
    }
    if (ComMenu.Scan) ComMenu.Scan->setChecked(Link.ScanCOM());
    ShowPort();
}

int TFormCommunications::LogLineCount() const {
    return LogBox->document()->isEmpty() ? 0 : LogBox->document()->blockCount();
}

QString TFormCommunications::LogText() const {
    return LogBox->toPlainText();
}

void TFormCommunications::ClearLog() {
    LogBox->clear();
}

void TFormCommunications::LogData(const QByteArray& Data, bool Sent) {
    if (Paused) return;
    if (LogLineCount() > MaxLogLines) LogBox->clear();
    for (const QString& line : LogDumpLines(Data, Sent, LongTimeText(QTime::currentTime())))
        LogBox->appendPlainText(line);
}

void TFormCommunications::ComPortEcho(const QByteArray& bytes) {
    QString text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        if (c == '\n') continue;
        text += c == '\r' ? QChar(QLatin1Char('\n')) : QChar(QLatin1Char(c));
    }
    QTextCursor cursor(LogBox->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
    LogBox->moveCursor(QTextCursor::End);
}

void TFormCommunications::PauseButtonClick(bool down) {
    Paused = down;
}

void TFormCommunications::ClearButtonClick() {
    ClearLog();
}
