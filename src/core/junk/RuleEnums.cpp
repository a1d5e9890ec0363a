#include "core/junk/RuleEnums.h"

#include <array>
#include <utility>

namespace orvane::junk {

namespace {

constexpr std::array<std::pair<std::string_view, ActionType>, 17> kActionNames{{
    {"file", ActionType::file},
    {"dir", ActionType::dir},
    {"language", ActionType::language},
    {"mail", ActionType::mail},
    {"soft", ActionType::soft},
    {"derivedapp", ActionType::derivedApp},
    {"archive", ActionType::archives},
    {"appcache", ActionType::softAppCache},
    {"leftcache", ActionType::leftCache},
    {"leftlog", ActionType::leftLog},
    {"wechatAvatar", ActionType::wechatAvatar},
    {"wechatImage", ActionType::wechatImage},
    {"wechatImage90", ActionType::wechatImage90},
    {"wechatFile", ActionType::wechatFile},
    {"wechatVideo", ActionType::wechatVideo},
    {"wechatAudio", ActionType::wechatAudio},
    {"", ActionType::file},  // never matched: an empty value is no case
}};

constexpr std::array<std::pair<std::string_view, CleanType>, 7> kCleanNames{{
    {"truncate", CleanType::truncate},
    {"movetrash", CleanType::moveTrash},
    {"removelanguage", CleanType::removeLanguage},
    {"cutbinary", CleanType::cutBinary},
    {"deletebinary", CleanType::deleteBinary},
    {"deletepackage", CleanType::deletePackage},
    {"safaricookies", CleanType::safariCookies},
}};

}  // namespace

std::optional<ActionType> actionTypeFromRaw(int raw) {
    if (raw < 0 || raw > static_cast<int>(ActionType::wechatAudio)) return std::nullopt;
    return static_cast<ActionType>(raw);
}

std::optional<CleanType> cleanTypeFromRaw(int raw) {
    if (raw < 0 || raw > static_cast<int>(CleanType::safariCookies)) return std::nullopt;
    return static_cast<CleanType>(raw);
}

std::optional<SandboxType> sandboxTypeFromRaw(int raw) {
    if (raw < 0 || raw > static_cast<int>(SandboxType::multi)) return std::nullopt;
    return static_cast<SandboxType>(raw);
}

std::optional<ActionType> actionTypeFromDocument(std::string_view value) {
    if (value.empty()) return std::nullopt;
    for (const auto& [name, type] : kActionNames)
        if (name == value) return type;
    return std::nullopt;
}

CleanType cleanTypeFromDocument(std::string_view value) {
    for (const auto& [name, type] : kCleanNames)
        if (name == value) return type;
    return CleanType::remove;
}

SandboxType sandboxTypeFromDocument(std::string_view value) {
    if (value == "yes") return SandboxType::yes;
    if (value == "not") return SandboxType::notSandboxed;
    if (value == "multi") return SandboxType::multi;
    return SandboxType::none;
}

}  // namespace orvane::junk
