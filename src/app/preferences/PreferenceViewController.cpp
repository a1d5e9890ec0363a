#include "app/preferences/PreferenceViewController.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QShortcut>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/common/Alerts.h"
#include "app/common/Text.h"
#include "core/analytics/EventRecorder.h"
#include "core/settings/PerferenceInfo.h"
#include "core/settings/SettingsValidator.h"
#include "core/settings/UserDefaults.h"
#include "kit/Localization.h"
#include "kit/Log.h"
#include "kit/Paths.h"

namespace orvane::app {

using settings::Dictionary;
using settings::PerferenceInfo;
using settings::PlistValue;
using settings::SettingsValidator;

namespace {

// Paths keep their bytes: the list shows them decoded, the file stores them as they are.
QString toDisplay(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}
std::string toPath(const QString& text) { return QFile::encodeName(text).toStdString(); }

QStringList defaultChooseFolders(QWidget* parent) {
    QFileDialog dialog(parent, loc("Add to White List"),
                       QString::fromStdString(kit::customHomeDirectory()));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    // The native chooser of most desktops picks one folder; ours lets the user pick several.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    for (auto* view : dialog.findChildren<QAbstractItemView*>())
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.selectedFiles();
}

}  // namespace

PreferenceViewController::PreferenceViewController(Services services, QWidget* parent)
    : QWidget(parent), services_(std::move(services)) {
    if (services_.plistPath.empty()) services_.plistPath = PerferenceInfo::defaultPath();
    if (!services_.chooseFolders) services_.chooseFolders = defaultChooseFolders;
    setWindowTitle(loc("Preferences"));
    setObjectName("PreferenceViewController");

    tabs_ = new QTabWidget(this);
    tabs_->addTab(buildGeneralTab(), loc("General"));
    tabs_->addTab(buildDuplicateTab(), loc("Duplicate Files"));
    tabs_->addTab(buildSimilarTab(), loc("Similar Images"));
    tabs_->addTab(buildWhiteListTab(), loc("White List"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    resize(560, 420);

    // Escape and Ctrl+W close the window, as they do any other settings window.
    for (const QKeySequence& keys :
         {QKeySequence(Qt::Key_Escape), QKeySequence(QKeySequence::Close)}) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, &QWidget::close);
    }

    loadFromDisk();
    refreshControls();
}

void PreferenceViewController::showTab(Tab tab) { tabs_->setCurrentIndex(tab); }

QWidget* PreferenceViewController::buildGeneralTab() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);

    auto* ignore = new QGroupBox(loc("Ignore scan"));
    auto* ignoreLayout = new QVBoxLayout(ignore);
    hidden_ = new QCheckBox(loc("Hidden files"));
    zeroByte_ = new QCheckBox(loc("Zero-byte files"));
    hidden_->setObjectName("hiddenFile");
    zeroByte_->setObjectName("zeroByteFile");
    ignoreLayout->addWidget(hidden_);
    ignoreLayout->addWidget(zeroByte_);
    connect(hidden_, &QCheckBox::toggled, this,
            [this](bool on) { onBoolToggled("hiddenFile", on); });
    connect(zeroByte_, &QCheckBox::toggled, this,
            [this](bool on) { onBoolToggled("zeroByteFile", on); });
    layout->addWidget(ignore);

    auto* size = new QGroupBox(loc("File size"));
    auto* sizeLayout = new QVBoxLayout(size);
    sizeLayout->addWidget(buildBoundRows(max_, min_, false));
    layout->addWidget(size);

    autoStartup_ = new QCheckBox(loc("Start with the system"));
    autoStartup_->setObjectName("autoStartup");
    connect(autoStartup_, &QCheckBox::toggled, this, [this](bool on) { onAutoStartup(on); });
    layout->addWidget(autoStartup_);

    // A flag of the user defaults rather than of the scanner settings: the recorder reads it at
    // each event, in the window and in the command line alike.
    auto* history = new QCheckBox(loc("Keep a history of what Orvane removes"));
    history->setObjectName("recordUsageEvents");
    history->setToolTip(
        loc("Kept in a file on this computer for the History window; nothing is ever sent."));
    history->setChecked(settings::UserDefaults::standard()
                            .boolForKey(analytics::recordUsageEventsKey)
                            .value_or(true));
    connect(history, &QCheckBox::toggled, this, [](bool on) {
        settings::UserDefaults::standard().setBool(analytics::recordUsageEventsKey, on);
    });
    layout->addWidget(history);
    layout->addStretch();
    return page;
}

