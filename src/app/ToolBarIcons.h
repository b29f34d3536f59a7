#pragma once

#include <QIcon>

// The main window's tool-bar icons, drawn by the program itself.
enum class TToolBarIcon { Load, Save, Undo, Display, Upload, Download, Bank };

// The icon at its design size (32 pixels) and at twice that for high-density screens.
QIcon ToolBarIcon(TToolBarIcon icon);

// One rendering of the icon, size x size device pixels.
QPixmap DrawToolBarIcon(TToolBarIcon icon, int size);
