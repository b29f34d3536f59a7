#pragma once

class QWidget;
class TGuiHost;

// Windows designed for a 1024-pixel-wide screen shrink on smaller screens: every window scales
// itself by 100 / ScalePercent when it is created.

// 166 for a screen 640 pixels wide, 133 for 800, 100 for any other width.
int ScalePercentForWidth(int screenWidth);

// The width of the primary screen, 0 when there is none.
int PrimaryScreenWidth();

// Scales window by 100 / scalePercent: its size, the fixed and minimum sizes of it and its
// controls, the positions of controls placed without a layout, and every font.
void ScaleWindow(QWidget* window, int scalePercent);

// Scales window by the main window's scale (unscaled without a main window).
void ScaleLikeMainWindow(QWidget* window, const TGuiHost* host);
