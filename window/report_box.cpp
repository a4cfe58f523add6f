#include "report_box.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextDocument>

namespace vantrel {

ReportBoxWriter::~ReportBoxWriter() {
    if (started_)
        box_.document()->setUndoRedoEnabled(true);
}

void ReportBoxWriter::Write(std::string_view piece) {
    pending_.append(piece);
    if (pending_.size() >= flushSize_)
        Flush();
}

void ReportBoxWriter::Finish() {
    Flush();
    // Enabling it again starts an empty history, as a text set at once has.
    box_.document()->setUndoRedoEnabled(true);
    started_ = false;
}

void ReportBoxWriter::Start() {
    // The first piece replaces the text the way setting it at once does: the box's cursor at
    // the start, the view at the top. Later pieces go in after it and move neither.
    started_ = true;
    box_.setPlainText(converted_);
    // The box shares this text now; the next piece gets a buffer of its own rather than a copy.
    converted_ = QString();
    QTextDocument* document = box_.document();
    // An undo step would keep a second copy of everything inserted.
    document->setUndoRedoEnabled(false);
    end_ = QTextCursor(document);
    end_.movePosition(QTextCursor::End);
}

void ReportBoxWriter::Flush() {
    converted_.resize(static_cast<qsizetype>(pending_.size()));
    QChar* out = converted_.data();
    for (const char character : pending_) {
        const auto byte = static_cast<unsigned char>(character);
        if (byte == '\n' && afterCr_) {
            afterCr_ = false;
            continue;
        }
        afterCr_ = byte == '\r';
        if (byte == '\r' || byte == '\n') {
            const bool paragraphEnds = ++paragraphLines_ == LinesPerParagraph;
            if (paragraphEnds)
                paragraphLines_ = 0;
            *out++ = paragraphEnds ? QChar(u'\n') : QChar(QChar::LineSeparator);
        } else {
            *out++ = QChar(static_cast<char16_t>(byte));
        }
    }
    converted_.truncate(out - converted_.data());
    pending_.clear();

    QTextDocument* document = box_.document();
    int firstChanged = 0;
    if (!started_) {
        Start();
    } else if (!converted_.isEmpty()) {
        firstChanged = end_.blockNumber();
        end_.insertText(converted_);
    } else {
        return;
    }
    // The box takes a paragraph for one line until it has laid it out; giving it the real
    // counts lets the scroll bar span the whole report from the start.
    for (QTextBlock paragraph = document->findBlockByNumber(firstChanged); paragraph.isValid();
         paragraph = paragraph.next())
        paragraph.setLineCount(paragraph.next().isValid() ? LinesPerParagraph
                                                          : paragraphLines_ + 1);
    QAbstractTextDocumentLayout* layout = document->documentLayout();
    emit layout->documentSizeChanged(layout->documentSize());
}

void SetReportBoxText(QPlainTextEdit& box, std::string_view report) {
    ReportBoxWriter writer(box);
    writer.Write(report);
    writer.Finish();
}

} // namespace vantrel
