#pragma once

#include <QWidget>

#include <functional>
#include <string>

#include "core/settings/PlistValue.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSlider;
class QTabWidget;

namespace orvane::app {

// The preferences window: every control writes its key into the settings dictionary and saves at
// once, so there is no separate save or cancel step and the next scan takes the new values.
// Refusals are shown as window-modal sheets that never block the event loop.
class PreferenceViewController : public QWidget {
    Q_OBJECT
public:
    enum Tab { general = 0, repeatFlie = 1, similarImage = 2, whiteList = 3 };

    struct Services {
        // The settings file; empty means the program's own (PerferenceInfo::defaultPath()).
        std::string plistPath;
        // Turns launch at login on or off; returns an error text, empty on success.
        std::function<std::string(bool enable)> setLoginItem;
        // Asks the user for folders; empty when cancelled.
        std::function<QStringList(QWidget* parent)> chooseFolders;
    };

    explicit PreferenceViewController(Services services, QWidget* parent = nullptr);

    void showTab(Tab tab);
    // The number of duplicate file kinds ticked now.
    int selectCount() const { return selectCount_; }
    // The list shown in the white-list tab (0 duplicates, 1 similar images, 2 large files).
    void selectWhiteListType(int index);
    void selectWhiteListRow(int row);
    void addWhiteListPaths(const QStringList& paths);
    void deleteSelectedWhiteListPath();

    // The last message shown in a sheet, for tests and accessibility.
    const QString& lastSheetText() const { return lastSheetText_; }

Q_SIGNALS:
    // Emitted after every successful save.
    void settingsSaved();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    struct BoundControls {
        QCheckBox* enable = nullptr;
        QLineEdit* size = nullptr;
        QComboBox* unit = nullptr;
        const char* selectKey;
        const char* sizeKey;
        const char* unitKey;
    };

    QWidget* buildGeneralTab();
    QWidget* buildDuplicateTab();
    QWidget* buildSimilarTab();
    QWidget* buildWhiteListTab();
    QWidget* buildBoundRows(BoundControls& upper, BoundControls& lower, bool similar);
    void wireBound(BoundControls& controls, bool similar);
    void loadFromDisk();
    void refreshControls();
    void reloadWhiteList();

    void onBoolToggled(const char* key, bool value);
    void onKindToggled(QCheckBox* box, const char* key, bool checked);
    void onSizeTyped(BoundControls& controls, const QString& text);
    // Judges and saves a finished size edit; false when it was refused (the field then shows
    // the saved figure again).
    bool commitSize(BoundControls& controls, bool similar);
    bool commitPendingSizes();
    void onBoundSwitch(BoundControls& controls, bool similar, bool on);
    void onUnitChanged(BoundControls& controls, bool similar, const QString& unit);
    void onThreshold(int value);
    void onAutoStartup(bool on);

    // Checks the size pair the control belongs to; shows the sheet and returns false when the
    // maximum is below the minimum.
    bool boundsAccepted(bool similar);
    bool save();
    void showSheet(const QString& text, const QString& button = QStringLiteral("OK"),
                   std::function<void()> retry = {});
    static const char* whiteListKey(int index);

    Services services_;
    settings::Dictionary dataDict_;
    bool loading_ = false;
    int selectCount_ = 0;
    QString lastSheetText_;

    QTabWidget* tabs_ = nullptr;
    QCheckBox* hidden_ = nullptr;
    QCheckBox* zeroByte_ = nullptr;
    QCheckBox* autoStartup_ = nullptr;
    BoundControls max_{nullptr, nullptr, nullptr, "maxSelect", "maxFileSize", "maxSizeType"};
    BoundControls min_{nullptr, nullptr, nullptr, "minSelect", "minFileSize", "minSizeType"};
    BoundControls similarMax_{nullptr,
                              nullptr,
                              nullptr,
                              "similarImageMaxSelect",
                              "similarImageMaxFileSize",
                              "similarImageMaxSizeType"};
    BoundControls similarMin_{nullptr,
                              nullptr,
                              nullptr,
                              "similarImageMinSelect",
                              "similarImageMinFileSize",
                              "similarImageMinSizeType"};
    struct KindBox {
        QCheckBox* box;
        const char* key;
    };
    std::vector<KindBox> kinds_;
    QSlider* threshold_ = nullptr;
    QLabel* thresholdValue_ = nullptr;
    QListWidget* whiteTypes_ = nullptr;
    QListWidget* whitePaths_ = nullptr;
    QPushButton* whiteDelete_ = nullptr;
    QLabel* whiteEmpty_ = nullptr;
};

}  // namespace orvane::app
