#include "app/renamer/AIRenamerViewController.h"

#include <sys/stat.h>

#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/common/Alerts.h"
#include "app/common/DefaultsStore.h"
#include "app/common/PageParts.h"
#include "app/common/Styles.h"
#include "app/common/Text.h"
#include "app/common/UsageEvents.h"
#include "app/renamer/FileDropView.h"
#include "app/renamer/NoticeStack.h"
#include "app/shell/Icons.h"
#include "app/shell/MainThread.h"
#include "core/renamer/FileNameRules.h"
#include "core/renamer/FileRenamer.h"
#include "core/renamer/ParserRouter.h"
#include "core/renamer/ParserSupport.h"
#include "core/renamer/RenameJournal.h"
#include "core/renamer/RenamePreferences.h"
#include "core/settings/UserDefaults.h"
#include "kit/Localization.h"
#include "kit/Paths.h"
#include "namer/NameService.h"
#include "platform/Layout.h"

namespace orvane::app {

using renamer::FileProcessState;

namespace {
// The folder the file chooser opens in next time.
constexpr const char* kLastRenameFolder = "LastRenameFolder";
}  // namespace

// The driver reports on the main queue already; this only keeps reports away from a screen
// that is gone.
class RenamerObserver final : public renamer::FileRenamerDelegate {
public:
    explicit RenamerObserver(AIRenamerViewController* screen) : screen_(screen) {}
    void fileRenamerDidUpdate(std::size_t index) override {
        if (!screen_) return;
        screen_->refreshRow(index);
        screen_->reportResult(index);
    }
    void fileRenamerDidFinishAll() override {
        if (screen_) screen_->renamingFinished();
    }

private:
    QPointer<AIRenamerViewController> screen_;
};

namespace {

QPushButton* button(const QString& text, const QString& name, const QString& style,
                    QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setStyleSheet(style);
    return b;
}

QString stateText(const renamer::FileItem& item) {
    switch (item.state) {
        case FileProcessState::idle: return loc("Waiting");
        case FileProcessState::loading: return loc("Naming...");
        case FileProcessState::success: return loc("Named");
        case FileProcessState::failed: return loc("Failed") + QStringLiteral(": ") + qs(item.error);
    }
    return {};
}

}  // namespace

AIRenamerViewController::AIRenamerViewController(QWidget* parent, std::string serviceURL,
                                                 std::string journalPath)
    : ModuleBaseViewController(ModuleType::aiRenamer, parent),
      renamer_(renamer::FileRenamer::create()),
      service_(std::make_unique<namer::NameService>()),
      journal_(std::make_unique<renamer::RenameJournal>(
          journalPath.empty() ? renamer::RenameJournal::defaultPath() : journalPath)),
      serviceURL_(std::move(serviceURL)) {
    setObjectName(QStringLiteral("aiRenamerModule"));
    observer_ = std::make_shared<RenamerObserver>(this);
    renamer_->delegate = observer_;

    stack_ = addPageStack(this);

    // Add files
    auto* add = new QWidget(stack_);
    auto* addLayout = new QVBoxLayout(add);
    addLayout->addStretch(1);
    addModuleIntro(addLayout, QStringLiteral("leftList_airenamer"), 90, loc("AI File Renamer"),
                   loc("Name documents and images after what they hold. Nothing is "
                       "renamed until you confirm, and the last renaming can be undone."));
    addLayout->addSpacing(12);
    drop_ = new FileDropView(add);
    drop_->dropped = [this](const std::vector<std::string>& paths) { dragDrop(paths); };
    addLayout->addWidget(drop_, 0, Qt::AlignHCenter);
    auto* addButtons = new QHBoxLayout;
    addButtons->addStretch();
    auto* choose =
        button(loc("Choose Files"), QStringLiteral("renamerChoose"), styles::primaryButton(), add);
    addButtons->addWidget(choose);
    undo_ =
        button(loc("Undo last renaming"), QStringLiteral("renamerUndo"), styles::linkButton(), add);
    addButtons->addWidget(undo_);
    addButtons->addStretch();
    addLayout->addSpacing(8);
    addLayout->addLayout(addButtons);
    addLayout->addStretch(2);
    stack_->addWidget(add);
    connect(choose, &QPushButton::clicked, this, &AIRenamerViewController::chooseFiles);
    connect(undo_, &QPushButton::clicked, this, &AIRenamerViewController::undoLastRenaming);

    // The list
    auto* listPage = new QWidget(stack_);
    auto* listLayout = new QVBoxLayout(listPage);
    auto* settingsRow = new QHBoxLayout;
    settingsRow->addWidget(new QLabel(loc("Language"), listPage));
    language_ = new QComboBox(listPage);
    language_->setObjectName(QStringLiteral("renamerLanguage"));
    for (int i = 0; i < renamer::kLanguageCount; ++i) {
        const auto lang = static_cast<renamer::PerferenceSettingLang>(i);
        language_->addItem(loc(renamer::languageDisplayName(lang)),
                           qs(renamer::languageCode(lang)));
    }
    settingsRow->addWidget(language_);
    settingsRow->addSpacing(16);
    settingsRow->addWidget(new QLabel(loc("Rename Preferences"), listPage));
    order_ = new QComboBox(listPage);
    order_->setObjectName(QStringLiteral("renamerOrder"));
    for (auto s : renamer::kAllPerferenceSettings)
        order_->addItem(loc(renamer::displayKey(s)), renamer::formateNum(s));
    settingsRow->addWidget(order_);
    settingsRow->addStretch();
    listLayout->addLayout(settingsRow);

    list_ = new QTreeWidget(listPage);
    list_->setObjectName(QStringLiteral("renamerList"));
    list_->setHeaderLabels({loc("File"), loc("State"), loc("New Name")});
    list_->setRootIsDecorated(false);
    list_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    list_->header()->setSectionResizeMode(nameColumn, QHeaderView::Stretch);
    list_->header()->setSectionResizeMode(stateColumn, QHeaderView::ResizeToContents);
    list_->header()->setSectionResizeMode(newNameColumn, QHeaderView::Stretch);
    listLayout->addWidget(list_, 1);
    status_ = new QLabel(listPage);
    status_->setObjectName(QStringLiteral("renamerStatus"));
    status_->setStyleSheet(styles::subtitle());
    listLayout->addWidget(status_);

    auto* listButtons = new QHBoxLayout;
    back_ = button(loc("Back"), QStringLiteral("renamerBack"), styles::secondaryButton(), listPage);
    addMore_ = button(loc("Add Files"), QStringLiteral("renamerAddMore"), styles::secondaryButton(),
                      listPage);
    retry_ =
        button(loc("Retry"), QStringLiteral("renamerRetry"), styles::secondaryButton(), listPage);
    stop_ = button(loc("Stop"), QStringLiteral("renamerStop"), styles::secondaryButton(), listPage);
    start_ =
        button(loc("Start"), QStringLiteral("renamerStart"), styles::primaryButton(), listPage);
    apply_ =
        button(loc("Rename"), QStringLiteral("renamerApply"), styles::primaryButton(), listPage);
    listButtons->addWidget(back_);
    listButtons->addWidget(addMore_);
    listButtons->addStretch();
    listButtons->addWidget(retry_);
    listButtons->addWidget(stop_);
    listButtons->addWidget(start_);
    listButtons->addWidget(apply_);
    listLayout->addLayout(listButtons);
    stack_->addWidget(listPage);
    connect(back_, &QPushButton::clicked, this, [this] {
        if (renamer_->isRunning || applying_) return;
        usage::renamer(analytics::action::optionButton, {"Back"});
        backToAdd();
    });
    connect(addMore_, &QPushButton::clicked, this, &AIRenamerViewController::chooseFiles);
    connect(start_, &QPushButton::clicked, this, &AIRenamerViewController::startRenaming);
    connect(stop_, &QPushButton::clicked, this, &AIRenamerViewController::stopRenaming);
    connect(apply_, &QPushButton::clicked, this, &AIRenamerViewController::applyNames);
    connect(retry_, &QPushButton::clicked, this, [this] {
        if (auto* item = list_->currentItem()) retry(list_->indexOfTopLevelItem(item));
    });
    connect(list_, &QTreeWidget::itemChanged, this, &AIRenamerViewController::nameEdited);
    connect(list_, &QTreeWidget::currentItemChanged, this, [this] { refreshButtons(); });
    connect(language_, &QComboBox::currentIndexChanged, this,
            &AIRenamerViewController::settingsChanged);
    connect(order_, &QComboBox::currentIndexChanged, this,
            &AIRenamerViewController::settingsChanged);

    // Summary
    auto* summary = new QWidget(stack_);
    auto* summaryLayout = new QVBoxLayout(summary);
    summaryLayout->addStretch(1);
    auto* done = new QLabel(summary);
    done->setPixmap(appIcon(QStringLiteral("done")).pixmap(72, 72));
    done->setAlignment(Qt::AlignCenter);
    summaryLayout->addWidget(done);
    summaryTitle_ = wrappedLabel(loc("Renamed Successfully"), styles::title(), summary);
    summaryTitle_->setObjectName(QStringLiteral("renamerSummaryTitle"));
    summaryLayout->addWidget(summaryTitle_);
    summaryCount_ = wrappedLabel({}, styles::subtitle(), summary);
    summaryCount_->setObjectName(QStringLiteral("renamerSummaryCount"));
    summaryLayout->addWidget(summaryCount_);
    failures_ = new QTreeWidget(summary);
    failures_->setObjectName(QStringLiteral("renamerFailures"));
    failures_->setHeaderLabels({loc("File"), loc("Reason")});
    failures_->setRootIsDecorated(false);
    failures_->setMaximumHeight(160);
    summaryLayout->addSpacing(12);
    summaryLayout->addWidget(failures_);
    auto* summaryButtons = new QHBoxLayout;
    summaryButtons->addStretch();
    undoAfter_ = button(loc("Undo last renaming"), QStringLiteral("renamerUndoAfter"),
                        styles::secondaryButton(), summary);
    auto* finish =
        button(loc("Done"), QStringLiteral("renamerDone"), styles::primaryButton(), summary);
    summaryButtons->addWidget(undoAfter_);
    summaryButtons->addWidget(finish);
    summaryButtons->addStretch();
    summaryLayout->addLayout(summaryButtons);
    summaryLayout->addStretch(2);
    stack_->addWidget(summary);
    connect(undoAfter_, &QPushButton::clicked, this, &AIRenamerViewController::undoLastRenaming);
    connect(finish, &QPushButton::clicked, this, &AIRenamerViewController::backToAdd);

    notices_ = new NoticeStack(this);

    // The menus show the saved choices; changing them saves at once.
    auto& defaults = settings::UserDefaults::standard();
    language_->setCurrentIndex(
        language_->findData(qs(renamer::RenamePreferences::getSettingValue(defaults))));
    order_->setCurrentIndex(
        renamer::formateNum(renamer::RenamePreferences::getSettingValue2(defaults)) - 1);
    showPage(Page::add);
}

AIRenamerViewController::~AIRenamerViewController() { renamer_->stop(); }

void AIRenamerViewController::showPage(Page page) {
    if (page != page_ && page == Page::list) usage::renamer(analytics::action::showList, {" "});
    if (page != page_ && page == Page::add) usage::renamer(analytics::action::selectPage, {" "});
    page_ = page;
    stack_->setCurrentIndex(static_cast<int>(page));
    undo_->setEnabled(journal_->lastRun().has_value());
    refreshButtons();
}

std::string AIRenamerViewController::chooserFolder() {
    // Where the user last took files from, as long as it is still a folder; else their home.
    if (auto last = DefaultsStore::string(kLastRenameFolder); last && !last->empty()) {
        struct stat st {};
        if (::stat(last->c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return *last;
    }
    return platform::Layout::current().home;
}

void AIRenamerViewController::chooseFiles() {
    usage::renamer(analytics::action::optionButton, {"add file"});
    QString filter = loc("Documents and images") + QStringLiteral(" (");
    for (const auto& ext : renamer::ParserRouter::supportedExtensions())
        filter += QStringLiteral("*.%1 *.%2 ").arg(qs(ext), qs(ext).toUpper());
    filter = filter.trimmed() + QStringLiteral(")");
    auto* dialog =
        new QFileDialog(this, loc("Choose Files"),
                        QFile::decodeName(QByteArray::fromStdString(chooserFolder())), filter);
    dialog->setFileMode(QFileDialog::ExistingFiles);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QFileDialog::filesSelected, this, [this](const QStringList& chosen) {
        std::vector<std::string> paths;
        for (const QString& p : chosen) paths.push_back(pathBytes(p));
        if (!paths.empty()) {
            const std::string folder = kit::parentPath(paths.front());
            if (!folder.empty()) DefaultsStore::setString(kLastRenameFolder, folder);
        }
        dragDrop(paths, true);
    });
    dialog->open();
}

void AIRenamerViewController::dragDrop(const std::vector<std::string>& filePathList,
                                       bool fromChooser) {
    if (renamer_->isRunning || applying_) return;
    files_.folderItems = renamer_->items;
    files_.dragDrop(filePathList);
    const std::string place = page_ == Page::list ? "List" : "SelectPage";
    for (const std::string& path : filePathList) {
        std::string outcome = "Success", reason = " ";
        for (const auto& refused : files_.failedItems) {
            if (refused.filePath != path) continue;
            outcome = "Fail";
            reason = refused.reason == renamer::FailedReason::invalidType ? "Unsupported"
                     : refused.reason == renamer::FailedReason::oversize  ? "Oversize"
                                                                          : "Error";
            break;
        }
        usage::renamer(analytics::action::addFiles, {fromChooser ? "Finder" : "Drag", outcome,
                                                     reason, place, renamer::lowerExtension(path)});
    }
    renamer_->items = files_.folderItems;
    notices_->show(files_.notices());
    if (!renamer_->items.empty()) showPage(Page::list);
    refreshList();
}

void AIRenamerViewController::settingsChanged() {
    if (refreshing_) return;
    usage::renamer(analytics::action::setting, {" "});
    auto& defaults = settings::UserDefaults::standard();
    const auto lang = renamer::languageFromCode(pathBytes(language_->currentData().toString()));
    if (lang) renamer::RenamePreferences::setLanguage(defaults, *lang);
    if (auto order = renamer::perferenceSettingFromFormateNum(order_->currentData().toInt()))
        renamer::RenamePreferences::setOrder(defaults, *order);
}

void AIRenamerViewController::startRenaming() {
    if (renamer_->isRunning || renamer_->items.empty()) return;
    std::string error;
    const std::string url = service_->url(serviceURL_, error);
    if (url.empty()) {
        showAlert(this, loc("The naming service could not be started."), loc("OK"), {}, qs(error));
        return;
    }
    renamer_->serviceURL = url;
    renamer_->perferenceLang = pathBytes(language_->currentData().toString());
    renamer_->perferenceSetting =
        renamer::perferenceSettingFromFormateNum(order_->currentData().toInt())
            .value_or(renamer::PerferenceSetting::content);
    usage::renamer(analytics::action::optionButton, {"Start"});
    setLeftlistStatus(false);
    renamer_->renameAll();
    refreshButtons();
}

void AIRenamerViewController::stopRenaming() { renamer_->stop(); }

void AIRenamerViewController::retry(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= renamer_->items.size() || renamer_->isRunning)
        return;
    if (renamer_->serviceURL.empty()) {
        std::string error;
        renamer_->serviceURL = service_->url(serviceURL_, error);
        if (renamer_->serviceURL.empty()) return;
    }
    setLeftlistStatus(false);
    renamer_->retry(static_cast<std::size_t>(row));
    refreshButtons();
}

void AIRenamerViewController::refreshRow(std::size_t index) {
    if (index >= renamer_->items.size() || static_cast<int>(index) >= list_->topLevelItemCount())
        return;
    refreshing_ = true;
    const auto& item = renamer_->items[index];
    QTreeWidgetItem* row = list_->topLevelItem(static_cast<int>(index));
    row->setText(nameColumn, displayPath(renamer::fileNameOf(item.filePath)));
    row->setToolTip(nameColumn, displayPath(item.filePath));
    row->setText(stateColumn, stateText(item));
    row->setToolTip(stateColumn, qs(item.error));
    row->setText(newNameColumn, item.newName ? qs(*item.newName) : QString());
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (item.state == FileProcessState::success && !renamer_->isRunning)
        flags |= Qt::ItemIsEditable;
    row->setFlags(flags);
    refreshing_ = false;
    refreshButtons();
}

void AIRenamerViewController::reportResult(std::size_t index) {
    if (index >= renamer_->items.size()) return;
    const auto& item = renamer_->items[index];
    if (item.state == FileProcessState::success)
        usage::renamer(analytics::action::renamerResult, {"Success", ""});
    else if (item.state == FileProcessState::failed)
        usage::renamer(analytics::action::renamerResult,
                       {"Fail", item.failedToExtract ? "Extract" : "API Error"});
}

void AIRenamerViewController::refreshList() {
    refreshing_ = true;
    list_->clear();
    for (std::size_t i = 0; i < renamer_->items.size(); ++i)
        list_->addTopLevelItem(new QTreeWidgetItem);
    refreshing_ = false;
    for (std::size_t i = 0; i < renamer_->items.size(); ++i) refreshRow(i);
    refreshButtons();
}

void AIRenamerViewController::refreshButtons() {
    const bool running = renamer_->isRunning || applying_;
    std::size_t named = 0, failed = 0, waiting = 0;
    for (const auto& item : renamer_->items) {
        if (item.state == FileProcessState::success) ++named;
        else if (item.state == FileProcessState::failed) ++failed;
        else ++waiting;
    }
    start_->setEnabled(!running && waiting > 0);
    stop_->setEnabled(renamer_->isRunning);
    apply_->setEnabled(!running && named > 0);
    back_->setEnabled(!running);
    addMore_->setEnabled(!running);
    language_->setEnabled(!running);
    order_->setEnabled(!running);
    QTreeWidgetItem* current = list_->currentItem();
    const int row = current ? list_->indexOfTopLevelItem(current) : -1;
    retry_->setEnabled(
        !running && row >= 0 && static_cast<std::size_t>(row) < renamer_->items.size() &&
        renamer_->items[static_cast<std::size_t>(row)].state == FileProcessState::failed);
    status_->setText(locFormat(
        "%@ named, %@ failed, %@ waiting",
        {countText(static_cast<long long>(named)), countText(static_cast<long long>(failed)),
         countText(static_cast<long long>(waiting))}));
}

void AIRenamerViewController::renamingFinished() {
    setLeftlistStatus(true);
    refreshList();
}

void AIRenamerViewController::nameEdited(QTreeWidgetItem* row, int column) {
    if (refreshing_ || column != newNameColumn) return;
    const int index = list_->indexOfTopLevelItem(row);
    if (index < 0 || static_cast<std::size_t>(index) >= renamer_->items.size()) return;
    auto& item = renamer_->items[static_cast<std::size_t>(index)];
    std::string why;
    const auto valid = renamer::FileNameRules::validated(pathBytes(row->text(newNameColumn)), &why);
    if (valid) {
        item.newName = *valid;
    } else {
        notices_->show({why});
    }
    refreshRow(static_cast<std::size_t>(index));
}

void AIRenamerViewController::applyNames() {
    if (renamer_->isRunning || applying_) return;
    applying_ = true;
    setLeftlistStatus(false);
    refreshButtons();
    QPointer<AIRenamerViewController> self = this;
    renamer_->applyFileRenames(*journal_, [self](const renamer::RenameOutcome& out) {
        if (!self) return;
        self->applying_ = false;
        self->setLeftlistStatus(true);
        self->failures_->clear();
        for (const auto& f : out.failed)
            self->failures_->addTopLevelItem(
                new QTreeWidgetItem({displayPath(f.filePath), qs(f.message)}));
        self->failures_->setVisible(!out.failed.empty());
        self->summaryTitle_->setText(out.failed.empty() ? loc("Renamed Successfully")
                                                        : loc("Renaming finished with failures"));
        self->summaryCount_->setText(loc("Total Files:") + QStringLiteral(" ") +
                                     countText(static_cast<long long>(out.moved.size())));
        self->showPage(Page::summary);
        self->undoAfter_->setEnabled(self->journal_->lastRun().has_value());
    });
}

void AIRenamerViewController::undoLastRenaming() {
    const auto out = renamer::undoLastRenaming(*journal_);
    std::vector<std::string> lines;
    if (!out.hadRun) lines.push_back(kit::localized("Nothing to undo"));
    if (out.hadRun && out.refused.empty())
        lines.push_back(
            kit::formatLocalized("%@ names put back", {std::to_string(out.restored.size())}));
    for (const auto& [path, why] : out.refused)
        lines.push_back(kit::displayPath(renamer::fileNameOf(path)) + ": " + why);
    notices_->show(lines);
    // The list follows its files back to their old names.
    for (auto& item : renamer_->items)
        for (const auto& m : out.restored)
            if (item.filePath == m.oldPath) {
                item.filePath = m.newPath;
                item.identity = renamer::FileIdentity::of(m.newPath);
            }
    undo_->setEnabled(journal_->lastRun().has_value());
    undoAfter_->setEnabled(journal_->lastRun().has_value());
    refreshList();
}

void AIRenamerViewController::backToAdd() {
    if (renamer_->isRunning || applying_) return;
    renamer_->items.clear();
    files_ = {};
    refreshList();
    showPage(Page::add);
}

void AIRenamerViewController::backToHome(std::function<void(bool)> completion) {
    completion(!renamer_->isRunning && !applying_);
}

bool AIRenamerViewController::isShouldCloseWindow() { return !applying_; }

void AIRenamerViewController::applicationWillTerminate() { renamer_->stop(); }

}  // namespace orvane::app
