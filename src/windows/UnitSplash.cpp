#include "windows/UnitSplash.h"

#include "StringIds.h"
#include "app/Constants.h"
#include "resources/Strings.h"
#include "windows/GuiHost.h"
#include "windows/WindowScaling.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <cmath>

TFormSplash* FormSplash = nullptr;

namespace {

constexpr int SplashHoldTicks = 25;
constexpr int OpacityStep = 30;
constexpr int LastVisibleOpacity = 31;
constexpr QSize PictureSize(440, 220);

QPointF OnCircle(QPointF centre, double radius, double degrees) {
    const double rad = qDegreesToRadians(degrees);
    return centre + QPointF(std::cos(rad) * radius, -std::sin(rad) * radius);
}

void DrawGauge(QPainter& p, QPointF c, double r) {
    QRadialGradient bezel(c, r * 1.08);
    bezel.setColorAt(0.88, QColor(0xd8, 0xdc, 0xe2));
    bezel.setColorAt(0.95, QColor(0x70, 0x76, 0x80));
    bezel.setColorAt(1.0, QColor(0x30, 0x34, 0x3a));
    p.setPen(Qt::NoPen);
    p.setBrush(bezel);
    p.drawEllipse(c, r * 1.08, r * 1.08);
    QRadialGradient face(c - QPointF(r * 0.3, r * 0.3), r * 1.3);
    face.setColorAt(0, QColor(0x24, 0x2a, 0x34));
    face.setColorAt(1, QColor(0x06, 0x08, 0x0c));
    p.setBrush(face);
    p.drawEllipse(c, r * 0.94, r * 0.94);

    // Coloured sectors: lean, in range, rich.
    const QRectF arcRect(c.x() - r * 0.78, c.y() - r * 0.78, r * 1.56, r * 1.56);
    const struct {
        double from, span;
        QColor colour;
    } sectors[] = {{225, -90, QColor(0x30, 0x90, 0xff)},
                   {135, -90, QColor(0x30, 0xe0, 0x50)},
                   {45, -60, QColor(0xff, 0xc0, 0x20)},
                   {-15, -30, QColor(0xff, 0x40, 0x30)}};
    for (const auto& s : sectors) {
        p.setPen(QPen(s.colour, r * 0.09, Qt::SolidLine, Qt::FlatCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(arcRect, int(s.from * 16), int(s.span * 16));
    }
    // Ticks.
    for (int i = 0; i <= 20; ++i) {
        const double a = 225 - i * 13.5;
        const bool major = i % 5 == 0;
        p.setPen(QPen(QColor(0xf0, 0xf0, 0xf0), major ? r * 0.03 : r * 0.015));
        p.drawLine(OnCircle(c, r * (major ? 0.56 : 0.62), a), OnCircle(c, r * 0.7, a));
    }
    // Needle.
    const double needle = 100;
    QPainterPath path;
    path.moveTo(OnCircle(c, r * 0.74, needle));
    path.lineTo(OnCircle(c, r * 0.06, needle + 90));
    path.lineTo(OnCircle(c, r * 0.16, needle + 180));
    path.lineTo(OnCircle(c, r * 0.06, needle - 90));
    path.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xff, 0x50, 0x20));
    p.drawPath(path);
    QRadialGradient hub(c, r * 0.1);
    hub.setColorAt(0, QColor(0xe0, 0xe0, 0xe0));
    hub.setColorAt(1, QColor(0x50, 0x50, 0x58));
    p.setBrush(hub);
    p.drawEllipse(c, r * 0.1, r * 0.1);
}

void DrawFlame(QPainter& p, QPointF base, double h) {
    auto flame = [&](double scale, const QColor& inner, const QColor& outer) {
        const double w = h * 0.42 * scale;
        const double t = h * scale;
        QPainterPath path;
        path.moveTo(base);
        path.cubicTo(base + QPointF(-w, 0), base + QPointF(-w * 1.1, -t * 0.55),
                     base + QPointF(-w * 0.1, -t));
        path.cubicTo(base + QPointF(w * 0.15, -t * 0.7), base + QPointF(w * 0.55, -t * 0.62),
                     base + QPointF(w * 0.45, -t * 0.88));
        path.cubicTo(base + QPointF(w * 1.2, -t * 0.5), base + QPointF(w, 0), base);
        QLinearGradient g(base, base - QPointF(0, t));
        g.setColorAt(0, inner);
        g.setColorAt(1, outer);
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawPath(path);
    };
    flame(1.0, QColor(0x20, 0x60, 0xff, 230), QColor(0x00, 0xc0, 0xff, 120));
    flame(0.62, QColor(0xa0, 0xe8, 0xff, 240), QColor(0x40, 0x90, 0xff, 160));
    flame(0.3, QColor(0xff, 0xff, 0xff, 250), QColor(0xb0, 0xe0, 0xff, 200));
}

} // namespace

