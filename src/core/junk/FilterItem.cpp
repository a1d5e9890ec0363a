#include "core/junk/FilterItem.h"

#include <charconv>

#include "core/junk/JunkFiles.h"
#include "core/junk/RegexCache.h"
#include "core/junk/RuleEnvironment.h"
#include "core/junk/RuleText.h"
#include "kit/Paths.h"

namespace orvane::junk {

namespace {

constexpr double kSecondsPerDay = 86400;

bool stringRelation(const std::optional<std::string>& subject, const std::string& relation,
                    const std::string& value, bool* known) {
    *known = true;
    if (relation == "is") return subject && *subject == value;
    if (relation == "contains") return subject && subject->find(value) != std::string::npos;
    if (relation == "match")
        return subject && RegexCache::shared().find(value, *subject).value_or(false);
    if (relation == "begin with") return subject && subject->starts_with(value);
    if (relation == "end with") return subject && subject->ends_with(value);
    *known = false;
    return true;
}

bool isStringColumn(const std::string& column) {
    return column == "filename" || column == "filepath" || column == "language" ||
           column == "laungeuagekey" || column == "bundleid";
}

}  // namespace

std::shared_ptr<FilterItem> FilterItem::copy() const {
    auto out = std::make_shared<FilterItem>();
    out->filterId = filterId;
    out->column = column;
    out->relation = relation;
    out->value = value;
    out->action = action;
    out->logicLevel = logicLevel;
    return out;
}

bool FilterItem::check(const std::string& path, const RuleEnvironment& env) const {
    if (column && column->starts_with("sub")) return checkSubFilter(path, env);
    return checkFilterWithFilePath(path, env);
}

bool FilterItem::checkFilterWithFilePath(const std::string& path,
                                         const RuleEnvironment& env) const {
    if (!column) return true;
    const std::string& col = *column;
    const std::string rel = relation.value_or("");
    bool result = true;

    if (isStringColumn(col)) {
        std::string wanted = value.value_or("");
        std::optional<std::string> subject;
        if (col == "filename") {
            subject = kit::directoryName(path);
        } else if (col == "filepath") {
            subject = path;
            wanted = standardizePath(env.expandTilde(wanted));
        } else if (col == "bundleid") {
            if (auto bundle = env.bundleAt(path)) subject = bundle->bundleIdentifier;
        } else {
            subject = path;
        }
        bool known = false;
        result = relation ? stringRelation(subject, rel, wanted, &known) : true;
    } else if (col == "filesize") {
        const auto limit = value ? parseInteger(*value) : std::optional<std::int64_t>(0);
        if (limit && rel == "greater") result = calculateFileSize(path) >= *limit;
    } else if (col == "time") {
        const std::int64_t days = value ? parseInteger(*value).value_or(0) : 0;
        const double stamp = getFileCreateTime(path);
        if (stamp != 0) {
            const double age = env.now() - stamp;
            if (age > 0) {
                if (rel == "greater") result = age > static_cast<double>(days) * kSecondsPerDay;
                else if (rel == "smaller")
                    result = age < static_cast<double>(days) * kSecondsPerDay;
            }
        }
    } else if (col == "kind") {
        // What the item is, without following a link: "file", "folder" or "link". Lets a rule
        // say "never a folder" where a name alone could be either.
        if (rel == "is") {
            const auto st = files::statEntry(path);
            const std::string kind = !st               ? ""
                                     : st->isSymlink   ? "link"
                                     : st->isDirectory ? "folder"
                                     : st->isRegular   ? "file"
                                                       : "other";
            result = kind == value.value_or("");
        }
    } else if (col == "app") {
        // Code signatures are a macOS notion; nothing here can validate one, so "is signed" is
        // never true on this system.
        if (rel == "is" && value && *value == "signed") result = false;
    }

    if (action && *action == "exclude") result = !result;
    return result;
}

bool FilterItem::checkSubFilter(const std::string& path, const RuleEnvironment& env) const {
    if (!files::listDirectory(path)) return false;
    const std::string col = column.value_or("");
    const std::string wanted = standardizePath(env.expandTilde(value.value_or("")));
    const std::int64_t limit = value ? parseInteger(*value).value_or(0) : 0;
    std::int64_t count = 0;

    // (folder, its path relative to `path`)
    std::vector<std::pair<std::string, std::string>> pending{{path, ""}};
    while (!pending.empty()) {
        auto [folder, relFolder] = std::move(pending.back());
        pending.pop_back();
        const auto names = files::listDirectory(folder);
        if (!names) continue;
        for (const std::string& name : *names) {
            const std::string full = kit::joinPath(folder, name);
            const std::string relPath = relFolder.empty() ? name : relFolder + "/" + name;
            const auto st = files::statEntry(full);
            if (st && st->isDirectory) pending.emplace_back(full, relPath);
            if (relPath.front() == '.') continue;
            ++count;
            if (col == "subfilecount" && count > limit) return true;
            if (col == "subfilepath" && full == wanted) return true;
        }
    }
    return col == "subfilecount" ? count > limit : false;
}

std::int64_t FilterItem::calculateFileSize(const std::string& path) {
    const auto st = files::statEntry(path);
    return st ? st->size : 0;
}

double FilterItem::getFileCreateTime(const std::string& path) {
    const auto st = files::statEntry(path);
    if (!st) return 0;
    return std::max(st->created, st->modified);
}

}  // namespace orvane::junk
