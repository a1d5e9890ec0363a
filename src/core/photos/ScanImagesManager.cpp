#include "core/photos/ScanImagesManager.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cmath>
#include <ctime>
#include <nlohmann/json.hpp>

#include "core/files/FileType.h"
#include "core/photos/Thumbnail.h"
#include "core/settings/PerferenceInfo.h"
#include "core/settings/PlistValue.h"
#include "engine/SimilarImageEngine.h"
#include "kit/DispatchQueue.h"
#include "kit/Localization.h"
#include "kit/Log.h"
#include "kit/Paths.h"
#include "platform/Trash.h"

namespace orvane::photos {

namespace {

double now() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// The engine's callbacks carry no context: they reach the manager whose scan is running.
std::atomic<ScanImagesManager*> gScanning{nullptr};
// Progress events are passed on at most every 0.2 s, process-wide.
std::atomic<double> gLastProgress{0};

void foundCallback(JsonData data) {
    if (auto* m = gScanning.load(); m && data.data && data.length >= 0)
        m->jsonDataDidChanged(std::string_view(data.data, static_cast<std::size_t>(data.length)));
}

void progressCallback(ProgressType type, JsonData data) {
    auto* m = gScanning.load();
    if (!m) return;
    if (type == kProgressRunning) {
        // A stop asked for before the engine was listening is repeated now that it is, before
        // the throttle can swallow the event.
        if (m->stopRequested()) StopFindDuplicates(10);
        const double t = now();
        if (t - gLastProgress.load() < 0.2) return;
        gLastProgress = t;
    }
    const std::string_view text =
        data.data && data.length > 0
            ? std::string_view(data.data, static_cast<std::size_t>(data.length))
            : std::string_view();
    m->progressDidChanged(text, type);
}

// A folder that exists but cannot be listed; the engine would pass it over in silence.
bool unreadableFolder(const std::string& path) {
    DIR* dir = ::opendir(path.c_str());
    if (dir) {
        ::closedir(dir);
        return false;
    }
    return errno == EACCES || errno == EPERM;
}

std::string withSlash(std::string path) {
    path += "/";
    return path;
}

// A JSON path: "path" as text, or the exact bytes when the engine had to spell them in hex.
std::optional<std::string> pathOf(const nlohmann::json& object, const char* key,
                                  const char* hexKey) {
    if (const auto h = object.find(hexKey); h != object.end() && h->is_string()) {
        const std::string& s = h->get_ref<const std::string&>();
        if (s.empty() || s.size() % 2) return std::nullopt;
        std::string out;
        for (std::size_t i = 0; i < s.size(); i += 2) {
            const auto digit = [](char c) -> int {
                if (c >= '0' && c <= '9') return c - '0';
                if (c >= 'a' && c <= 'f') return c - 'a' + 10;
                if (c >= 'A' && c <= 'F') return c - 'A' + 10;
                return -1;
            };
            const int hi = digit(s[i]), lo = digit(s[i + 1]);
            if (hi < 0 || lo < 0) return std::nullopt;
            out.push_back(static_cast<char>(hi * 16 + lo));
        }
        if (out.find('\0') != std::string::npos) return std::nullopt;
        return out;
    }
    const auto p = object.find(key);
    if (p == object.end() || !p->is_string()) return std::nullopt;
    const std::string& s = p->get_ref<const std::string&>();
    if (s.empty() || s.find('\0') != std::string::npos) return std::nullopt;
    return s;
}

std::optional<std::uint32_t> dimensionOf(const nlohmann::json& object, const char* key) {
    const auto v = object.find(key);
    if (v == object.end() || !v->is_number_unsigned()) return std::nullopt;
    const auto n = v->get<std::uint64_t>();
    if (n == 0 || n > 0xFFFFFF) return std::nullopt;
    return static_cast<std::uint32_t>(n);
}

}  // namespace

ScanImagesManager::Environment ScanImagesManager::defaultEnvironment() {
    Environment env;
    env.preferencesFile = settings::PerferenceInfo::defaultPath();
    env.logDirectory = kit::logDirectory();
    env.homeDirectory = kit::customHomeDirectory();
    env.layout = platform::Layout::current();
    return env;
}

ScanImagesManager& ScanImagesManager::shared() {
    static ScanImagesManager manager(defaultEnvironment());
    return manager;
}

ScanImagesManager::ScanImagesManager(Environment environment) : env_(std::move(environment)) {
    // A fresh engine log per run of the program.
    const std::string logFile = kit::joinPath(env_.logDirectory, "SimilarImageEngine.log");
    ::unlink(logFile.c_str());
    if (InitImageDuplicate(logFile.c_str(), "") == 0) {
        ORVANE_LOG("初始化日志成功");
    } else {
        ORVANE_LOG("初始化日志失败");
    }
    trash_ = platform::makeTrash(env_.layout);
    removePath_ = env_.layout.trash;
}

ScanImagesManager::~ScanImagesManager() {
    stop();
    waitUntilScanFinished();
    waitForRemoval();
    if (thumbnailQueue_) thumbnailQueue_->drain();
    ScanImagesManager* self = this;
    gScanning.compare_exchange_strong(self, nullptr);
}

void ScanImagesManager::setDelegate(std::weak_ptr<ScanImagesManagerProtocol> delegate) {
    std::lock_guard lock(mutex_);
    delegate_ = std::move(delegate);
}

void ScanImagesManager::setRemoveDelegate(std::weak_ptr<ScanImagesRemoveProtocol> delegate) {
    std::lock_guard lock(mutex_);
    removeDelegate_ = std::move(delegate);
}

// ---- Preparing ----------------------------------------------------------------------------

void ScanImagesManager::isContainFolder(const std::string& folder) {
    auto& list = scanFolderList_;
    bool placed = false;
    for (std::size_t i = 0; i < list.size();) {
        const std::string entry = list[i];
        if (entry == folder) {
            // Already listed: removing it as "contained" would lose the folder altogether.
            placed = true;
            ++i;
        } else if (entry.find(folder) != std::string::npos) {
            placed = true;
            if (std::find(list.begin(), list.end(), folder) != list.end()) {
                list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
                continue;
            }
            list[i] = folder;
            ++i;
        } else if (folder.find(entry) != std::string::npos) {
            placed = true;
            ++i;
        } else {
            ++i;
        }
    }
    if (!placed) list.push_back(folder);
}

std::int64_t ScanImagesManager::getFileSize(const settings::Dictionary& prefs,
                                            std::string_view valueKey, std::string_view typeKey) {
    std::optional<std::int64_t> value;
    if (const auto* v = prefs.find(valueKey)) {
        if (v->isInt()) value = v->asInt();
        if (v->isReal() && std::isfinite(v->asReal()))
            value = static_cast<std::int64_t>(v->asReal());
        if (v->isString())
            value = settings::PerferenceInfo::parseInteger(v->asString()).value_or(0);
    }
    if (!value || *value <= 0) return 0;
    const std::string type = prefs.stringValue(typeKey).value_or("");
    const std::int64_t unit = type == "KB" ? 1000 : type == "MB" ? 1000000 : 1000000000;
    if (*value > INT64_MAX / unit) return INT64_MAX;
    return *value * unit;
}

double ScanImagesManager::clampedThreshold(const settings::Dictionary& prefs) {
    const auto* v = prefs.find(settings::prefkey::threshold);
    if (!v) return 85;
    double t = 85;
    if (v->isInt()) t = static_cast<double>(v->asInt());
    else if (v->isReal() && std::isfinite(v->asReal())) t = v->asReal();
    return std::clamp(t, 20.0, 100.0);
}

ScanImagesManager::EngineInputs ScanImagesManager::prepareEngineInputs(
    const std::vector<std::string>& folderList) {
    scanFolderList_.clear();
    for (const auto& folder : folderList) isContainFolder(folder);

    settings::Dictionary prefs;
    if (auto parsed = settings::PerferenceInfo(env_.preferencesFile); !parsed.unreadable)
        prefs = parsed.dataDict;
    ORVANE_LOG("PreferenceInfo: " + settings::toXmlPlist(prefs));

    using namespace settings::prefkey;
    EngineInputs in;
    // The record holds signed 32-bit bounds: a maximum beyond them bounds nothing, a minimum
    // beyond them keeps everything a 32-bit bound can express out.
    const auto bound = [](std::int64_t v, bool isMax) -> std::int32_t {
        if (v <= INT32_MAX) return static_cast<std::int32_t>(v);
        return isMax ? 0 : INT32_MAX;
    };
    if (prefs.boolValue(similarImageMaxSelect).value_or(false))
        in.maxFileSize =
            bound(getFileSize(prefs, similarImageMaxFileSize, similarImageMaxSizeType), true);
    if (prefs.boolValue(similarImageMinSelect).value_or(false))
        in.minFileSize =
            bound(getFileSize(prefs, similarImageMinFileSize, similarImageMinSizeType), false);
    in.threshold = env_.thresholdOverride ? std::clamp(*env_.thresholdOverride, 20.0, 100.0)
                                          : clampedThreshold(prefs);
    for (const auto& w :
         prefs.stringArray(dupImagesWhiteListPath).value_or(std::vector<std::string>{}))
        in.whiteList.push_back(withSlash(w));
    for (const auto& root : scanFolderList_) {
        const bool wholeDisk = root == "/" || root == "/Users";
        in.paths.push_back(withSlash(wholeDisk ? env_.homeDirectory : root));
    }
    for (const auto& w : in.whiteList) in.paths.push_back(w);
    in.hiddenFile = prefs.boolValue(settings::prefkey::hiddenFile).value_or(false);
    for (const auto& p : in.paths) ORVANE_LOG("engine path: " + p);
    return in;
}

// ---- Scanning -----------------------------------------------------------------------------

int ScanImagesManager::findDuplicateImages(const std::vector<std::string>& folderList) {
    EngineInputs in;
    {
        std::lock_guard lock(mutex_);
        in = prepareEngineInputs(folderList);
        ORVANE_LOG("<<<相似图片开始扫描");
        startScanTime_ = now();
        removeImagesSuccessCount_ = 0;
        removeImagesSuccessSize_ = 0;
        imagesArray_.clear();
        dupFileCount_ = 0;
    }
    ImageDuplicateConfig config{};
    config.threshold = in.threshold;
    config.maxFileSize = in.maxFileSize;
    config.minFileSize = in.minFileSize;
    std::vector<const char*> paths, white;
    for (const auto& p : in.paths) paths.push_back(p.c_str());
    for (const auto& w : in.whiteList) white.push_back(w.c_str());
    config.whiteList = white.data();
    config.whiteListCount = static_cast<std::uint32_t>(white.size());
    config.extensions = kImageExtensions.data();
    config.extensionCount = static_cast<std::uint32_t>(kImageExtensions.size());
    config.hiddenFile = in.hiddenFile ? 1 : 0;

    auto delegate = [&] {
        std::lock_guard lock(mutex_);
        return delegate_.lock();
    }();
    if (delegate) delegate->scanImageManagerDidStart(*this);

    isStop_ = false;
    scanState_ = 1;
    int result = kImageEngineStopped;
    bool engineBusy = false;
    ScanImagesManager* idle = nullptr;
    if (!gScanning.compare_exchange_strong(idle, this)) {
        result = kImageEngineParamInvalid;  // another manager's scan holds the engine
        engineBusy = true;
    } else {
        scanning_ = true;
        if (!stopRequested_) {
            result = FindDuplicates(paths.data(), static_cast<std::int32_t>(paths.size()), &config,
                                    foundCallback, progressCallback);
        } else {
            // Stopped before the engine started: report it as the engine would.
            progressDidChanged("{\"ratio\":0,\"total\":0}", kProgressStopped);
        }
        scanning_ = false;
        gScanning = nullptr;
    }
    stopRequested_ = false;
    isStop_ = result == kImageEngineStopped;
    if (result == kImageEngineOk) {
        ORVANE_LOG("查找相似图片成功");
    } else if (result != kImageEngineStopped) {
        ORVANE_LOG(std::string("查找相似图片失败: ") + std::to_string(result) + " " +
                   ImageEngineResultText(result) +
                   (engineBusy ? " (another scan is running)" : ""));
    }

    ScanImagesOutcome outcome;
    outcome.result = result;
    outcome.resultText = ImageEngineResultText(result);
    outcome.stopped = result == kImageEngineStopped;
    outcome.failed = result != kImageEngineOk && result != kImageEngineStopped;
    outcome.engineBusy = engineBusy;
    outcome.found = dupFileCount();
    // Only the roots: the white-list folders that follow them are never looked into.
    for (std::size_t i = 0; i + in.whiteList.size() < in.paths.size(); ++i) {
        std::string root = in.paths[i];
        if (root.size() > 1) root.pop_back();  // the slash the engine gets
        // The engine names no folder when it refuses one: the first the system refuses too.
        if (!engineBusy && outcome.failedRoot.empty() &&
            (result == kImageEnginePathNotExist || result == kImageEnginePathNotDirectory)) {
            struct stat st {};
            if (::stat(root.c_str(), &st) != 0) {
                outcome.failedRoot = root;
                outcome.failedRootError = errno;
                continue;
            }
            if (!S_ISDIR(st.st_mode)) {
                outcome.failedRoot = root;
                continue;
            }
        }
        if (unreadableFolder(root)) outcome.unreadableRoots.push_back(std::move(root));
    }
    if (outcome.failed)
        ORVANE_LOG("查找相似图片失败: " + scanFailureText(outcome, outcome.failedRoot));
    scanning_ = false;
    delegate = [&] {
        std::lock_guard lock(mutex_);
        return delegate_.lock();
    }();
    if (delegate) delegate->scanDidEnd(*this, outcome);
    return result;
}

void ScanImagesManager::startScanning() {
    waitUntilScanFinished();
    // Counted as running from here, so that a stop pressed before the thread reaches the
    // engine is not lost.
    stopRequested_ = false;
    scanning_ = true;
    scanThread_ = std::thread([this, roots = scanRoots_] { findDuplicateImages(roots); });
}

void ScanImagesManager::waitUntilScanFinished() {
    if (scanThread_.joinable() && scanThread_.get_id() != std::this_thread::get_id())
        scanThread_.join();
}

void ScanImagesManager::stopAndWait() {
    stop();
    stopRemove();
    waitUntilScanFinished();
    waitForRemoval();
}

files::ScanTotals ScanImagesManager::scanTotals() const {
    std::lock_guard lock(mutex_);
    files::ScanTotals totals;
    totals.count = dupFileCount_;
    for (const auto& group : imagesArray_)
        totals.size += static_cast<std::uint64_t>(std::max<std::int64_t>(group->groupSize, 0));
    totals.sizeByKind[static_cast<std::size_t>(files::FileType::picture)] = totals.size;
    return totals;
}

void ScanImagesManager::stop() {
    scanState_ = 3;
    if (!scanning_) return;
    stopRequested_ = true;
    kit::dispatchGlobal([] { StopFindDuplicates(10); });
}

void ScanImagesManager::progressDidChanged(std::string_view json, int scanState) {
    const auto parsed = nlohmann::json::parse(json, nullptr, false);
    if (parsed.is_discarded()) ORVANE_LOG("json 解析失败");
    double ratio = 0;
    long long total = 0;
    std::string path;
    if (parsed.is_object()) {
        if (const auto r = parsed.find("ratio"); r != parsed.end() && r->is_number())
            ratio = r->get<double>();
        if (const auto t = parsed.find("total"); t != parsed.end() && t->is_number_integer())
            total = t->get<long long>();
        if (const auto e = parsed.find("extra_info"); e != parsed.end() && e->is_object())
            path = pathOf(*e, "current_deal_img_path", "current_deal_img_path_hex").value_or("");
    }
    if (!std::isfinite(ratio)) ratio = 0;
    auto delegate = [&] {
        std::lock_guard lock(mutex_);
        return delegate_.lock();
    }();
    if (scanState == kProgressFinished) {
        ORVANE_LOG("<<<< Scan Finish");
        sortDupImageGroup();
        if (delegate) delegate->scanDidFinished(*this, 1);
    } else if (scanState == kProgressRunning) {
        if (delegate) delegate->progressDidChanged(*this, std::clamp(ratio, 0.0, 1.0), total, path);
    } else {
        ORVANE_LOG("<<<< Scan Stop");
        scanState_ = 3;
        sortDupImageGroup();
        if (delegate) delegate->scanDidStop(*this, 3);
    }
}

ScanImagesGroupItemPtr ScanImagesManager::isContainSourcePath(const std::string& path) {
    for (const auto& g : imagesArray_) {
        if (g->sourceImagePath == path) {
            isContain_ = true;
            return g;
        }
    }
    isContain_ = false;
    return nullptr;
}

void ScanImagesManager::jsonDataDidChanged(std::string_view json) {
    const auto parsed = nlohmann::json::parse(json, nullptr, false);
    if (parsed.is_discarded() || !parsed.is_array() || parsed.empty()) {
        ORVANE_LOG("json 解析失败");
        return;
    }
    bool deliver = false;
    {
        std::lock_guard lock(mutex_);
        for (std::size_t i = 0; i < parsed.size(); ++i) {
            const auto& element = parsed[i];
            if (!element.is_object()) {
                ORVANE_LOG("跳过无效的字典对象在索引 " + std::to_string(i));
                continue;
            }
            const auto source = pathOf(element, "path", "path_hex");
            if (!source) {
                ORVANE_LOG("跳过空的或无效的 sourcePath 在索引 " + std::to_string(i));
                continue;
            }
            ScanImagesGroupItemPtr group = isContainSourcePath(*source);
            const bool isNew = !group;
            if (isNew) {
                group = std::make_shared<ScanImagesGroupItem>();
                group->groupName = kit::localized("Group") + " " + std::to_string(groupNameNum_);
                ++groupNameNum_;
                group->sourceImagePath = *source;
                groupTotalSize_ = 0;
            }
            const auto infos = element.find("similar_img_infos");
            if (infos == element.end() || !infos->is_array() || infos->empty()) {
                ORVANE_LOG("跳过空的或无效的 similar_img_infos 在索引 " + std::to_string(i));
                continue;
            }
            for (const auto& info : *infos) {
                if (!info.is_object()) {
                    ORVANE_LOG("跳过无效的相似图片字典对象");
                    continue;
                }
                const auto path = pathOf(info, "path", "path_hex");
                if (!path) {
                    ORVANE_LOG("跳过空的或无效的相似图片路径");
                    continue;
                }
                auto item =
                    makeItem(*path, dimensionOf(info, "width"), dimensionOf(info, "height"));
                group->groupSize += item->imageSize;
                group->dupImageItems.push_back(std::move(item));
                ++dupFileCount_;
            }
            group->groupCount = static_cast<int>(group->dupImageItems.size());
            if (isNew && !group->dupImageItems.empty()) imagesArray_.push_back(group);
        }
        callBackTime_ = now();
        if (callBackTime_ - startScanTime_ >= 2.0) {
            deliver = true;
            startScanTime_ = callBackTime_;
        }
    }
    if (deliver) notifyScanData();
}

void ScanImagesManager::notifyScanData() {
    ScanImagesGroups snapshot;
    std::shared_ptr<ScanImagesManagerProtocol> delegate;
    {
        std::lock_guard lock(mutex_);
        snapshot = snapshotLocked();
        delegate = delegate_.lock();
    }
    if (delegate) delegate->scanData(*this, snapshot);
}

ScanImagesGroups ScanImagesManager::snapshotLocked() const {
    // Copies of the groups, so later reports joining a group do not change what the observer
    // holds; the items themselves are never changed by a scan after they are made.
    ScanImagesGroups copy;
    copy.reserve(imagesArray_.size());
    for (const auto& g : imagesArray_) copy.push_back(std::make_shared<ScanImagesGroupItem>(*g));
    return copy;
}

ScanImagesGroups ScanImagesManager::dupImages() const {
    std::lock_guard lock(mutex_);
    return imagesArray_;
}

void ScanImagesManager::removeDupimagesArray() {
    std::lock_guard lock(mutex_);
    dupFileCount_ = 0;
    imagesArray_.clear();
}

long long ScanImagesManager::dupFileCount() const {
    std::lock_guard lock(mutex_);
    return dupFileCount_;
}

// ---- Items --------------------------------------------------------------------------------

ScanImagesItemPtr ScanImagesManager::makeItem(const std::string& path,
                                              std::optional<std::uint32_t> width,
                                              std::optional<std::uint32_t> height) const {
    auto item = std::make_shared<ScanImagesItem>();
    item->imagePath = path;
    const auto slash = path.rfind('/');
    item->imageName = slash == std::string::npos ? path : path.substr(slash + 1);
    item->pathExtension = std::string(kit::pathExtension(path));
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        item->imageSize = static_cast<std::int64_t>(st.st_size);
        item->modifiedDate = static_cast<double>(st.st_mtim.tv_sec) + st.st_mtim.tv_nsec / 1e9;
        item->modifiedDateStr = getStringWithDate(*item->modifiedDate);
        item->identity = files::FileIdentity::of(st);
        if (width && height) {
            item->dimension = std::to_string(*width) + " * " + std::to_string(*height);
        } else {
            item->dimension = getImageDimensions(path);
        }
    }
    return item;
}

