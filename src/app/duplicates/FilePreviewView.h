#pragma once

#include <QWidget>

#include <string>

class QLabel;
class QPushButton;

namespace orvane::platform {
class FileBrowser;
}

namespace orvane::app {

// The file under the cursor: a picture's thumbnail (or the file's icon), its name, folder, size
// and date, and a button that shows it in the file manager.
class FilePreviewView : public QWidget {
    Q_OBJECT
public:
    explicit FilePreviewView(QWidget* parent = nullptr);

    // Shows `path`; an empty path shows the hint to pick a file.
    void showFile(const std::string& path, std::uint64_t size);
    const std::string& path() const { return path_; }

    QLabel* nameLabel() const { return name_; }
    QLabel* imageLabel() const { return image_; }
    QPushButton* revealButton() const { return reveal_; }

    // Shows an item in the desktop's file manager; the result dialog tells about a failure.
    static void reveal(QWidget* parent, const std::string& path);
    static void open(QWidget* parent, const std::string& path);

private:
    void loadThumbnail();

    std::string path_;
    QLabel* image_ = nullptr;
    QLabel* name_ = nullptr;
    QLabel* folder_ = nullptr;
    QLabel* details_ = nullptr;
    QPushButton* reveal_ = nullptr;
    unsigned generation_ = 0;
};

}  // namespace orvane::app
