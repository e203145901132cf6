// Stand-ins for the user and the platform in window tests.
#pragma once

#include <QDragEnterEvent>
#include <QMimeData>
#include <QtTest>
#include <deque>

#include "ui/window_services.h"

// Answers the save dialog from a script and remembers how each was opened.
class ScriptedDialogs final : public varnolt::ui::PlatformDialogs {
public:
    std::deque<std::optional<QString>> answers;
    QStringList startNames;
    QStringList errorBoxes;

    std::optional<QString> askSaveFileName(QWidget*, const QString& startName) override {
        startNames << startName;
        if (answers.empty()) return std::nullopt;
        std::optional<QString> answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void showErrorBox(const QString& title, const QString& text) override { errorBoxes << title + "|" + text; }
};

// A drag of local files, as a file manager offers it.
inline QMimeData* fileList(const QStringList& paths) {
    auto* data = new QMimeData;
    QList<QUrl> urls;
    for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
    data->setUrls(urls);
    return data;
}

// Sends a drag's enter, move and drop to the widget under it, as a drag from
// another program arrives.
inline void dragAndDrop(QWidget* over, const QMimeData* data, Qt::DropActions allowed = Qt::CopyAction | Qt::MoveAction,
                        Qt::KeyboardModifiers keys = {}) {
    const QPoint at = over->rect().center();
    QDragEnterEvent enter(at, allowed, data, Qt::LeftButton, keys);
    QCoreApplication::sendEvent(over, &enter);
    QDragMoveEvent move(at, allowed, data, Qt::LeftButton, keys);
    QCoreApplication::sendEvent(over, &move);
    QDropEvent drop(at, allowed, data, Qt::LeftButton, keys);
    QCoreApplication::sendEvent(over, &drop);
}
