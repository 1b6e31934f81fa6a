#include "app/WindowPlacement.h"

#include <QScreen>
#include <algorithm>
#include <cmath>

namespace {

// Part `index` of `parts` nearly equal parts of [from, from + length): they meet without gaps.
std::pair<int, int> Slice(int from, int length, int index, int parts)
{
    const int start = from + length * index / parts;
    const int end = from + length * (index + 1) / parts;
    return {start, end - start};
}

// `layers` windows stacked in one tile, each `step` (less when the tile is small) below and right of
// the one under it.
void Stack(QList<QRect> &out, const QRect &tile, int layers, const QSize &minimum, int step)
{
    const int room = layers - 1;
    const int dx = room == 0 ? 0 : std::clamp((tile.width() - minimum.width()) / room, 0, step);
    const int dy = room == 0 ? 0 : std::clamp((tile.height() - minimum.height()) / room, 0, step);
    const QSize size(std::max(tile.width() - room * dx, minimum.width()),
                     std::max(tile.height() - room * dy, minimum.height()));
    for (int k = 0; k < layers; ++k)
        out << QRect(tile.topLeft() + QPoint(k * dx, k * dy), size);
}

} // namespace

QList<QRect> TileRects(int count, const QRect &area, const QSize &minimum, const QSize &wide, int step)
{
    QList<QRect> out;
    if (count <= 0)
        return out;
    // The smallest window in a tile of that width.
    const auto least = [&](int width) { return wide.isValid() && width >= wide.width() ? wide : minimum; };
    const auto rowsIn = [&](int columns) {
        return std::max(1, area.height() / std::max(1, least(area.width() / columns).height()));
    };
    // The fewest columns that hold them all, else the most tiles the area holds.
    int columns = 1;
    for (int c = 1, most = 0; c <= std::max(1, area.width() / std::max(1, minimum.width())); ++c) {
        if (c * rowsIn(c) > most) {
            most = c * rowsIn(c);
            columns = c;
        }
        if (most >= count)
            break;
    }
    const int rows = rowsIn(columns);
    if (count <= columns * rows) {
        // Column by column, from the left; the first columns take the odd windows.
        for (int c = 0; c < columns; ++c) {
            const int inColumn = count / columns + (c < count % columns ? 1 : 0);
            const auto [x, w] = Slice(area.left(), area.width(), c, columns);
            for (int r = 0; r < inColumn; ++r) {
                const auto [y, h] = Slice(area.top(), area.height(), r, inColumn);
                out << QRect(x, y, w, h);
            }
        }
        return out;
    }
    // More windows than tiles: every tile gets a stack, the first tiles the higher ones.
    const int tiles = columns * rows;
    for (int t = 0; t < tiles; ++t) {
        const auto [x, w] = Slice(area.left(), area.width(), t / rows, columns);
        const auto [y, h] = Slice(area.top(), area.height(), t % rows, rows);
        Stack(out, QRect(x, y, w, h), count / tiles + (t < count % tiles ? 1 : 0), least(w), step);
    }
    return out;
}

QList<QRect> CascadeRects(const QList<QSize> &wanted, const QRect &area, const QSize &minimum, int step)
{
    QList<QRect> out;
    const int count = static_cast<int>(wanted.size());
    if (count == 0)
        return out;
    const int s = std::max(1, step);
    const int room = std::min((area.width() - minimum.width()) / s, (area.height() - minimum.height()) / s);
    // The longest run down the area that leaves room to start each further run a step to the right.
    int run = std::clamp(room + 1, 1, count);
    auto runs = [&](int length) { return (count + length - 1) / length; };
    while (run > 1 && (run - 1) * s + (runs(run) - 1) * s + minimum.width() > area.width())
        --run;
    const int lastOffset = (run - 1) * s;
    const int free = area.width() - minimum.width() - lastOffset;
    const int shift = runs(run) == 1 ? 0 : std::clamp(free / (runs(run) - 1), 0, 4 * s);
    const int height = std::max(area.height() - lastOffset, minimum.height());
    const int widest = std::max(area.width() - lastOffset - (runs(run) - 1) * shift, minimum.width());
    for (int i = 0; i < count; ++i) {
        const int offset = (i % run) * s;
        const int width = std::clamp(wanted[i].width(), minimum.width(), widest);
        out << QRect(area.left() + (i / run) * shift + offset, area.top() + offset, width, height);
    }
    return out;
}

QList<QPoint> IconPositions(const QList<QSize> &icons, const QRect &area)
{
    QList<QPoint> out;
    int x = area.left();
    int bottom = area.top() + area.height();
    int rowHeight = 0;
    for (const QSize &icon : icons) {
        if (x > area.left() && x + icon.width() > area.left() + area.width()) {
            x = area.left();
            bottom -= rowHeight;
            rowHeight = 0;
        }
        out << QPoint(x, bottom - icon.height());
        x += icon.width();
        rowHeight = std::max(rowHeight, icon.height());
    }
    return out;
}

QRect FirstPlace(const QSize &size, int index, const QRect &area, const QSize &minimum, int step)
{
    const QSize fitted(std::clamp(size.width(), minimum.width(), std::max(area.width(), minimum.width())),
                       std::clamp(size.height(), minimum.height(), std::max(area.height(), minimum.height())));
    const int s = std::max(1, step);
    const int room = std::max(0, std::min((area.width() - fitted.width()) / s, (area.height() - fitted.height()) / s));
    const int offset = (index % (room + 1)) * s;
    return {area.topLeft() + QPoint(offset, offset), fitted};
}

std::optional<QRect> FitOnScreen(const QSize &frame, const QRect &work)
{
    if (frame.width() > work.width() || frame.height() > work.height())
        return std::nullopt;
    return QRect(work.topLeft() + QPoint((work.width() - frame.width()) / 2, (work.height() - frame.height()) / 2),
                 frame);
}

QRect WorkArea(const QScreen &screen)
{
    // At a fractional scale the work area's size in the window's pixels is rounded, possibly up: one
    // pixel less keeps the window on the screen.
    QRect work = screen.availableGeometry();
    const qreal ratio = screen.devicePixelRatio();
    if (ratio != std::floor(ratio))
        work.adjust(0, 0, -1, -1);
    return work;
}

std::optional<QRect> FitOnScreen(const QSize &frame, const QScreen &screen)
{
    return FitOnScreen(frame, WorkArea(screen));
}
