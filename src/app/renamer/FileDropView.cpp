#include "app/renamer/FileDropView.h"

#include <sys/stat.h>

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QVBoxLayout>

#include "app/common/Text.h"
#include "app/shell/Icons.h"

namespace orvane::app {

FileDropView::FileDropView(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("renamerDropView"));
    setAcceptDrops(true);
    setMinimumSize(420, 220);
    auto* layout = new QVBoxLayout(this);
    layout->setAlignment(Qt::AlignCenter);
    auto* icon = new QLabel(this);
    icon->setPixmap(appIcon(QStringLiteral("drop")).pixmap(40, 40));
    icon->setAlignment(Qt::AlignCenter);
    layout->addWidget(icon);
    auto* text = new QLabel(loc("Drag files here"), this);
    text->setAlignment(Qt::AlignCenter);
    text->setStyleSheet(QStringLiteral("color: #24303f; font-size: 15px; font-weight: 600;"));
    layout->addWidget(text);
    for (const char* limit : {"Image: Max 50MB", "Text: Max 20MB"}) {
        auto* l = new QLabel(loc(limit), this);
        l->setObjectName(QString::fromLatin1(limit));
        l->setAlignment(Qt::AlignCenter);
        l->setStyleSheet(QStringLiteral("color: #8792a0; font-size: 12px;"));
        layout->addWidget(l);
    }
    setHighlighted(false);
}

void FileDropView::setHighlighted(bool on) {
    setStyleSheet(QStringLiteral("#renamerDropView { border: 2px dashed %1; border-radius: 14px;"
                                 " background: %2; }")
                      .arg(on ? QStringLiteral("#2f7cf6") : QStringLiteral("#c8d1dc"),
                           on ? QStringLiteral("#eef4ff") : QStringLiteral("#fafbfd")));
}

std::vector<std::string> FileDropView::filePaths(const QList<QUrl>& urls) {
    std::vector<std::string> out;
    for (const QUrl& url : urls) {
        if (!url.isLocalFile()) continue;
        const std::string path = pathBytes(url.toLocalFile());
        struct stat st {};
        if (path.empty() || (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))) continue;
        out.push_back(path);
    }
    return out;
}

void FileDropView::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls() && !filePaths(event->mimeData()->urls()).empty()) {
        setHighlighted(true);
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void FileDropView::dragLeaveEvent(QDragLeaveEvent* event) {
    setHighlighted(false);
    QFrame::dragLeaveEvent(event);
}

void FileDropView::dropEvent(QDropEvent* event) {
    setHighlighted(false);
    const auto paths = filePaths(event->mimeData()->urls());
    if (paths.empty()) return;
    event->acceptProposedAction();
    if (dropped) dropped(paths);
}

}  // namespace orvane::app