QWidget* PreferenceViewController::buildBoundRows(BoundControls& upper, BoundControls& lower,
                                                  bool similar) {
    auto* rows = new QWidget;
    auto* form = new QFormLayout(rows);
    form->setContentsMargins(0, 0, 0, 0);
    for (BoundControls* c : {&upper, &lower}) {
        const bool isUpper = c == &upper;
        c->enable =
            new QCheckBox(loc(isUpper ? "Ignore files larger than" : "Ignore files smaller than"));
        c->size = new QLineEdit;
        c->unit = new QComboBox;
        c->enable->setObjectName(c->selectKey);
        c->size->setObjectName(c->sizeKey);
        c->unit->setObjectName(c->unitKey);
        c->size->setMaximumWidth(70);
        c->size->setPlaceholderText("0");
        // Digits only; the three-character cut happens on every change, including pasted text.
        c->size->setValidator(
            new QRegularExpressionValidator(QRegularExpression("[0-9]*"), c->size));
        c->unit->addItems({"KB", "MB", "GB"});
        auto* line = new QHBoxLayout;
        line->addWidget(c->size);
        line->addWidget(c->unit);
        line->addStretch();
        form->addRow(c->enable, line);
        wireBound(*c, similar);
    }
    return rows;
}

void PreferenceViewController::wireBound(BoundControls& c, bool similar) {
    connect(c.enable, &QCheckBox::toggled, this,
            [this, &c, similar](bool on) { onBoundSwitch(c, similar, on); });
    // Typing only trims; the figure is judged and saved once the edit is finished (Return, or
    // the focus leaving the field), so "800" is never refused at "80" on its way there.
    connect(c.size, &QLineEdit::textChanged, this,
            [this, &c](const QString& text) { onSizeTyped(c, text); });
    connect(c.size, &QLineEdit::editingFinished, this,
            [this, &c, similar] { commitSize(c, similar); });
    connect(c.unit, &QComboBox::currentTextChanged, this,
            [this, &c, similar](const QString& unit) { onUnitChanged(c, similar, unit); });
}

QWidget* PreferenceViewController::buildDuplicateTab() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* group = new QGroupBox(loc("Duplicate File Types"));
    auto* groupLayout = new QVBoxLayout(group);
    const std::pair<const char*, const char*> entries[] = {{"Video", "video"},
                                                           {"Audio", "audio"},
                                                           {"Image", "photo"},
                                                           {"Document", "file"},
                                                           {"Others", "other"}};
    for (const auto& [title, key] : entries) {
        auto* box = new QCheckBox(loc(title));
        box->setObjectName(key);
        groupLayout->addWidget(box);
        kinds_.push_back({box, key});
        connect(box, &QCheckBox::toggled, this,
                [this, box, key = key](bool on) { onKindToggled(box, key, on); });
    }
    layout->addWidget(group);
    layout->addStretch();
    return page;
}

QWidget* PreferenceViewController::buildSimilarTab() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* group = new QGroupBox(loc("Similarity Threshold"));
    auto* row = new QHBoxLayout(group);
    threshold_ = new QSlider(Qt::Horizontal);
    threshold_->setObjectName("threshold");
    threshold_->setRange(SettingsValidator::kMinThreshold, SettingsValidator::kMaxThreshold);
    threshold_->setSingleStep(1);
    threshold_->setPageStep(5);
    thresholdValue_ = new QLabel;
    thresholdValue_->setMinimumWidth(44);
    row->addWidget(new QLabel(QString::number(SettingsValidator::kMinThreshold) + "%"));
    row->addWidget(threshold_, 1);
    row->addWidget(new QLabel(QString::number(SettingsValidator::kMaxThreshold) + "%"));
    row->addWidget(thresholdValue_);
    connect(threshold_, &QSlider::valueChanged, this, [this](int v) { onThreshold(v); });
    layout->addWidget(group);

    auto* size = new QGroupBox(loc("File size"));
    auto* sizeLayout = new QVBoxLayout(size);
    sizeLayout->addWidget(buildBoundRows(similarMax_, similarMin_, true));
    layout->addWidget(size);
    layout->addStretch();
    return page;
}