QPixmap DrawSplashPicture(QSize size) {
    QPixmap pixmap(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(QPointF(0, 0), QSizeF(size));

    QLinearGradient sky(r.topLeft(), r.bottomRight());
    sky.setColorAt(0, QColor(0x06, 0x1a, 0x3a));
    sky.setColorAt(0.6, QColor(0x08, 0x4a, 0x60));
    sky.setColorAt(1, QColor(0x10, 0x7a, 0x70));
    p.fillRect(r, sky);
    // Fine lines, like the traces of the meters window.
    p.setPen(QPen(QColor(0xff, 0xff, 0xff, 22), 1));
    for (int x = 0; x < size.width(); x += 22)
        p.drawLine(QPointF(x, 0), QPointF(x, r.bottom()));
    for (int y = 0; y < size.height(); y += 22)
        p.drawLine(QPointF(0, y), QPointF(r.right(), y));
    QPainterPath trace;
    trace.moveTo(0, r.height() * 0.78);
    for (int x = 0; x <= size.width(); x += 4)
        trace.lineTo(x, r.height() * (0.72 + 0.08 * std::sin(x / 18.0) * std::cos(x / 53.0)));
    p.setPen(QPen(QColor(0x40, 0xff, 0x60, 150), 2));
    p.drawPath(trace);

    const double radius = r.height() * 0.40;
    DrawGauge(p, QPointF(r.width() * 0.3, r.height() * 0.5), radius);
    DrawFlame(p, QPointF(r.width() * 0.72, r.height() * 0.86), r.height() * 0.7);

    QLinearGradient shine(r.topLeft(), QPointF(0, r.height() * 0.5));
    shine.setColorAt(0, QColor(255, 255, 255, 40));
    shine.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillRect(QRectF(0, 0, r.width(), r.height() * 0.5), shine);
    return pixmap;
}

QString TFormSplash::VersionLine() {
    const QString variant = ResStr(BuildVariant == KELD ? SVariantKeld : SVariantOrb);
    return ResStr(SVersion) + QLatin1Char(' ') + FormatAppVersion() + QLatin1Char('.') +
           QStringLiteral("%1").arg(BuildNumber, 3) + QLatin1Char(' ') + variant;
}

TFormSplash::TFormSplash(TGuiHost* host, QWidget* parent)
    : TFadingWindow(host, TGuiCountdown::Splash, parent,
                    Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("FormSplash"));
    FormSplash = this;
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0x04, 0x10, 0x24));
    pal.setColor(QPalette::WindowText, QColor(0xf0, 0xf4, 0xf8));
    setPalette(pal);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 14);
    layout->setSpacing(6);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    PictureArea = new QLabel(this);
    PictureArea->setObjectName(QStringLiteral("PictureArea"));
    PictureArea->setPixmap(DrawSplashPicture(PictureSize));
    PictureArea->setScaledContents(true);
    PictureArea->setFixedSize(PictureSize);
    layout->addWidget(PictureArea);

    LabelAppName = new QLabel(this);
    LabelAppName->setObjectName(QStringLiteral("LabelAppName"));
    QFont nameFont(QStringLiteral("Arial"));
    nameFont.setPixelSize(30);
    nameFont.setBold(true);
    LabelAppName->setFont(nameFont);
    LabelAppName->setAlignment(Qt::AlignCenter);
    layout->addWidget(LabelAppName);

    LabelVersion = new QLabel(this);
    LabelVersion->setObjectName(QStringLiteral("LabelVersion"));
    QFont versionFont(QStringLiteral("Arial"));
    versionFont.setPixelSize(14);
    LabelVersion->setFont(versionFont);
    LabelVersion->setAlignment(Qt::AlignCenter);
    layout->addWidget(LabelVersion);

    ButtonClose = new QPushButton(this);
    ButtonClose->setObjectName(QStringLiteral("ButtonClose"));
    ButtonClose->setVisible(false);
    connect(ButtonClose, &QPushButton::clicked, this, &QWidget::close);
    layout->addWidget(ButtonClose, 0, Qt::AlignHCenter);

    ApplyCaptions();
    ScaleLikeMainWindow(this, Host);
    adjustSize();
    CentreOnScreen();

    // Visible from the start, opaque, with its fade counted by the main window's timer.
    StartFade(SplashHoldTicks);
    show();
}

TFormSplash::~TFormSplash() {
    if (FormSplash == this) FormSplash = nullptr;
}

void TFormSplash::ApplyCaptions() {
    LabelAppName->setText(ResStr(SAppName));
    LabelVersion->setText(VersionLine());
    ButtonClose->setText(ResStr(SAboutClose));
    setWindowTitle(ResStr(SAboutCaption)); // shown only once the window has its border
}

void TFormSplash::CentreOnScreen() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void TFormSplash::ManageFade() {
    // The last visible step still shows: the window goes once below it.
    if (FadeStep(OpacityStep, LastVisibleOpacity - 1)) close();
}

void TFormSplash::ShowAbout() {
    // A fade still running would close the About box under the user's eyes.
    StopFade();
    Blending = false;
    SetOpacity(255);
    hide();
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setAttribute(Qt::WA_ShowWithoutActivating, false);
    setWindowTitle(ResStr(SAboutCaption));
    ButtonClose->setVisible(true);
    adjustSize();
    CentreOnScreen();
    show();
    raise();
    activateWindow();
}

void TFormSplash::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}
