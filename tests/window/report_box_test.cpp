// The report box filled piece by piece: the same text and the same line count as the report
// given whole, wherever the pieces and the insertions cut it (a CR LF split between two).
#include "report_box.h"

#include <QTest>
#include <QTextBlock>

#include <string>

using vantrel::ReportBoxWriter;

namespace {

// The report as the box gives it back: one character a byte, each line end an LF.
QString AsShown(const std::string& report) {
    QString shown;
    for (std::size_t i = 0; i < report.size(); ++i) {
        const auto byte = static_cast<unsigned char>(report[i]);
        if (byte == '\r' && i + 1 < report.size() && report[i + 1] == '\n')
            continue;
        shown += byte == '\r' ? QChar(u'\n') : QChar(static_cast<char16_t>(byte));
    }
    return shown;
}

std::string Lines(int count, const std::string& end) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += static_cast<char>('a' + i % 26) + end;
    return text;
}

} // namespace

class ReportBoxTest : public QObject {
    Q_OBJECT

private slots:
    void piecesShowAsTheWholeText_data() {
        QTest::addColumn<QByteArray>("report");
        QTest::addColumn<int>("lines");
        const auto row = [](const char* name, const std::string& report, int lines) {
            QTest::newRow(name) << QByteArray::fromStdString(report) << lines;
        };
        row("CR LF", "Blocks Found:1\r\n\r\nBlock #1\r\nOK\r\n", 5);
        row("LF, CR and LF CR alone", "a\nb\rc\n\rd", 5);
        row("CR CR LF", "a\r\r\nb", 3);
        row("8-bit characters", "\xe9t\xe9\r\n\xff", 2);
        row("no line end", "Blocks", 1);
        row("nothing", "", 1);
        // Across the paragraphs the box groups lines into.
        row("250 lines", Lines(250, "\r\n"), 251);
        row("exactly one paragraph's lines", Lines(ReportBoxWriter::LinesPerParagraph, "\r\n"),
            ReportBoxWriter::LinesPerParagraph + 1);
    }

    void piecesShowAsTheWholeText() {
        QFETCH(QByteArray, report);
        QFETCH(int, lines);
        const std::string text = report.toStdString();
        QPlainTextEdit box;
        box.setPlainText(QStringLiteral("the report shown before"));
        for (const std::size_t pieceSize : {std::size_t{1}, std::size_t{7}}) {
            for (const std::size_t flushSize :
                 {std::size_t{1}, std::size_t{3}, ReportBoxWriter::DefaultFlushSize}) {
                ReportBoxWriter writer(box, flushSize);
                for (std::size_t at = 0; at < text.size(); at += pieceSize)
                    writer.Write(std::string_view(text).substr(at, pieceSize));
                writer.Finish();
                const QString where =
                    QStringLiteral("pieces of %1, insertions of %2").arg(pieceSize).arg(flushSize);
                QVERIFY2(box.toPlainText() == AsShown(text), qPrintable(where));
                QVERIFY2(box.document()->lineCount() == lines, qPrintable(where));
                QVERIFY2(box.textCursor().position() == 0, qPrintable(where));
                QVERIFY2(!box.document()->isUndoAvailable(), qPrintable(where));
            }
        }
    }

    // The box keeps what it showed until the first piece comes: a run that fails before it
    // writes anything leaves the report on show.
    void theBoxKeepsItsTextUntilTheFirstPiece() {
        QPlainTextEdit box;
        box.setPlainText(QStringLiteral("the report shown before"));
        { ReportBoxWriter writer(box, 1); }
        QCOMPARE(box.toPlainText(), QStringLiteral("the report shown before"));
    }
};

QTEST_MAIN(ReportBoxTest)
#include "report_box_test.moc"
