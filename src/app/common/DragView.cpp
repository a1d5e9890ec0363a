#include "app/common/DragView.h"

#include <sys/stat.h>

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QVBoxLayout>

#include "app/common/Text.h"
#include "app/shell/Icons.h"
#include "kit/Log.h"
#include "kit/Paths.h"

namespace orvane::app {

DragView::DragView(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("dragView"));
    setAcceptDrops(true);
    setMinimumHeight(110);
    auto* layout = new QVBoxLayout(this);
    layout->setAlignment(Qt::AlignCenter);
    auto* icon = new QLabel(this);
    icon->setPixmap(appIcon(QStringLiteral("drop")).pixmap(32, 32));
    icon->setAlignment(Qt::AlignCenter);
    layout->addWidget(icon);
    text_ = new QLabel(loc("Drag here to add"), this);
    text_->setObjectName(QStringLiteral("dragText"));
    text_->setAlignment(Qt::AlignCenter);
    layout->addWidget(text_);
    refreshLook();
}

std::vector<std::string> DragView::acceptedPaths(const QList<QUrl>& urls) {
    std::vector<std::string> out;
    for (const QUrl& url : urls) {
        if (!url.isLocalFile()) continue;
        std::string path = pathBytes(url.toLocalFile());
        if (path.empty()) continue;
        // An application bundle is a folder too, but scanning inside one is never wanted.
        if (kit::withoutTrailingSlashes(path).ends_with(".app")) continue;
        if (!kit::isFolder(path)) continue;
        out.push_back(std::move(path));
    }
    return out;
}

void DragView::dragEnterEvent(QDragEnterEvent* event) {
    pathList = event->mimeData()->hasUrls() ? acceptedPaths(event->mimeData()->urls())
                                            : std::vector<std::string>{};
    isDrag = true;
    isFile = pathList.empty();
    // The enter is taken either way so the zone hears the leave and can drop its refused look;
    // the refusal itself is the ignored move, which makes the cursor show "not allowed".
    event->setDropAction(isFile ? Qt::IgnoreAction : Qt::CopyAction);
    event->accept();
    refreshLook();
}

void DragView::dragMoveEvent(QDragMoveEvent* event) {
    if (isFile) {
        event->setDropAction(Qt::IgnoreAction);
        event->ignore();
    } else {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    }
}

void DragView::dragLeaveEvent(QDragLeaveEvent* event) {
    isDrag = false;
    isFile = false;
    refreshLook();
    QFrame::dragLeaveEvent(event);
}

void DragView::dropEvent(QDropEvent* event) {
    isDrag = false;
    const auto accepted = event->mimeData()->hasUrls() ? acceptedPaths(event->mimeData()->urls())
                                                       : std::vector<std::string>{};
    if (accepted.empty()) {
        event->ignore();
        isFile = false;
        refreshLook();
        return;
    }
    pathList = accepted;
    std::string listed;
    for (const auto& p : pathList) listed += (listed.empty() ? "" : ", ") + p;
    ORVANE_LOG("拖拽的文件路径：" + listed);
    event->setDropAction(Qt::CopyAction);
    event->accept();
    isFile = false;
    refreshLook();
    if (delegate) delegate->dragDrop(this, pathList);
}

void DragView::refreshLook() {
    const char* border = isDrag ? (isFile ? "#d0564b" : "#2f7cf6") : "#b9c6d6";
    const char* fill = isDrag ? (isFile ? "#fdf1f0" : "#eef5ff") : "#fafcfe";
    setStyleSheet(
        QStringLiteral("#dragView { border: 2px dashed %1; border-radius: 12px; background: %2; }"
                       "#dragText { color: #5b6776; font-size: 13px; }")
            .arg(QLatin1String(border), QLatin1String(fill)));
    text_->setText(isDrag && isFile ? loc("Only folders can be added") : loc("Drag here to add"));
    setCursor(isDrag && isFile ? Qt::ForbiddenCursor : Qt::ArrowCursor);
}

}  // namespace orvane::app
