#include "app/duplicates/FilePreviewView.h"

#include <sys/stat.h>

#include <QFileIconProvider>
#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include <thread>

#include "app/common/Alerts.h"
#include "app/common/Styles.h"
#include "app/common/Text.h"
#include "app/shell/MainThread.h"
#include "core/files/FileType.h"
#include "kit/DateFormat.h"
#include "kit/Paths.h"
#include "platform/FileBrowser.h"

namespace orvane::app {

namespace {
constexpr int kThumb = 168;
}

FilePreviewView::FilePreviewView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("filePreview"));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(
        QStringLiteral("#filePreview { background: #f7f9fc; border-left: 1px solid #e3e8ef; }"));
    setFixedWidth(220);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 20, 16, 16);
    layout->setSpacing(8);
    image_ = new QLabel(this);
    image_->setObjectName(QStringLiteral("previewImage"));
    image_->setFixedSize(kThumb + 8, kThumb + 8);
    image_->setAlignment(Qt::AlignCenter);
    layout->addWidget(image_, 0, Qt::AlignHCenter);
    name_ = new QLabel(this);
    name_->setObjectName(QStringLiteral("previewName"));
    name_->setWordWrap(true);
    name_->setAlignment(Qt::AlignHCenter);
    name_->setStyleSheet(QStringLiteral("font-weight: 600; color: #24303f;"));
    name_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(name_);
    folder_ = new QLabel(this);
    folder_->setWordWrap(true);
    folder_->setAlignment(Qt::AlignHCenter);
    folder_->setStyleSheet(QStringLiteral("color: #6b7785; font-size: 11px;"));
    folder_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(folder_);
    details_ = new QLabel(this);
    details_->setAlignment(Qt::AlignHCenter);
    details_->setStyleSheet(QStringLiteral("color: #4b5663; font-size: 12px;"));
    layout->addWidget(details_);
    reveal_ = new QPushButton(loc("Show in File Manager"), this);
    reveal_->setObjectName(QStringLiteral("revealButton"));
    reveal_->setStyleSheet(styles::secondaryButton());
    layout->addWidget(reveal_, 0, Qt::AlignHCenter);
    layout->addStretch(1);
    connect(reveal_, &QPushButton::clicked, this, [this] {
        if (!path_.empty()) reveal(this, path_);
    });
    showFile({}, 0);
}

void FilePreviewView::showFile(const std::string& path, std::uint64_t size) {
    path_ = path;
    ++generation_;
    if (path.empty()) {
        image_->setPixmap(
            QFileIconProvider().icon(QFileIconProvider::File).pixmap(64, 64, QIcon::Disabled));
        name_->setText(loc("Select a file to preview it."));
        folder_->clear();
        details_->clear();
        reveal_->setEnabled(false);
        return;
    }
    name_->setText(displayPath(kit::directoryName(path)));
    folder_->setText(displayPath(kit::parentPath(path)));
    QString details = sizeText(size);
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0)
        details += QStringLiteral("  ·  ") +
                   QString::fromStdString(kit::dateStr(static_cast<double>(st.st_mtime)));
    else details += QStringLiteral("  ·  ") + loc("No longer there");
    details_->setText(details);
    reveal_->setEnabled(true);
    image_->setPixmap(QFileIconProvider()
                          .icon(QFileInfo(QFile::decodeName(QByteArray::fromStdString(path))))
                          .pixmap(96, 96));
    if (files::fileTypeOfPath(path) == files::FileType::picture) loadThumbnail();
}

void FilePreviewView::loadThumbnail() {
    // Decoding a large photo takes long enough to stall scrolling, so it happens off the GUI
    // thread; a result for a file no longer on show is dropped.
    const unsigned generation = generation_;
    const QString file = QFile::decodeName(QByteArray::fromStdString(path_));
    QPointer<FilePreviewView> self(this);
    std::thread([self, generation, file] {
        QImageReader reader(file);
        reader.setAutoTransform(true);
        QSize size = reader.size();
        if (size.isValid()) reader.setScaledSize(size.scaled(kThumb, kThumb, Qt::KeepAspectRatio));
        QImage image = reader.read();
        if (image.isNull()) return;
        onMainThread(self.data(), [self, generation, image] {
            if (!self || self->generation_ != generation) return;
            self->image_->setPixmap(QPixmap::fromImage(image));
        });
    }).detach();
}

namespace {

// The file manager may take a moment to answer over the bus; the window keeps responding and
// only hears back on failure.
void runBrowser(QWidget* parent, const std::string& path, bool revealIt) {
    QPointer<QWidget> owner(parent);
    std::thread([owner, path, revealIt] {
        const auto browser = platform::makeFileBrowser();
        const platform::Outcome outcome = revealIt ? browser->reveal(path) : browser->open(path);
        if (outcome.ok() || !owner) return;
        onMainThread(owner.data(), [owner, revealIt, error = outcome.error] {
            if (!owner) return;
            showAlert(owner,
                      revealIt ? loc("The file could not be shown in the file manager.")
                               : loc("The file could not be opened."),
                      loc("OK"), {}, qs(error));
        });
    }).detach();
}

}  // namespace

void FilePreviewView::reveal(QWidget* parent, const std::string& path) {
    runBrowser(parent, path, true);
}

void FilePreviewView::open(QWidget* parent, const std::string& path) {
    runBrowser(parent, path, false);
}

}  // namespace orvane::app
