#pragma once

#include <optional>
#include <string_view>

namespace orvane::junk {

// What an action of the rule document looks for. The raw values are stable: rule documents and
// saved results refer to them.
enum class ActionType {
    file = 0,
    dir = 1,
    language = 2,
    os = 3,
    brokenPlist = 4,
    brokenRegister = 5,
    developer = 6,
    appLeft = 7,
    binaryBinary = 8,
    binaryOtherBinary = 9,
    installPackage = 10,
    mail = 11,
    soft = 12,
    derivedApp = 13,
    archives = 14,
    softAppCache = 15,
    leftCache = 16,
    leftLog = 17,
    wechatAvatar = 18,
    wechatImage = 19,
    wechatImage90 = 20,
    wechatFile = 21,
    wechatVideo = 22,
    wechatAudio = 23,
};

// How a hit is cleaned.
enum class CleanType {
    remove = 0,
    truncate = 1,
    moveTrash = 2,
    removeLanguage = 3,
    cutBinary = 4,
    deleteBinary = 5,
    deletePackage = 6,
    safariCookies = 7,
};

// "not" is an operator keyword in C++, hence notSandboxed.
enum class SandboxType { none = 0, yes = 1, notSandboxed = 2, multi = 3 };

std::optional<ActionType> actionTypeFromRaw(int raw);
std::optional<CleanType> cleanTypeFromRaw(int raw);
std::optional<SandboxType> sandboxTypeFromRaw(int raw);

// The document's spelling of each case. Cases that only code creates have no spelling, so a
// document can never ask for them.
std::optional<ActionType> actionTypeFromDocument(std::string_view value);
// Any present value that names no case means a plain removal.
CleanType cleanTypeFromDocument(std::string_view value);
// Matched as written: "YES" names no case.
SandboxType sandboxTypeFromDocument(std::string_view value);

}  // namespace orvane::junk
