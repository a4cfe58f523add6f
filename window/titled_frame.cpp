#include "titled_frame.h"

#include <QPainter>

namespace vantrel {

namespace {

// Where the title starts, and the blank kept on either side of it in the border.
constexpr int TitleIndent = 8;
constexpr int TitleGap = 2;

} // namespace

TitledFrame::TitledFrame(const QString& title, QWidget* parent) : QGroupBox(title, parent) {}

QRect TitledFrame::border() const {
    const int top = fontMetrics().height() / 2;
    return rect().adjusted(0, top, -1, -1);
}

void TitledFrame::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const QFontMetrics metrics = fontMetrics();
    const QRect frame = border();
    const int titleWidth = metrics.horizontalAdvance(title());

    painter.setPen(palette().color(QPalette::Window).darker(140));
    painter.drawLine(frame.topLeft(), QPoint(TitleIndent - TitleGap, frame.top()));
    painter.drawLine(QPoint(TitleIndent + titleWidth + TitleGap, frame.top()), frame.topRight());
    painter.drawLine(frame.topRight(), frame.bottomRight());
    painter.drawLine(frame.bottomRight(), frame.bottomLeft());
    painter.drawLine(frame.bottomLeft(), frame.topLeft());

    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.drawText(QPoint(TitleIndent, metrics.ascent()), title());
}

} // namespace vantrel
