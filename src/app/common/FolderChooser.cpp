#include "app/common/FolderChooser.h"

#include <QAbstractItemView>
#include <QFileDialog>

#include "app/common/Alerts.h"
#include "app/common/Text.h"
#include "kit/Log.h"
#include "kit/Paths.h"

namespace orvane::app {

std::vector<std::string> chooseFoldersWithDialog(QWidget* parent, bool multiple) {
    QFileDialog dialog(parent, multiple ? loc("Choose folders") : loc("Choose a folder"),
                       QString::fromStdString(kit::customHomeDirectory()));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    if (multiple) {
        // The platform dialogs pick one folder at a time; Qt's own can pick several.
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
        for (auto* view : dialog.findChildren<QAbstractItemView*>())
            view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    }
    std::vector<std::string> out;
    if (dialog.exec() != QDialog::Accepted) return out;
    for (const QString& path : dialog.selectedFiles()) out.push_back(pathBytes(path));
    return out;
}

std::vector<std::string> chooseFolders(const FolderChooser& chooser, QWidget* parent,
                                       bool multiple) {
    if (hasOpenSheet(parent)) {
        ORVANE_LOG("⚠️ 当前已有 sheet 弹窗，不能再弹出另一个");
        return {};
    }
    return chooser ? chooser(parent, multiple) : std::vector<std::string>{};
}

}  // namespace orvane::app
