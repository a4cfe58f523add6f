// The mark a list draws around its items while it holds the keyboard focus: the style's own
// focus frame is too faint to tell at a glance which of the three lists the keys go to.
#pragma once

class QAbstractScrollArea;

namespace vantrel {

// Draws a frame in the highlight colour along the inner edge of the view's viewport when the
// view has the focus. Called at the end of the view's paintEvent.
void PaintFocusMark(QAbstractScrollArea& view);

} // namespace vantrel
