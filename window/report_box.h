// The report box's text: a report handed over in pieces (8-bit characters, CR LF line ends) put
// into the box as it comes, so that the box's document is the only place that holds it whole.
#pragma once

#include <QPlainTextEdit>
#include <QTextCursor>

#include <cstddef>
#include <string>
#include <string_view>

namespace vantrel {

// Replaces the box's text with the pieces given to Write, from the first piece on; the box keeps
// its text until then. Each character stands for its byte; each line end (CR LF, or a CR or LF
// alone) becomes a line separator, or a paragraph end after every LinesPerParagraph-th line. The
// box gives the text back with LF line ends. Finish ends the text; a writer that goes without
// Finish (an error, a refused report) leaves the box with what came so far.
class ReportBoxWriter {
public:
    // The text goes into the box `flushSize` characters at a time (the tests take small ones).
    explicit ReportBoxWriter(QPlainTextEdit& box, std::size_t flushSize = DefaultFlushSize)
        : box_(box), flushSize_(flushSize) {}
    ~ReportBoxWriter();
    ReportBoxWriter(const ReportBoxWriter&) = delete;
    ReportBoxWriter& operator=(const ReportBoxWriter&) = delete;

    void Write(std::string_view piece);
    void Finish();

    // The box's document pays for every paragraph it holds: a report of millions of lines set
    // as as many paragraphs keeps the window frozen for ten seconds and more. Grouped into
    // paragraphs of this many lines, joined inside by line separators, the same text shows
    // about twenty times faster and reads back, copies and edits alike.
    static constexpr int LinesPerParagraph = 100;

    // Enough that the box's work per insertion is nothing beside the characters', little
    // enough that the text held twice on its way (here and in the box) stays a few megabytes.
    static constexpr std::size_t DefaultFlushSize = std::size_t{1} << 20;

private:
    void Start();
    void Flush();

    QPlainTextEdit& box_;
    std::size_t flushSize_;
    bool started_ = false;
    QTextCursor end_;
    std::string pending_;    // characters not yet in the box
    QString converted_;      // the same as the box's text, kept from piece to piece
    bool afterCr_ = false;   // the last character was a CR: an LF now ends no further line
    int paragraphLines_ = 0; // line ends in the last paragraph so far
};

// The whole of `report` into the box at once.
void SetReportBoxText(QPlainTextEdit& box, std::string_view report);

} // namespace vantrel
