// The status label: wraps its text over its lines and, when the text is still too long,
// leaves out its middle, so that both the start ("Decoded file saved as") and the end (the
// file name's end and extension) stay readable. The whole text is its tooltip.
#pragma once

#include <QLabel>

namespace vantrel {

class StatusLabel : public QLabel {
    Q_OBJECT

public:
    // text() stays the whole text; only what is painted is shortened.
    explicit StatusLabel(const QString& text, QWidget* parent = nullptr);

    void setText(const QString& text);

    // What is painted: the text itself when it fits the label, else the text with its middle
    // replaced by an ellipsis, as much of both ends as fits.
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void elide();

    QString shown_;
};

} // namespace vantrel
