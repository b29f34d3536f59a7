#include "windows/UnitGlowingLabel.h"

#include "windows/GuiHost.h"
#include "windows/WindowScaling.h"
#include "windows/UnitDialog.h"

#include <QBitmap>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

TFormGlowingLabel* FormGlowingLabel = nullptr;

namespace {

constexpr int HoldTicks = 27;
constexpr int OpacityStep = 20;
constexpr int LastOpacity = 20;

} // namespace

TFormGlowingLabel::TFormGlowingLabel(TGuiHost* host, QWidget* parent)
    : TFadingWindow(host, TGuiCountdown::Glow, parent,
                    Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus |
                        Qt::WindowTransparentForInput) {
    setObjectName(QStringLiteral("FormGlowingLabel"));
    FormGlowingLabel = this;
    setAttribute(Qt::WA_TranslucentBackground);
    resize(400, 160);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSizeConstraint(QLayout::SetNoConstraint);
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(69);
    font.setBold(true);
    Label1->setFont(font);
    Label1->setAlignment(Qt::AlignCenter);
    // The window takes the chart's size, whatever the word's.
    Label1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    QPalette pal = Label1->palette();
    pal.setColor(QPalette::WindowText, Qt::white);
    Label1->setPalette(pal);
    layout->addWidget(Label1);
    ScaleLikeMainWindow(this, Host);
}

TFormGlowingLabel::~TFormGlowingLabel() {
    if (FormGlowingLabel == this) FormGlowingLabel = nullptr;
}

void TFormGlowingLabel::Show(const QString& text) {
    Label1->setText(text);
    SetOpacity(255);
    if (Host) setGeometry(Host->LambdaChartScreenRect());
    UpdateMask();
    if (FormDialog && FormDialog->isVisible()) return;
    StartFade(HoldTicks);
    show();
    if (Host) Host->ReturnFocus();
}

void TFormGlowingLabel::ManageFade() {
    if (!FadeStep(OpacityStep, LastOpacity)) return;
    Label1->clear();
    hide();
}

void TFormGlowingLabel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    UpdateMask();
}

// Without a compositing window manager a translucent background shows black; the window is then
// shaped to the word itself, so that the chart stays visible around it.
void TFormGlowingLabel::UpdateMask() {
    if (size().isEmpty()) return;
    QBitmap shape(size());
    shape.fill(Qt::color0);
    const QFontMetrics metrics(Label1->font());
    const QRect box = metrics.boundingRect(rect(), Qt::AlignCenter, Label1->text());
    QPainterPath word;
    word.addText(QPointF(box.left(), box.top() + metrics.ascent()), Label1->font(), Label1->text());
    QPainter p(&shape);
    p.setPen(QPen(Qt::color1, 3));
    p.setBrush(Qt::color1);
    p.drawPath(word);
    p.end();
    setMask(shape);
}
