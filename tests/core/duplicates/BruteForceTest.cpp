// The scan's groups must equal what the rules give when applied the slow, obvious way: walk
// everything, decide each item by the rules, then compare every pair of kept files byte for
// byte.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "core/duplicates/ScanManager.h"
#include "core/files/FileType.h"
#include "core/files/IgnoresPathExtention.h"
#include "core/settings/PerferenceInfo.h"
#include "support/TempTree.h"

using namespace orvane::duplicates;
using orvane::settings::PerferenceInfo;
using orvane::testing::TempTree;
namespace fs = std::filesystem;

namespace {

using PathSet = std::set<std::string>;
using GroupSet = std::set<PathSet>;

std::string slurp(const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

bool kindScanned(const PerferenceInfo& p, FileType t) {
    switch (t) {
        case FileType::video: return p.omitVideo;
        case FileType::audio: return p.omitAudio;
        case FileType::picture: return p.omitPicture;
        case FileType::document: return p.omitDocument;
        case FileType::other: return p.omitOther;
    }
    return true;
}

// The rules, written out plainly for one directory level at a time.
void expectFrom(const std::string& dir, const PerferenceInfo& p,
                std::map<std::string, std::uint64_t>& kept) {
    for (const auto& entry : fs::directory_iterator(dir)) {
        const std::string path = entry.path().string();
        const std::string name = entry.path().filename().string();
        struct stat st {};
        ASSERT_EQ(::lstat(path.c_str(), &st), 0);
        const bool isDir = S_ISDIR(st.st_mode), isLink = S_ISLNK(st.st_mode);
        const bool hidden = name[0] == '.';
        if (name.size() >= 10 && name.ends_with(".framework")) continue;
        if (isDir && std::count(p.whiteListPath.begin(), p.whiteListPath.end(), path)) continue;
        const auto dot = name.rfind('.');
        const std::string ext = (dot == std::string::npos || dot == 0) ? "" : name.substr(dot + 1);
        if (IgnoresPathExtention::contains(ext)) {
            if (isDir) expectFrom(path, p, kept);
            continue;
        }
        if (isDir) {
            if (!hidden) expectFrom(path, p, kept);
            continue;
        }
        if (isLink && ::access(path.c_str(), R_OK) != 0) continue;  // dangling: unreadable
        const std::uint64_t size = isLink ? 0 : static_cast<std::uint64_t>(st.st_size);
        if (std::count(p.whiteListPath.begin(), p.whiteListPath.end(), path)) continue;
        if (!kindScanned(p, fileTypeOfPath(path))) continue;
        if (size == 0 && p.omitZeroByte) continue;
        if (p.enableMaxSize && p.maxSize && static_cast<std::int64_t>(size) > *p.maxSize) continue;
        if (p.enableMinSize && p.minSize && static_cast<std::int64_t>(size) < *p.minSize) continue;
        if (hidden && p.omitHidden) continue;
        kept[path] = size;
    }
}

GroupSet bruteForceGroups(const std::vector<std::string>& roots, const PerferenceInfo& p) {
    // A path met from two roots is one file.
    std::map<std::string, std::uint64_t> kept;
    for (const auto& r : roots) expectFrom(r, p, kept);
    // Equal size and equal bytes, compared pairwise through a map keyed by both.
    std::map<std::pair<std::uint64_t, std::string>, PathSet> byContent;
    for (const auto& [path, size] : kept)
        byContent[{size, size == 0 ? std::string() : slurp(path)}].insert(path);
    GroupSet groups;
    for (auto& [key, members] : byContent)
        if (members.size() >= 2) groups.insert(members);
    return groups;
}

}  // namespace

TEST(ScanManagerBruteForce, RandomTreesGiveExactlyTheGroupsTheRulesDescribe) {
    std::mt19937 rng(20240501);
    std::vector<std::string> exts = {"",     ".txt", ".TXT",  ".jpg", ".mp4",
                                     ".mp3", ".pdf", ".json", ".h",   ".bin"};
    for (int round = 0; round < 25; ++round) {
        TempTree t;
        std::vector<std::string> dirs = {"r"};
        t.dir("r");
        auto pick = [&](auto& v) -> auto& { return v[rng() % v.size()]; };
        for (int d = 0; d < 8; ++d) {
            std::string name = std::string(rng() % 5 == 0 ? "." : "") + "d" + std::to_string(d);
            if (rng() % 10 == 0) name += ".framework";
            if (rng() % 12 == 0) name += ".json";
            dirs.push_back(pick(dirs) + "/" + name);
            t.dir(dirs.back());
        }
        // Few distinct contents so that equal sizes and equal bytes happen often; some larger
        // files that differ only deep inside, where sampling cannot see.
        std::vector<std::string> contents = {"", "a", "b", "ab", "ba", "hello", "hellp"};
        for (int big = 0; big < 3; ++big) {
            std::string s(40000 + 4096 * (rng() % 2), 'q');
            contents.push_back(s);
            s[10000 + rng() % 5000] = 'x';
            contents.push_back(s);
        }
        std::vector<std::string> files;
        for (int i = 0; i < 40; ++i) {
            std::string name =
                std::string(rng() % 6 == 0 ? "." : "") + "f" + std::to_string(i) + pick(exts);
            files.push_back(pick(dirs) + "/" + name);
            t.file(files.back(), pick(contents));
        }
        for (int i = 0; i < 3; ++i) t.hardlink(pick(files), pick(dirs) + "/hl" + std::to_string(i));
        t.symlink(t.path(pick(files)), pick(dirs) + "/sl");
        t.symlink(t.path("nowhere"), pick(dirs) + "/dangling");

        TempTree settings;
        auto p = std::make_shared<PerferenceInfo>(settings.path("p.plist"));
        p->omitHidden = rng() % 2;
        p->omitZeroByte = rng() % 2;
        p->omitPicture = rng() % 3 != 0;
        p->omitOther = rng() % 4 != 0;
        if (rng() % 3 == 0)
            p->enableMinSize = true, p->minSize = static_cast<std::int64_t>(rng() % 6);
        if (rng() % 3 == 0) p->enableMaxSize = true, p->maxSize = 40000;
        if (rng() % 3 == 0) p->whiteListPath = {t.path(pick(dirs)), t.path(pick(files))};

        ScanManager::Environment env;
        env.settingsPath = settings.path("p.plist");
        env.walkerThreads = 1 + rng() % 3;
        auto m = ScanManager::create(std::move(env));
        const PerferenceInfo snapshot = *p;
        m->preferenceOverride = [&](PerferenceInfo& fresh) { fresh = snapshot; };
        // Overlapping roots must not count a file twice.
        std::vector<std::string> roots = {t.path("r")};
        if (rng() % 2) roots.push_back(t.path(pick(dirs)));
        m->folderList = roots;
        m->scanDuplicateFile();
        m->waitUntilScanFinished();

        GroupSet got;
        for (auto& g : m->totalFiles) {
            PathSet members;
            for (auto& f : g->infos()) members.insert(f->path());
            EXPECT_EQ(members.size(), g->count()) << "a file listed twice";
            got.insert(members);
        }
        // A root is walked unless it lies in a framework, or is or lies below a white-listed
        // path.
        std::vector<std::string> walked;
        for (const auto& root : roots) {
            bool skip = ScanManager::isInsideFramework(root);
            for (const auto& w : snapshot.whiteListPath)
                skip = skip || root == w || root.starts_with(w + "/");
            if (!skip) walked.push_back(root);
        }
        const GroupSet expected = bruteForceGroups(walked, snapshot);
        EXPECT_EQ(got, expected) << "round " << round;
    }
}
