#include "status_label.h"

#include <QPainter>
#include <QTextLayout>

namespace vantrel {

namespace {

// The text laid out in lines of `width`, broken between words where it can be and inside a
// word that is longer than a line. Returns the height the lines take.
qreal LayOut(QTextLayout& layout, qreal width) {
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    qreal height = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, height));
        height += line.height();
    }
    layout.endLayout();
    return height;
}

bool Fits(const QString& text, const QFont& font, const QSize& box) {
    QTextLayout layout(text, font);
    return LayOut(layout, box.width()) <= box.height();
}

QString WithoutMiddle(const QString& text, qsizetype kept) {
    return text.left(kept - kept / 2) + QChar(0x2026) + text.right(kept / 2);
}

} // namespace

StatusLabel::StatusLabel(const QString& text, QWidget* parent) : QLabel(parent) {
    setText(text);
}

void StatusLabel::setText(const QString& text) {
    QLabel::setText(text);
    setToolTip(text);
    elide();
}

QString StatusLabel::shownText() const {
    return shown_;
}

void StatusLabel::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    QTextLayout layout(shown_, font());
    LayOut(layout, contentsRect().width());
    painter.setPen(palette().color(QPalette::WindowText));
    layout.draw(&painter, contentsRect().topLeft());
}

void StatusLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    elide();
}

void StatusLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        elide();
}

void StatusLabel::elide() {
    const QString whole = text();
    const QSize box = contentsRect().size();
    if (Fits(whole, font(), box) || whole.isEmpty()) {
        shown_ = whole;
    } else {
        // The most characters kept, half from each end, that still fit.
        qsizetype fits = 0;
        qsizetype tooMany = whole.size();
        while (tooMany - fits > 1) {
            const qsizetype middle = (fits + tooMany) / 2;
            if (Fits(WithoutMiddle(whole, middle), font(), box))
                fits = middle;
            else
                tooMany = middle;
        }
        shown_ = WithoutMiddle(whole, fits);
    }
    update();
}

} // namespace vantrel
