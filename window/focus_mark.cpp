#include "focus_mark.h"

#include <QAbstractScrollArea>
#include <QPainter>

namespace vantrel {

void PaintFocusMark(QAbstractScrollArea& view) {
    if (!view.hasFocus())
        return;
    constexpr int Width = 2;
    QPainter painter(view.viewport());
    QPen pen(view.palette().color(QPalette::Active, QPalette::Highlight), Width);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(
        view.viewport()->rect().adjusted(Width / 2, Width / 2, -Width / 2, -Width / 2));
}

} // namespace vantrel