QWidget* PreferenceViewController::buildWhiteListTab() {
    auto* page = new QWidget;
    auto* layout = new QHBoxLayout(page);
    whiteTypes_ = new QListWidget;
    whiteTypes_->setObjectName("whiteListTypes");
    whiteTypes_->addItems({loc("Duplicate Files"), loc("Similar Images"), loc("Large Files")});
    whiteTypes_->setMaximumWidth(170);
    layout->addWidget(whiteTypes_);

    auto* right = new QVBoxLayout;
    auto* caption = new QLabel(loc("Folders in the white list are never scanned."));
    caption->setWordWrap(true);
    right->addWidget(caption);
    whitePaths_ = new QListWidget;
    whitePaths_->setObjectName("whiteListPaths");
    whitePaths_->setSelectionMode(QAbstractItemView::SingleSelection);
    whitePaths_->setTextElideMode(Qt::ElideMiddle);
    right->addWidget(whitePaths_, 1);
    whiteEmpty_ = new QLabel(loc("No folders yet. Click + to add one."));
    whiteEmpty_->setAlignment(Qt::AlignCenter);
    whiteEmpty_->setEnabled(false);
    right->addWidget(whiteEmpty_);
    auto* buttons = new QHBoxLayout;
    auto* add = new QPushButton("+");
    add->setObjectName("whiteListAdd");
    add->setToolTip(loc("Add folders"));
    whiteDelete_ = new QPushButton(QString::fromUtf8("\u2212"));
    whiteDelete_->setObjectName("whiteListDelete");
    whiteDelete_->setToolTip(loc("Remove the chosen folder"));
    for (auto* b : {add, whiteDelete_}) b->setFixedWidth(36);
    buttons->addWidget(add);
    buttons->addWidget(whiteDelete_);
    buttons->addStretch();
    right->addLayout(buttons);
    layout->addLayout(right, 1);

    connect(whiteTypes_, &QListWidget::currentRowChanged, this, [this](int) { reloadWhiteList(); });
    connect(whitePaths_, &QListWidget::currentRowChanged, this,
            [this](int row) { whiteDelete_->setEnabled(row >= 0); });
    connect(add, &QPushButton::clicked, this, [this] {
        const QStringList chosen = services_.chooseFolders(this);
        if (!chosen.isEmpty()) addWhiteListPaths(chosen);
    });
    connect(whiteDelete_, &QPushButton::clicked, this, [this] { deleteSelectedWhiteListPath(); });
    whiteTypes_->setCurrentRow(0);
    return page;
}

void PreferenceViewController::loadFromDisk() {
    PerferenceInfo info(services_.plistPath);
    // Start from the defaults so a damaged or partial file still yields a complete dictionary
    // once the user changes something.
    dataDict_ = PerferenceInfo::defaultDictionary();
    for (std::size_t i = 0; i < info.dataDict.size(); ++i)
        dataDict_.set(info.dataDict.keys()[i], info.dataDict.valueAt(i));
    selectCount_ = 0;
    for (const auto& k : kinds_) selectCount_ += dataDict_.boolValue(k.key).value_or(true) ? 1 : 0;
}

void PreferenceViewController::refreshControls() {
    loading_ = true;
    const PerferenceInfo info(services_.plistPath);
    hidden_->setChecked(dataDict_.boolValue("hiddenFile").value_or(true));
    zeroByte_->setChecked(dataDict_.boolValue("zeroByteFile").value_or(true));
    autoStartup_->setChecked(dataDict_.boolValue("autoStartup").value_or(true));
    for (BoundControls* c : {&max_, &min_, &similarMax_, &similarMin_}) {
        c->enable->setChecked(dataDict_.boolValue(c->selectKey).value_or(false));
        c->size->setText(QString::fromStdString(dataDict_.stringValue(c->sizeKey).value_or("")));
        const auto unit = QString::fromStdString(dataDict_.stringValue(c->unitKey).value_or("MB"));
        c->unit->setCurrentIndex(std::max(0, c->unit->findText(unit)));
    }
    for (auto& k : kinds_) k.box->setChecked(dataDict_.boolValue(k.key).value_or(true));
    threshold_->setValue(static_cast<int>(info.threshold));
    thresholdValue_->setText(QString::number(threshold_->value()) + "%");
    loading_ = false;
    reloadWhiteList();
}

