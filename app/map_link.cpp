#include "map_link.h"

#include "nmea.h"

#include <QRegularExpression>

namespace vantrel {

namespace {

// The form of the link line that the decoder builds; the base address is the decoder's own.
const QRegularExpression& MapLinkLine() {
    static const QRegularExpression form = [] {
        const QString base = QString::fromLatin1(modETSI300230::MapViewerBase.data(),
                                                 modETSI300230::MapViewerBase.size());
        const QString coordinate = QStringLiteral("-?[0-9]+(?:\\.[0-9]+)?");
        return QRegularExpression(
            QStringLiteral("\\A\\[MAP URL \\] (") + QRegularExpression::escape(base) +
            QStringLiteral("/index\\.html\\?mlat=") + coordinate + QStringLiteral("&mlon=") +
            coordinate + QStringLiteral("&zoom=12)\\z"));
    }();
    return form;
}

bool EndsLine(QChar c) {
    return c == u'\n' || c == u'\r' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
}

} // namespace

std::optional<QUrl> MapLinkOf(const QString& line) {
    const QRegularExpressionMatch match = MapLinkLine().match(line);
    if (!match.hasMatch())
        return std::nullopt;
    const QUrl url(match.captured(1), QUrl::StrictMode);
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
