#pragma once
// Where windows go: the batch windows inside the main window's client area (tile, cascade, first
// placement) and the main window on the screen. Geometry only, in the client area's or the screen's pixels.

#include <QList>
#include <QRect>
#include <optional>

class QScreen;

// Tile: one above the other at the full width while each keeps its minimum height; then in columns,
// each column shared by its windows. When the area cannot hold them all at their minimum size, it is
// divided into as many tiles as it holds and the remaining windows lie over them, each `step` lower
// and to the right of the one below, so that every title bar stays in sight. In a tile as wide as
// `wide` a window shows all its columns and needs no horizontal scroll bar: it may be as low as
// `wide` (an invalid size: never).
QList<QRect> TileRects(int count, const QRect &area, const QSize &minimum, const QSize &wide, int step);

// Cascade: each window `step` lower and to the right of the one before, all as high as the area
// allows after the last offset and as wide as they want (`wanted`) within it; when the offsets would
// leave a window smaller than its minimum a new cascade starts at the top, to the right of the one
// before, so that the title bars below stay in sight at their left ends.
QList<QRect> CascadeRects(const QList<QSize> &wanted, const QRect &area, const QSize &minimum, int step);

// Arrange: the icons of minimised windows side by side along the bottom of the area, from the left,
// a new row above when a row is full. Their top left corners.
QList<QPoint> IconPositions(const QList<QSize> &icons, const QRect &area);

// First placement of a window of `size` when `index` others are open: a step lower and to the right
// for each of them, back at the top left when that would take it past the area; no larger than the
// area, nor smaller than its minimum.
QRect FirstPlace(const QSize &size, int index, const QRect &area, const QSize &minimum, int step);

// The main window's frame rectangle, centred on a screen's work area; none when the frame does not
// fit there, and the window is to open maximised.
std::optional<QRect> FitOnScreen(const QSize &frame, const QRect &work);
// The same on the screen's work area.
std::optional<QRect> FitOnScreen(const QSize &frame, const QScreen &screen);
// The screen's work area in the window's pixels, whole pixels inside it.
QRect WorkArea(const QScreen &screen);
