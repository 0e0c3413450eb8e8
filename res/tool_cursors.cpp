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
    {IDC_SIZE_NS, ":/cursors/size_ns.svg", 16, 16},
    {IDC_MOVE, ":/cursors/move.svg", 16, 16},
    {IDC_SIZE_BDIAG, ":/cursors/size_bdiag.svg", 16, 16},
    {IDC_SIZE_FDIAG, ":/cursors/size_fdiag.svg", 16, 16},
    {IDC_SIZE_WE, ":/cursors/size_we.svg", 16, 16},
    {IDC_FREEHAND, ":/cursors/freehand.svg", 3, 28}, // pencil tip
    {IDC_FILL, ":/cursors/fill.svg", 25, 28},        // bottom of the paint drop
    {IDC_PICK, ":/cursors/pick.svg", 3, 28},         // dropper tip
};

constexpr int kCursorIds[] = {IDC_SIZE_NS, IDC_MOVE,     IDC_SIZE_BDIAG, IDC_SIZE_FDIAG,
                              IDC_SIZE_WE, IDC_FREEHAND, IDC_FILL,       IDC_PICK};

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
