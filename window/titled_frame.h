// A group frame whose border runs through the middle of its title, as classic frames have it.
// The toolkit's own frame starts below the whole title, which leaves less room inside than
// the layout was drawn for: the first option button, placed right under the title, would
// cross the border. Drawn this way the border clears every control placed in the frame.
#pragma once

#include <QGroupBox>

namespace vantrel {

class TitledFrame : public QGroupBox {
    Q_OBJECT

public:
    explicit TitledFrame(const QString& title, QWidget* parent = nullptr);

    // The frame's border within the widget, without the gap the title leaves in its top edge.
    QRect border() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace vantrel
