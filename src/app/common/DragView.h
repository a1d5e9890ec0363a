#pragma once

#include <QFrame>
#include <QList>
#include <QUrl>

#include <string>
#include <vector>

class QLabel;

namespace orvane::app {

class DragView;

class DragViewDelegate {
public:
    virtual ~DragViewDelegate() = default;
    virtual void dragDrop(DragView* view, const std::vector<std::string>& filePathList) = 0;
};

// The drop zone of the multi-folder screen. It takes folders only: files and application
// bundles are refused, and a drag holding nothing else shows the "not allowed" cursor.
class DragView : public QFrame {
    Q_OBJECT
public:
    explicit DragView(QWidget* parent = nullptr);

    DragViewDelegate* delegate = nullptr;
    bool isFile = false;  // the current drag holds nothing this zone accepts
    bool isDrag = false;  // a drag is over the zone
    std::vector<std::string> pathList;

    // Existing folders whose path does not end in ".app", in the order given.
    static std::vector<std::string> acceptedPaths(const QList<QUrl>& urls);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void refreshLook();
    QLabel* text_ = nullptr;
};

}  // namespace orvane::app