std::string ScanImagesManager::getStringWithDate(double seconds) {
    const auto t = static_cast<std::time_t>(std::floor(seconds));
    std::tm local{};
    localtime_r(&t, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y.%m.%d %H:%M:%S", &local);
    return text;
}

std::optional<std::string> ScanImagesManager::getImageDimensions(const std::string& path) {
    std::uint32_t w = 0, h = 0;
    if (!imageDimensions(path, w, h)) return std::nullopt;
    return std::to_string(w) + " * " + std::to_string(h);
}

void ScanImagesManager::getThumImages(const ScanImagesItemPtr& item,
                                      std::function<void(const ScanImagesItemPtr&)> done) {
    {
        std::lock_guard lock(mutex_);
        if (!thumbnailQueue_)
            thumbnailQueue_ = std::make_unique<kit::DispatchQueue>("thumbnailQueue");
    }
    thumbnailQueue_->async([item, done = std::move(done)] {
        item->thumImage = makeThumbnail(item->imagePath, 60, 90);
        if (done) done(item);
    });
}

// ---- Sorting ------------------------------------------------------------------------------

void ScanImagesManager::sortDupImage(std::vector<ScanImagesItemPtr>& items) {
    std::stable_sort(items.begin(), items.end(),
                     [](const ScanImagesItemPtr& a, const ScanImagesItemPtr& b) {
                         if (a->imageSize != b->imageSize) return a->imageSize > b->imageSize;
                         return a->imagePath < b->imagePath;
                     });
}

void ScanImagesManager::sortDupImageGroup() {
    std::lock_guard lock(mutex_);
    sortAndRenameLocked();
}

void ScanImagesManager::sortAndRenameLocked() {
    for (auto& g : imagesArray_) sortDupImage(g->dupImageItems);
    std::stable_sort(imagesArray_.begin(), imagesArray_.end(),
                     [](const ScanImagesGroupItemPtr& a, const ScanImagesGroupItemPtr& b) {
                         if (a->groupSize != b->groupSize) return a->groupSize > b->groupSize;
                         return a->groupCount > b->groupCount;
                     });
    long long n = 1;
    for (auto& g : imagesArray_)
        g->groupName = kit::formatLocalized("Group %@", {std::to_string(n++)});
    groupNameNum_ = n;
}

}  // namespace orvane::photos