const char* PreferenceViewController::whiteListKey(int index) {
    switch (index) {
        case 1: return "DupImagesWhiteListPath";
        case 2: return "LargeFileWhiteListPath";
        default: return "whiteListPath";
    }
}

void PreferenceViewController::reloadWhiteList() {
    // Reloaded from a fresh snapshot so the list shows exactly what a scan will read.
    const PerferenceInfo info(services_.plistPath);
    const int type = std::max(0, whiteTypes_->currentRow());
    const auto& paths = type == 1   ? info.dupImagesWhiteListPath
                        : type == 2 ? info.localLargeFileWhiteListPath
                                    : info.localWhiteList;
    const int keep = whitePaths_->currentRow();
    whitePaths_->clear();
    for (const auto& p : paths) whitePaths_->addItem(toDisplay(p));
    whitePaths_->setCurrentRow(std::min(keep, whitePaths_->count() - 1));
    whiteDelete_->setEnabled(whitePaths_->currentRow() >= 0);
    whiteEmpty_->setVisible(paths.empty());
}

void PreferenceViewController::selectWhiteListType(int index) { whiteTypes_->setCurrentRow(index); }
void PreferenceViewController::selectWhiteListRow(int row) { whitePaths_->setCurrentRow(row); }

void PreferenceViewController::addWhiteListPaths(const QStringList& chosen) {
    std::vector<std::string> paths;
    for (const auto& p : chosen) paths.push_back(toPath(p));
    const char* key = whiteListKey(std::max(0, whiteTypes_->currentRow()));
    const auto added = SettingsValidator::addPaths(dataDict_, key, paths);
    if (added.empty()) return;
    if (save()) reloadWhiteList();
}

void PreferenceViewController::deleteSelectedWhiteListPath() {
    const int row = whitePaths_->currentRow();
    if (row < 0) return;
    const char* key = whiteListKey(std::max(0, whiteTypes_->currentRow()));
    if (!SettingsValidator::removePathAt(dataDict_, key, static_cast<std::size_t>(row))) return;
    if (!save()) return;
    whitePaths_->setCurrentRow(-1);
    reloadWhiteList();
    // The chosen row moves up by one, so repeated deletes walk up the list.
    whitePaths_->setCurrentRow(std::min(row - 1, whitePaths_->count() - 1));
    whiteDelete_->setEnabled(whitePaths_->currentRow() >= 0);
}

void PreferenceViewController::onBoolToggled(const char* key, bool value) {
    if (loading_) return;
    dataDict_.set(key, PlistValue(value));
    save();
}

void PreferenceViewController::onKindToggled(QCheckBox* box, const char* key, bool checked) {
    if (loading_) return;
    if (checked) {
        ++selectCount_;
        dataDict_.set(key, PlistValue(true));
        save();
        return;
    }
    if (--selectCount_ <= 0) {
        selectCount_ = 1;
        loading_ = true;
        box->setChecked(true);
        loading_ = false;
        dataDict_.set(key, PlistValue(true));
        save();
        showSheet(
            QString::fromUtf8(SettingsValidator::kNoFileKindMessage.data(),
                              static_cast<int>(SettingsValidator::kNoFileKindMessage.size())));
        return;
    }
    dataDict_.set(key, PlistValue(false));
    save();
}

void PreferenceViewController::onSizeTyped(BoundControls& c, const QString& text) {
    if (loading_) return;
    const std::string limited = SettingsValidator::limitSizeText(text.toStdString());
    if (limited == text.toStdString()) return;
    loading_ = true;
    c.size->setText(QString::fromStdString(limited));
    loading_ = false;
}

