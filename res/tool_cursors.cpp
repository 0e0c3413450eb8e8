// The canvas cursors. Each image is 32 x 32 pixels; the hot spot is the
// pixel that acts: the tips of the pencil and the dropper, the end of the
// paint drop, the centre of the sizing and moving arrows.
#include "res/command_table.h"
#include "res/resources.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

#include <algorithm>

namespace gw {

namespace {

struct SCursorInfo {
    int nResourceId;
    const char* pszImage;
    int nHotX;
    int nHotY;
};

constexpr int kCursorSize = 32;

constexpr SCursorInfo kCursors[] = {
    {137, ":/cursors/size_ns.svg", 16, 16},    // top and bottom handles
    {138, ":/cursors/move.svg", 16, 16},       // inside the rectangle; over a shape
    {139, ":/cursors/size_bdiag.svg", 16, 16}, // top-right and bottom-left handles
    {140, ":/cursors/size_fdiag.svg", 16, 16}, // top-left and bottom-right handles
    {141, ":/cursors/size_we.svg", 16, 16},    // left and right handles; line and curve handles
    {162, ":/cursors/freehand.svg", 3, 28},    // pencil tip
    {165, ":/cursors/fill.svg", 25, 28},       // bottom of the paint drop
    {166, ":/cursors/pick.svg", 3, 28},        // dropper tip
};

constexpr int kCursorIds[] = {137, 138, 139, 140, 141, 162, 165, 166};

} // namespace

std::span<const int> ToolCursorIds()
{
    return kCursorIds;
}

QCursor ToolCursor(int resourceId)
{
    const auto* it = std::find_if(std::begin(kCursors), std::end(kCursors),
                                  [resourceId](const SCursorInfo& c) { return c.nResourceId == resourceId; });
    if (it == std::end(kCursors))
        return QCursor(Qt::ArrowCursor);

    GwInitResources();
    QSvgRenderer renderer(QString::fromLatin1(it->pszImage));
    if (!renderer.isValid())
        return QCursor(Qt::ArrowCursor);
    QPixmap pixmap(kCursorSize, kCursorSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter, QRectF(0, 0, kCursorSize, kCursorSize));
    painter.end();
    return QCursor(pixmap, it->nHotX, it->nHotY);
}

} // namespace gw
