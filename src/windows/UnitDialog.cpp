#include "windows/UnitDialog.h"

#include "windows/GuiHost.h"
#include "windows/WindowScaling.h"

#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>
#include <cmath>

TFormDialog* FormDialog = nullptr;

namespace {

constexpr int TickMs = 40;
constexpr int OpacityStep = 30;
constexpr int LastOpacity = 30;

} // namespace

int TFormDialog::HoldTicks(int durationMs) {
    return int(std::nearbyint(durationMs / double(TickMs)));
}

TFormDialog::TFormDialog(TGuiHost* host, QWidget* parent)
    : TFadingWindow(host, TGuiCountdown::Dialog, parent,
                    Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus) {
    setObjectName(QStringLiteral("FormDialog"));
    FormDialog = this;
    setFixedSize(399, 150);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    Etichetta = new QLabel(this);
    Etichetta->setObjectName(QStringLiteral("Etichetta"));
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(33);
    font.setBold(true);
    Etichetta->setFont(font);
    Etichetta->setAlignment(Qt::AlignCenter);
    layout->addWidget(Etichetta);
    ScaleLikeMainWindow(this, Host);
}

TFormDialog::~TFormDialog() {
    if (FormDialog == this) FormDialog = nullptr;
}

void TFormDialog::Show(const QString& text, int durationMs) {
    if (isVisible()) return;
    Etichetta->setText(text);
    Duration = durationMs;
    StartFade(HoldTicks(durationMs));
    if (Host) {
        // Centred on the main window, its bottom edge on the top of the status bar.
        const QRect area = Host->NoticeArea();
        move(area.left() + (area.width() - width()) / 2, area.top() + area.height() - height());
    }
    show();
    if (Host) Host->ReturnFocus();
}

void TFormDialog::ManageFade() {
    if (FadeStep(OpacityStep, LastOpacity)) hide();
}

void TFormDialog::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect r = rect();
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setColorAt(0, QColor(0x00, 0xff, 0x00));
    fill.setColorAt(1, QColor(0x00, 0x80, 0x00));
    p.fillRect(r, fill);
    // A raised bevel, light on the top and left, dark on the bottom and right.
    const int bevel = 4;
    for (int i = 0; i < bevel; ++i) {
        p.setPen(QColor(0xc0, 0xff, 0xc0, 220 - i * 40));
        p.drawLine(r.left() + i, r.top() + i, r.right() - i, r.top() + i);
        p.drawLine(r.left() + i, r.top() + i, r.left() + i, r.bottom() - i);
        p.setPen(QColor(0x00, 0x30, 0x00, 220 - i * 40));
        p.drawLine(r.left() + i, r.bottom() - i, r.right() - i, r.bottom() - i);
        p.drawLine(r.right() - i, r.top() + i, r.right() - i, r.bottom() - i);
    }
}
