// What the window tests share: recordings made with the encoder, and driving the lists the
// way a user does, with the mouse.
#pragma once

#include "frmVantrel.h"

#include "bit_file.h"
#include "encoder.h"
#include "report.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <string>

namespace window_test {

inline void WriteFile(const QString& path, const std::string& bytes) {
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    QCOMPARE(file.write(bytes.data(), static_cast<qint64>(bytes.size())),
             static_cast<qint64>(bytes.size()));
}

inline QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The report of a recording's content as the core renders it, the reference for what the
// window shows and saves.
inline std::string ReportOf(const std::string& content, vantrel::ReportLevel level) {
    std::vector<modETSI300230::BlockInfo> blocks;
    std::int32_t count = 0;
    const std::string bits = vantrel::RemoveLineFeeds(vantrel::JoinFields(content));
    modETSI300230::DecodeStream(bits, blocks, count);
    return vantrel::RenderReport(blocks, count, level);
}

// The report box gives its text back with LF line ends.
inline QString AsShown(const std::string& report) {
    return QString::fromLatin1(report.data(), static_cast<qsizetype>(report.size()))
        .remove(QLatin1Char('\r'));
}

inline QStringList Names(const QListWidget* list) {
    QStringList names;
    for (int i = 0; i < list->count(); ++i)
        names << list->item(i)->text();
    return names;
}

inline QPoint CentreOf(const QAbstractItemView* view, const QModelIndex& index) {
    return view->visualRect(index).center();
}

// What the system sends for a double-click: press, release, double-click, release. (QTest's
// own double-click sends the third event alone, which a list takes for a plain press.)
inline void DoubleClick(QWidget* viewport, QPoint at) {
    QTest::mousePress(viewport, Qt::LeftButton, {}, at);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, at);
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, at);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, at);
}

inline void DoubleClickFile(frmVantrel& window, const QString& name) {
    const QList<QListWidgetItem*> found = window.File1->findItems(name, Qt::MatchExactly);
    QVERIFY2(found.size() == 1, qPrintable(name));
    const QModelIndex index = window.File1->indexFromItem(found.first());
    DoubleClick(window.File1->viewport(), CentreOf(window.File1, index));
}

inline QTreeWidgetItem* FolderEntry(const frmVantrel& window, const QString& name) {
    const QList<QTreeWidgetItem*> found =
        window.Dir1->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
    return found.size() == 1 ? found.first() : nullptr;
}

inline void ClickFolder(frmVantrel& window, QTreeWidgetItem* entry, bool twice) {
    QVERIFY(entry != nullptr);
    window.Dir1->scrollToItem(entry);
    const QPoint centre = CentreOf(window.Dir1, window.Dir1->indexFromItem(entry));
    if (twice)
        DoubleClick(window.Dir1->viewport(), centre);
    else
        QTest::mouseClick(window.Dir1->viewport(), Qt::LeftButton, {}, centre);
}

} // namespace window_test
