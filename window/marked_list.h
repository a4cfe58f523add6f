// What the file list and the folder list share beyond their entries: the focus mark while the
// list holds the keyboard focus, and Return or Enter as the keyboard's double-click.
#pragma once

#include "focus_mark.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QPaintEvent>

namespace vantrel {

// `View` (a list or tree widget) with the focus mark drawn over it while it has the focus,
// repainted as the focus comes and goes, and Return or Enter on the focused entry handed to
// openFocused instead of the view's own key handling.
template <typename View> class MarkedList : public View {
public:
    using View::View;

protected:
    // Return or Enter: does what a double-click on the focused entry does.
    virtual void openFocused() = 0;

    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            openFocused();
            return;
        }
        View::keyPressEvent(event);
    }

    void paintEvent(QPaintEvent* event) override {
        View::paintEvent(event);
        PaintFocusMark(*this);
    }

    void focusInEvent(QFocusEvent* event) override {
        View::focusInEvent(event);
        this->viewport()->update();
    }

    void focusOutEvent(QFocusEvent* event) override {
        View::focusOutEvent(event);
        this->viewport()->update();
    }
};

} // namespace vantrel
