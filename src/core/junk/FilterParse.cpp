#include "core/junk/FilterParse.h"

#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <algorithm>

#include "core/junk/JunkFiles.h"
#include "core/junk/RegexCache.h"
#include "core/junk/RuleEnvironment.h"
#include "core/junk/RuleText.h"
#include "kit/Log.h"
#include "kit/Paths.h"

namespace orvane::junk {

namespace {

// A value is a path pattern when a parenthesised part holds a character that means something
// to a regular expression; "~/Foo (old)" stays a plain path.
bool isPathPattern(const std::string& value) {
    const auto open = value.find('(');
    if (open == std::string::npos) return false;
    const auto close = value.find(')', open + 1);
    if (close == std::string::npos) return false;
    constexpr std::string_view special = "*+?[]{}|\\.^$";
    return value.substr(open + 1, close - open - 1).find_first_of(special) != std::string::npos;
}

std::string utf8(const icu::UnicodeString& text) {
    std::string out;
    text.toUTF8String(out);
    return out;
}

std::string languageOf(const std::string& folderName) {
    std::string lang = kit::fileNameDeletepathExtension(folderName);
    std::replace(lang.begin(), lang.end(), '_', '-');
    return lowercased(lang);
}

}  // namespace

FilterItemPtr copyChain(const FilterItemPtr& head) {
    if (!head) return nullptr;
    FilterItemPtr first = head->copy();
    FilterItemPtr out = first;
    for (FilterItemPtr node = head; node;) {
        FilterItemPtr next = node->andFilterItem ? node->andFilterItem : node->orFilterItem;
        if (!next) break;
        FilterItemPtr nextCopy = next->copy();
        if (node->andFilterItem) out->andFilterItem = nextCopy;
        else out->orFilterItem = nextCopy;
        out = nextCopy;
        node = next;
    }
    return first;
}

FilterParse::FilterParse(FilterDictionary filters, std::shared_ptr<const RuleEnvironment> env)
    : filterDict(std::move(filters)), env_(std::move(env)) {}

void FilterParse::setShouldCancel(std::function<bool()> callback) {
    std::lock_guard guard(cancelLock_);
    shouldCancel_ = std::move(callback);
}

bool FilterParse::cancelled() const {
    std::function<bool()> callback;
    {
        std::lock_guard guard(cancelLock_);
        callback = shouldCancel_;
    }
    return callback && callback();
}

std::size_t FilterParse::filterCacheSize() const {
    std::lock_guard guard(filterCacheLock);
    return filterCache.size();
}

// --- expressions ---------------------------------------------------------------------------

void FilterParse::parseFilters(const std::string& expression, std::vector<FilterItemPtr>& into,
                               int logicLevel) {
    if (filterDict.empty()) return;
    const std::string normalised(trimmed(expression));
    if (normalised.empty()) return;
    const auto key = std::make_pair(normalised, logicLevel);
    {
        std::lock_guard guard(filterCacheLock);
        if (auto it = filterCache.find(key); it != filterCache.end()) {
            for (const auto& head : it->second) into.push_back(copyChain(head));
            return;
        }
    }
    std::vector<FilterItemPtr> parsed = parseFiltersInternal(normalised, logicLevel);
    if (!parsed.empty()) {
        std::lock_guard guard(filterCacheLock);
        filterCache.emplace(key, parsed);
    }
    for (const auto& head : parsed) into.push_back(copyChain(head));
}

std::vector<FilterItemPtr> FilterParse::parseFiltersInternal(const std::string& expression,
                                                             int logicLevel) const {
    std::vector<FilterItemPtr> heads;
    auto append = [&](std::vector<FilterItemPtr> more) {
        heads.insert(heads.end(), std::make_move_iterator(more.begin()),
                     std::make_move_iterator(more.end()));
    };
    // Each round takes the first parenthesised group; what follows it is the next round, so a
    // long run of groups costs a loop, not a deep recursion.
    std::string rest(trimmed(expression));
    while (!rest.empty()) {
        if (rest.find('(') == std::string::npos) {
            append(parseSimpleExpression(rest, logicLevel));
            break;
        }
        std::size_t start = std::string::npos, end = std::string::npos;
        int depth = 0;
        for (std::size_t i = 0; i < rest.size(); ++i) {
            if (rest[i] == '(') {
                if (depth == 0 && start == std::string::npos) start = i;
                ++depth;
            } else if (rest[i] == ')' && depth > 0) {
                if (--depth == 0) {
                    end = i;
                    break;
                }
            }
        }
        if (end == std::string::npos) {
            // Unbalanced: the whole text is one simple expression (whose pieces then name no
            // filter).
            append(parseSimpleExpression(rest, logicLevel));
            break;
        }
        append(parseSimpleExpression(std::string_view(rest).substr(start + 1, end - start - 1),
                                     logicLevel + 1));
        append(parseSimpleExpression(std::string_view(rest).substr(0, start), logicLevel));
        rest = std::string(trimmed(std::string_view(rest).substr(end + 1)));
    }
    return heads;
}

std::vector<FilterItemPtr> FilterParse::parseSimpleExpression(std::string_view expression,
                                                              int logicLevel) const {
    expression = trimmed(expression);
    if (expression.empty()) return {};
    const char separator = expression.find('+') != std::string_view::npos ? '+' : '|';
    FilterItemPtr head, previous;
    std::size_t start = 0;
    while (start <= expression.size()) {
        const auto cut = expression.find(separator, start);
        const std::string piece(trimmed(expression.substr(
            start, cut == std::string_view::npos ? std::string_view::npos : cut - start)));
        if (!piece.empty()) {
            if (auto it = filterDict.find(piece); it != filterDict.end()) {
                FilterItemPtr copy = it->second->copy();
                if (copy->logicLevel == 0) copy->logicLevel = logicLevel;
                if (!head) head = copy;
                else if (separator == '+') previous->andFilterItem = copy;
                else previous->orFilterItem = copy;
                previous = copy;
            }
        }
        if (cut == std::string_view::npos) break;
        start = cut + 1;
    }
    if (!head) return {};
    return {head};
}

bool FilterParse::chainValue(const FilterItemPtr& head, const std::string& path) const {
    bool value = head->check(path, *env_);
    for (FilterItemPtr node = head; node;) {
        if (node->andFilterItem) {
            FilterItemPtr next = node->andFilterItem;
            value = value && next->check(path, *env_);
            node = next;
        } else if (node->orFilterItem) {
            FilterItemPtr next = node->orFilterItem;
            value = value || next->check(path, *env_);
            node = next;
        } else {
            break;
        }
    }
    return value;
}

bool FilterParse::evaluate(const std::vector<FilterItemPtr>& heads, const std::string& path) const {
    bool result = true;
    for (const auto& head : heads) {
        // A group (level 1) starts the conjunction afresh with its own value.
        const bool carry = result || head->logicLevel == 1;
        result = carry && chainValue(head, path);
    }
    return result;
}

// --- places ----------------------------------------------------------------------------------

std::optional<std::vector<std::string>> FilterParse::pathArrayWithRegex(
    const std::string& path) const {
    const auto open = path.find('(');
    if (open == std::string::npos) return std::nullopt;
    std::size_t close = std::string::npos;
    int depth = 0;
    for (std::size_t i = open; i < path.size(); ++i) {
        if (path[i] == '(') ++depth;
        else if (path[i] == ')' && --depth == 0) {
            close = i;
            break;
        }
    }
    if (close == std::string::npos) close = path.rfind(')');
    if (close == std::string::npos || close < open) return std::nullopt;
    const std::string folder = env_->expandTilde(path.substr(0, open));
    const std::string pattern = path.substr(open + 1, close - open - 1);
    std::string remainder = path.substr(close + 1);
    while (!remainder.empty() && remainder.front() == '/') remainder.erase(0, 1);
    if (!RegexCache::shared().compiles(pattern)) return std::nullopt;

    std::vector<std::string> out;
    const auto names = files::listDirectory(folder);
    if (!names) {
        ORVANE_LOG("cannot list " + folder);
        return out;
    }
    for (const std::string& name : *names) {
        if (!RegexCache::shared().find(pattern, name).value_or(false)) continue;
        std::string full = kit::joinPath(folder, name);
        if (!remainder.empty()) full = kit::joinPath(full, remainder);
        out.push_back(std::move(full));
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<std::string> FilterParse::resolveBasePaths(const ActionPathItem& pathItem) const {
    auto expand = [&](const std::string& value) -> std::vector<std::string> {
        if (isPathPattern(value))
            return pathArrayWithRegex(value).value_or(std::vector<std::string>{});
        return {env_->expandTilde(value)};
    };
    if (pathItem.type && *pathItem.type == "special") {
        const std::string name = pathItem.value.value_or("");
        const auto& layout = env_->layout;
        std::string base;
        if (name == "SystemTempDir") base = layout.temporary;
        // The user's own folders by role, so that a rule follows XDG_CACHE_HOME and friends
        // instead of assuming where they are.
        else if (name == "UserCaches") base = layout.caches;
        else if (name == "UserPreferences") base = layout.preferences;
        else if (name == "UserApplicationSupport") base = layout.applicationSupport;
        else if (name == "UserLogs") base = layout.logs;
        else if (name == "UserContainers") base = layout.containers;
        else if (name == "UserTrash") base = layout.trash;
        // The system's root, so that rules for system folders run against a test tree too.
        else if (name == "Root") base = layout.root.empty() ? std::string("/") : layout.root;
        if (base.empty()) return {};
        const std::string sub = pathItem.value1.value_or("");
        if (sub.empty()) return {base};
        const std::string joined = kit::joinPath(base, sub);
        if (isPathPattern(joined))
            return pathArrayWithRegex(joined).value_or(std::vector<std::string>{});
        return {joined};
    }
    if (!pathItem.value) return {};
    return expand(*pathItem.value);
}

std::vector<std::string> FilterParse::loopListFilePath(int level, const std::string& path,
                                                       bool scanPackage) const {
    if (level < 1) return {path};
    std::vector<std::string> out;
    auto names = files::listDirectory(path);
    if (!names) return out;
    std::sort(names->begin(), names->end());
    for (const std::string& name : *names) {
        if (cancelled()) break;
        const std::string full = kit::joinPath(path, name);
        const auto st = files::statEntry(full);
        if (!st) continue;  // vanished since the listing
        if (st->isDirectory) {
            if (scanPackage) {
                const std::string ext = lowercased(kit::pathExtension(name));
                if (ext != "xcarchive" && ext != "simruntime" && env_->isFilePackage(full))
                    continue;
            }
            auto below = loopListFilePath(level - 1, full, scanPackage);
            out.insert(out.end(), std::make_move_iterator(below.begin()),
                       std::make_move_iterator(below.end()));
        } else {
            out.push_back(full);
        }
    }
    return out;
}

// --- candidates ------------------------------------------------------------------------------

bool FilterParse::isOwnAppFile(const std::string& path) const {
    if (path.find("/.Trash") != std::string::npos) return false;
    const std::string name = kit::directoryName(path);
    if (name == env_->ownBundleId) return true;
    return !env_->ownDisplayName.empty() && name.starts_with(env_->ownDisplayName);
}

bool FilterParse::isEmptyDirectory(const std::string& path, bool hiddenCountsAsEmpty) const {
    if (!files::isDirectoryFollowingLinks(path)) return false;
    const auto names = files::listDirectory(path);
    if (!names || names->empty()) return true;
    if (!hiddenCountsAsEmpty) return false;
    return std::all_of(names->begin(), names->end(),
                       [](const std::string& n) { return n.front() == '.'; });
}

bool FilterParse::baseFilter(const std::string& path, const ActionPathItem& pathItem,
                             const ActionItem& action) const {
    if (isOwnAppFile(path)) return false;
    if (!action.cleanHiddenFile && files::isHiddenName(path)) return false;
    if (pathItem.filename &&
        !RegexCache::shared().find(*pathItem.filename, kit::directoryName(path)).value_or(false))
        return false;
    if (!action.cleanEmptyFolder && isEmptyDirectory(path, action.cleanHiddenFile)) return false;
    return true;
}

void FilterParse::report(const ResultItemPtr& item) {
    if (delegate) delegate->filterParseFoundItem(item);
}

std::vector<ResultItemPtr> FilterParse::enumerateFilePath(const ActionItemPtr& action) {
    if (!action) return {};
    if (action->type == ActionType::language) return enumerateLanguageFiles(action);
    if (cancelled()) return {};
    actionItem = action;

    std::vector<FilterItemPtr> resultFilters;
    if (action->atomItem && action->atomItem->resultFilters)
        parseFilters(*action->atomItem->resultFilters, resultFilters, 0);

    std::vector<ResultItemPtr> hits;
    for (const auto& pathItem : action->pathItems) {
        if (cancelled()) break;
        std::vector<FilterItemPtr> scanFilters;
        if (pathItem->scanFilters) parseFilters(*pathItem->scanFilters, scanFilters, 0);
        for (const std::string& base : resolveBasePaths(*pathItem)) {
            if (!files::existsFollowingLinks(base)) continue;
            const std::vector<std::string> candidates =
                pathItem->level < 1 ? std::vector<std::string>{base}
                                    : loopListFilePath(pathItem->level, base, true);
            for (const std::string& candidate : candidates) {
                if (cancelled()) return hits;
                if (!baseFilter(candidate, *pathItem, *action)) continue;
                if (!evaluate(scanFilters, candidate) || !evaluate(resultFilters, candidate))
                    continue;
                auto hit = std::make_shared<ResultItem>(candidate, *env_);
                hit->basePath = base;
                hit->id = action->actionId.value_or("");
                hit->cleanType = action->cleanType;
                hits.push_back(hit);
                report(hit);
            }
        }
    }
    return hits;
}

// --- languages -------------------------------------------------------------------------------

std::vector<std::string> FilterParse::preferredLanguageIdentifiers() const {
    std::vector<std::string> out;
    auto add = [&](std::string id) {
        std::replace(id.begin(), id.end(), '_', '-');
        id = lowercased(id);
        if (auto dash = id.find('-'); dash != std::string::npos) id.resize(dash);
        if (!id.empty() && std::find(out.begin(), out.end(), id) == out.end()) out.push_back(id);
    };
    if (!env_->localeLanguage.empty()) add(env_->localeLanguage);
    for (const auto& lang : env_->preferredLanguages) add(lang);
    add("en");
    return out;
}

std::vector<std::string> FilterParse::resolveScanPaths(const ActionPathItem& pathItem,
                                                       bool skipPackages) const {
    std::vector<std::string> out;
    for (const std::string& base : resolveBasePaths(pathItem)) {
        if (!files::existsFollowingLinks(base)) continue;
        auto found = pathItem.level < 1 ? std::vector<std::string>{base}
                                        : loopListFilePath(pathItem.level, base, skipPackages);
        out.insert(out.end(), found.begin(), found.end());
    }
    return out;
}

std::vector<std::string> FilterParse::collectLanguageTargetApps(const ActionItem& action) {
    std::vector<std::string> apps;
    for (const auto& pathItem : action.pathItems) {
        std::vector<FilterItemPtr> scanFilters;
        if (pathItem->scanFilters) parseFilters(*pathItem->scanFilters, scanFilters, 0);
        for (const std::string& path : resolveScanPaths(*pathItem, false)) {
            if (cancelled()) return apps;
            if (!env_->layout.isApplicationBundle(path)) continue;
            if (isOwnAppFile(path)) continue;
            if (pathItem->filename && !RegexCache::shared()
                                           .find(*pathItem->filename, kit::directoryName(path))
                                           .value_or(false))
                continue;
            if (!action.cleanEmptyFolder && isEmptyDirectory(path, action.cleanHiddenFile))
                continue;
            if (!evaluate(scanFilters, path)) continue;
            if (std::find(apps.begin(), apps.end(), path) == apps.end()) apps.push_back(path);
        }
    }
    return apps;
}

std::vector<std::string> FilterParse::collectLanguageDirectories(const std::string& appPath) const {
    std::vector<std::string> out;
    auto lprojIn = [&](const std::string& folder) {
        auto names = files::listDirectory(folder);
        if (!names) return;
        std::sort(names->begin(), names->end());
        for (const auto& name : *names) {
            const std::string full = kit::joinPath(folder, name);
            const auto st = files::statEntry(full);
            if (st && st->isDirectory && name.ends_with("lproj")) out.push_back(full);
        }
    };
    const std::string contents = kit::joinPath(appPath, "Contents");
    lprojIn(contents + "/Resources");
    if (auto frameworks = files::listDirectory(contents + "/Frameworks")) {
        std::sort(frameworks->begin(), frameworks->end());
        for (const auto& fw : *frameworks)
            lprojIn(contents + "/Frameworks/" + fw + "/Versions/Current/Resources");
    }
    if (auto plugins = files::listDirectory(contents + "/PlugIns")) {
        std::sort(plugins->begin(), plugins->end());
        for (const auto& plugin : *plugins)
            lprojIn(contents + "/PlugIns/" + plugin + "/Contents/Resources");
    }
    return out;
}

std::string FilterParse::appDisplayName(const std::optional<std::string>&,
                                        const std::string& appPath) const {
    if (auto bundle = env_->bundleAt(appPath)) return bundle->appName();
    std::string name = kit::directoryName(appPath);
    if (name.ends_with(".app")) name.resize(name.size() - 4);
    return name;
}

std::vector<ResultItemPtr> FilterParse::enumerateLanguageFiles(const ActionItemPtr& action) {
    if (!action || cancelled()) return {};
    actionItem = action;
    const auto kept = preferredLanguageIdentifiers();
    std::vector<FilterItemPtr> resultFilters;
    if (action->atomItem && action->atomItem->resultFilters)
        parseFilters(*action->atomItem->resultFilters, resultFilters, 0);

    const icu::Locale display(env_->localeLanguage.empty() ? "en" : env_->localeLanguage.c_str());
    std::vector<ResultItemPtr> hits;
    for (const std::string& app : collectLanguageTargetApps(*action)) {
        const auto bundle = env_->bundleAt(app);
        for (const std::string& folder : collectLanguageDirectories(app)) {
            if (cancelled()) return hits;
            const std::string lang = languageOf(kit::directoryName(folder));
            if (lang == "base") continue;
            const std::string primary = lang.substr(0, lang.find('-'));
            if (std::find(kept.begin(), kept.end(), primary) != kept.end()) continue;
            if (!evaluate(resultFilters, folder)) continue;

            auto hit = std::make_shared<ResultItem>(folder, *env_);
            hit->cleanType = action->cleanType;
            hit->bundleId = bundle ? bundle->bundleIdentifier : std::nullopt;
            hit->appName = appDisplayName(hit->bundleId, app);
            hit->languageIdentifier = lang;
            icu::UnicodeString name;
            const icu::Locale locale(lang.c_str());
            locale.getDisplayName(display, name);
            std::string shown = utf8(name);
            if (shown.empty() || shown == lang) {
                locale.getDisplayName(icu::Locale::getEnglish(), name);
                shown = utf8(name);
            }
            hit->languageDisplayName = shown.empty() ? lang : shown;
            hit->relatedAppPath = app;
            hit->basePath = app;
            hit->id = action->actionId.value_or("");
            hits.push_back(hit);
            report(hit);
        }
    }
    return hits;
}

}  // namespace orvane::junk
