#include "windows/WindowScaling.h"

#include "windows/GuiHost.h"

#include <QFont>
#include <QGuiApplication>
#include <QLayout>
#include <QScreen>
#include <QWidget>
#include <cmath>

namespace {

int Scaled(int value, int scalePercent) {
    return int(std::lround(value * 100.0 / scalePercent));
}

QSize Scaled(QSize size, int scalePercent) {
    return {Scaled(size.width(), scalePercent), Scaled(size.height(), scalePercent)};
}

// The font of widget, as it was before scaling, at the scaled size.
QFont ScaledFont(QFont font, int scalePercent) {
    if (font.pixelSize() > 0)
        font.setPixelSize(std::max(1, Scaled(font.pixelSize(), scalePercent)));
    else
        font.setPointSizeF(font.pointSizeF() * 100.0 / scalePercent);
    return font;
}

void ScaleLimits(QWidget* widget, int scalePercent) {
    const QSize min = widget->minimumSize();
    const QSize max = widget->maximumSize();
    if (min.width() > 0 || min.height() > 0) widget->setMinimumSize(Scaled(min, scalePercent));
    if (max.width() < QWIDGETSIZE_MAX || max.height() < QWIDGETSIZE_MAX)
        widget->setMaximumSize(
            max.width() < QWIDGETSIZE_MAX ? Scaled(max.width(), scalePercent) : QWIDGETSIZE_MAX,
            max.height() < QWIDGETSIZE_MAX ? Scaled(max.height(), scalePercent) : QWIDGETSIZE_MAX);
}

} // namespace

int ScalePercentForWidth(int screenWidth) {
    switch (screenWidth) {
    case 640:
        return 166;
    case 800:
        return 133;
    default:
        return 100;
    }
}

int PrimaryScreenWidth() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().width() : 0;
}

void ScaleWindow(QWidget* window, int scalePercent) {
    if (!window || scalePercent == 100 || scalePercent <= 0) return;
    // Children inherit the window's font; only those with a font of their own get a scaled one
    // too, computed from their size before the window's changed.
    const QList<QWidget*> children = window->findChildren<QWidget*>();
    QList<QPair<QWidget*, QFont>> ownFonts;
    for (QWidget* child : children)
        if (child->testAttribute(Qt::WA_SetFont)) ownFonts.append({child, child->font()});
    window->setFont(ScaledFont(window->font(), scalePercent));
    for (const auto& [child, font] : ownFonts)
        child->setFont(ScaledFont(font, scalePercent));
    for (QWidget* child : children) {
        ScaleLimits(child, scalePercent);
        const QWidget* parent = child->parentWidget();
        if (parent && !parent->layout() && !child->isWindow())
            child->setGeometry(Scaled(child->x(), scalePercent), Scaled(child->y(), scalePercent),
                               Scaled(child->width(), scalePercent), Scaled(child->height(), scalePercent));
    }
    const QSize size = window->size();
    ScaleLimits(window, scalePercent);
    window->resize(Scaled(size, scalePercent));
}

void ScaleLikeMainWindow(QWidget* window, const TGuiHost* host) {
    ScaleWindow(window, host ? host->ScreenScale() : 100);
}