bool PreferenceViewController::commitSize(BoundControls& c, bool similar) {
    if (loading_) return true;
    const std::string stored = dataDict_.stringValue(c.sizeKey).value_or("");
    const std::string typed = SettingsValidator::limitSizeText(c.size->text().toStdString());
    if (typed == stored) return true;
    const Dictionary before = dataDict_;
    dataDict_.set(c.sizeKey, PlistValue(typed));
    const auto verdict = SettingsValidator::checkBounds(
        dataDict_, similar ? settings::BoundPair::similarImage : settings::BoundPair::duplicate);
    if (!verdict) {
        dataDict_ = before;
        // Put the saved figure back before the sheet takes the focus, so the focus leaving the
        // field finds nothing left to judge.
        loading_ = true;
        c.size->setText(QString::fromStdString(stored));
        loading_ = false;
        showSheet(QString::fromStdString(verdict.message));
        return false;
    }
    return save();
}

bool PreferenceViewController::commitPendingSizes() {
    bool ok = true;
    for (auto [controls, similar] : {std::pair{&max_, false}, std::pair{&min_, false},
                                     std::pair{&similarMax_, true}, std::pair{&similarMin_, true}})
        if (controls->size && !commitSize(*controls, similar)) ok = false;
    return ok;
}

void PreferenceViewController::closeEvent(QCloseEvent* event) {
    // A figure still being typed is judged like any other finished edit; a refused one keeps the
    // window open so the user sees why.
    if (!commitPendingSizes()) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void PreferenceViewController::onBoundSwitch(BoundControls& c, bool similar, bool on) {
    if (loading_) return;
    const Dictionary before = dataDict_;
    dataDict_.set(c.selectKey, PlistValue(on));
    if (on && !boundsAccepted(similar)) {
        dataDict_ = before;
        loading_ = true;
        c.enable->setChecked(false);
        loading_ = false;
        return;
    }
    save();
}

void PreferenceViewController::onUnitChanged(BoundControls& c, bool similar, const QString& unit) {
    if (loading_) return;
    const Dictionary before = dataDict_;
    dataDict_.set(c.unitKey, PlistValue(unit.toStdString()));
    if (!boundsAccepted(similar)) {
        dataDict_ = before;
        loading_ = true;
        const auto old = QString::fromStdString(before.stringValue(c.unitKey).value_or("MB"));
        c.unit->setCurrentIndex(std::max(0, c.unit->findText(old)));
        loading_ = false;
        return;
    }
    save();
}

void PreferenceViewController::onThreshold(int value) {
    thresholdValue_->setText(QString::number(value) + "%");
    if (loading_) return;
    dataDict_.set("threshold", PlistValue(std::to_string(value)));
    save();
}

void PreferenceViewController::onAutoStartup(bool on) {
    if (loading_) return;
    if (services_.setLoginItem) {
        const std::string error = services_.setLoginItem(on);
        if (!error.empty()) {
            ORVANE_LOG("login item: " + error);
            loading_ = true;
            autoStartup_->setChecked(!on);
            loading_ = false;
            showSheet(loc("Status bar setting failed"), loc("Retry"),
                      [this, on] { autoStartup_->setChecked(on); });
            return;
        }
    }
    dataDict_.set("autoStartup", PlistValue(on));
    save();
}

bool PreferenceViewController::boundsAccepted(bool similar) {
    const auto verdict = SettingsValidator::checkBounds(
        dataDict_, similar ? settings::BoundPair::similarImage : settings::BoundPair::duplicate);
    if (verdict) return true;
    showSheet(QString::fromStdString(verdict.message));
    return false;
}

bool PreferenceViewController::save() {
    const auto result = settings::setPerenceInfo(dataDict_, services_.plistPath);
    if (!result.ok) {
        showSheet(loc("The settings could not be saved.") + "\n" +
                  QString::fromStdString(result.error));
        return false;
    }
    Q_EMIT settingsSaved();
    return true;
}

void PreferenceViewController::showSheet(const QString& text, const QString& button,
                                         std::function<void()> retry) {
    lastSheetText_ = text;
    QMessageBox* box = retry ? askQuestion(this, text, loc("Cancel"), button,
                                           [retry](bool again) {
                                               if (again) retry();
                                           })
                             : showAlert(this, text, button);
    if (box) box->setObjectName("preferenceSheet");
}

}  // namespace orvane::app
