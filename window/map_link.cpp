#include "map_link.h"

#include "nmea.h"

namespace vantrel {

namespace {

bool EndsLine(QChar c) {
    return c == u'\n' || c == u'\r' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
}

} // namespace

std::optional<QUrl> MapLinkOf(const QString& line) {
    // The report box holds the report's bytes as Latin-1, so the line converts back exactly.
    const QByteArray bytes = line.toLatin1();
    if (QString::fromLatin1(bytes) != line)
        return std::nullopt;
    const std::string_view address =
        modETSI300230::MapLinkAddress(std::string_view(bytes.constData(), bytes.size()));
    if (address.empty())
        return std::nullopt;
    const QUrl url(QString::fromLatin1(address.data(), static_cast<qsizetype>(address.size())),
                   QUrl::StrictMode);
    if (!url.isValid())
        return std::nullopt;
    return url;
}

QString LineAt(const QString& text, qsizetype position) {
    position = std::clamp<qsizetype>(position, 0, text.size());
    qsizetype start = position;
    while (start > 0 && !EndsLine(text[start - 1]))
        --start;
    qsizetype end = position;
    while (end < text.size() && !EndsLine(text[end]))
        ++end;
    return text.mid(start, end - start);
}

} // namespace vantrel
