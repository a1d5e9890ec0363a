#pragma once

#include <QFrame>
#include <QList>
#include <QUrl>
#include <functional>
#include <string>
#include <vector>

namespace orvane::app {

// The renamer's drop zone: takes local files (folders are passed over), and states the limits.
class FileDropView : public QFrame {
    Q_OBJECT
public:
    explicit FileDropView(QWidget* parent = nullptr);

    std::function<void(const std::vector<std::string>&)> dropped;

    // Local paths of the dropped URLs that are not folders, in order.
    static std::vector<std::string> filePaths(const QList<QUrl>& urls);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void setHighlighted(bool on);
};

}  // namespace orvane::app
