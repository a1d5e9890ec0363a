// What one scan learns lets the next skip reading unchanged files, and never changes a group:
// changed files are read again, and a damaged cache is ignored with a reason.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "core/duplicates/AssembleOperation.h"
#include "core/duplicates/ScanCache.h"
#include "core/duplicates/ScanManager.h"
#include "core/settings/PerferenceInfo.h"
#include "platform/Layout.h"
#include "support/TempTree.h"

using namespace orvane::duplicates;
using orvane::testing::ScopedHome;
using orvane::testing::TempTree;

namespace {

using Groups = std::set<std::vector<std::string>>;

std::int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

ResourceValueURL scanned(const std::string& path) {
    struct stat st {};
    ::lstat(path.c_str(), &st);
    ResourceValueURL r{path, {}};
    r.resourceValues.setFileIdentifier(st.st_dev, st.st_ino);
    r.resourceValues.setTimes(st.st_mtim.tv_sec * 1'000'000'000LL + st.st_mtim.tv_nsec,
                              st.st_ctim.tv_sec * 1'000'000'000LL + st.st_ctim.tv_nsec);
    return r;
}

// A cache for a scan that starts well after every file here was written, so all is settled.
std::shared_ptr<ScanCache> cacheAt(const std::string& path) {
    auto cache = std::make_shared<ScanCache>(path);
    std::string error;
    EXPECT_TRUE(cache->load(&error)) << error;
    cache->beginScan(nowNs() + 60'000'000'000LL);
    return cache;
}

struct Outcome {
    Groups groups;
    std::set<std::string> read;  // announced just before their first read
};

// One size group as the driver would hand it over, stamped as the walk saw it.
Outcome assemble(const std::vector<std::string>& paths, std::int64_t size,
                 const std::shared_ptr<ScanCache>& cache) {
    std::vector<ResourceValueURL> data;
    for (const auto& p : paths) data.push_back(scanned(p));
    auto op = std::make_shared<AssembleOperation>(std::move(data), size);
    op->cache = cache;
    Outcome run;
    op->assembleBlock = [&](DuplicateFilesPtr g) {
        std::vector<std::string> members;
        for (const auto& f : g->infos()) members.push_back(f->path());
        run.groups.insert(members);
    };
    op->assemblingBlock = [&](const std::string& p) { run.read.insert(p); };
    op->start();
    return run;
}

// Groups of one size: three identical, a pair, one that differs deep inside (past every
// sampled block), one that differs in its first bytes, and a hard link.
struct Tree {
    TempTree t;
    std::int64_t size;
    std::vector<std::string> paths;
    explicit Tree(std::int64_t bytes) : size(bytes) {
        const std::string a(static_cast<std::size_t>(bytes), 'a');
        std::string b = a, deep = a, head = a;
        b[static_cast<std::size_t>(bytes) / 3] = 'b';
        deep[static_cast<std::size_t>(bytes) / 3] = 'd';
        head[0] = 'h';
        paths = {t.file("a1", a),      t.file("a2", a),
                 t.file("a3", a),      t.file("b1", b),
                 t.file("b2", b),      t.file("deep", deep),
                 t.file("head", head), t.hardlink("b1", "b1-link")};
    }
    Groups expected() const {
        return {{t.path("a1"), t.path("a2"), t.path("a3")},
                {t.path("b1"), t.path("b1-link"), t.path("b2")}};
    }
};

}  // namespace

TEST(ScanCache, ARescanOfUnchangedFilesReadsNothingAndGivesTheSameGroups) {
    // Read whole in memory, sampled then compared in memory, and compared side by side.
    for (std::int64_t size : {100, 50'000, 1'200'000}) {
        Tree tree(size);
        TempTree place;
        const std::string file = place.path("cache/duplicate-scan");
        auto first = cacheAt(file);
        const Outcome cold = assemble(tree.paths, size, first);
        EXPECT_EQ(cold.groups, tree.expected()) << size;
        EXPECT_FALSE(cold.read.empty());
        std::string error;
        ASSERT_TRUE(first->save(&error)) << error;

        const Outcome warm = assemble(tree.paths, size, cacheAt(file));
        EXPECT_EQ(warm.groups, tree.expected()) << size;
        EXPECT_TRUE(warm.read.empty()) << size << ": read " << *warm.read.begin();

        // Saved again after a rescan that only looked things up, nothing is forgotten.
        auto again = cacheAt(file);
        assemble(tree.paths, size, again);
        ASSERT_TRUE(again->save());
        EXPECT_TRUE(assemble(tree.paths, size, cacheAt(file)).read.empty()) << size;
    }
}

TEST(ScanCache, ARescanHandsOnOnlyTheFilesThatMayHaveACopy) {
    TempTree t;
    t.file("data/a1", "same");
    t.file("data/a2", "same");
    t.file("data/lone", "lone");
    t.file("data/other", "othr");
    t.hardlink("data/lone", "data/lone-link");
    ScanManager::Environment env;
    env.settingsPath = t.path("settings.plist");
    auto manager = ScanManager::create(std::move(env));
    auto names = [&](const SizeGroups& groups) {
        std::set<std::string> out;
        for (const auto& f : groups.files(groups.groups.front()))
            out.insert(f.url.substr(t.path("data/").size()));
        return out;
    };
    auto group = [&] {
        SizeGroups groups = manager->filterSameSize({t.path("data")});
        EXPECT_EQ(groups.groups.size(), 1u);
        return groups;
    };

    const std::string file = t.path("cache/duplicate-scan");
    {
        SizeGroups groups = group();
        std::vector<std::string> paths;
        for (const auto& f : groups.files(groups.groups.front())) paths.push_back(f.url);
        auto first = cacheAt(file);
        assemble(paths, 4, first);
        ASSERT_TRUE(first->save());
    }
    const auto known = cacheAt(file);
    {
        SizeGroups groups = group();
        groups.recall(*known);
        EXPECT_EQ(names(groups), (std::set<std::string>{"a1", "a2", "lone", "lone-link"}))
            << "a file known to be alone in its content is left out; names of one file are not";
    }
    // A changed file is unknown again: nothing is left out, as it may now equal any other.
    t.file("data/other", "lone");
    SizeGroups groups = group();
    groups.recall(*known);
    EXPECT_EQ(names(groups).size(), 5u);
    std::vector<std::string> paths;
    for (const auto& f : groups.files(groups.groups.front())) paths.push_back(f.url);
    EXPECT_EQ(assemble(paths, 4, known).groups,
              (Groups{{t.path("data/a1"), t.path("data/a2")},
                      {t.path("data/lone"), t.path("data/lone-link"), t.path("data/other")}}));
}

TEST(ScanCache, ChangedAndNewFilesAreReadAndRegroupedExactly) {
    const std::int64_t size = 50'000;
    Tree tree(size);
    TempTree place;
    const std::string file = place.path("duplicate-scan");
    auto cache = cacheAt(file);
    assemble(tree.paths, size, cache);
    ASSERT_TRUE(cache->save());

    // a3 becomes a copy of b (same size, new stamps); a new copy of "deep" appears.
    std::string b(static_cast<std::size_t>(size), 'a');
    b[static_cast<std::size_t>(size) / 3] = 'b';
    tree.t.file("a3", b);
    std::string deep(static_cast<std::size_t>(size), 'a');
    deep[static_cast<std::size_t>(size) / 3] = 'd';
    tree.paths.push_back(tree.t.file("deep-copy", deep));

    cache = cacheAt(file);
    const Outcome run = assemble(tree.paths, size, cache);
    const auto& t = tree.t;
    EXPECT_EQ(run.groups, (Groups{{t.path("a1"), t.path("a2")},
                                  {t.path("a3"), t.path("b1"), t.path("b1-link"), t.path("b2")},
                                  {t.path("deep"), t.path("deep-copy")}}));
    EXPECT_TRUE(run.read.count(t.path("a3")));
    EXPECT_TRUE(run.read.count(t.path("deep-copy")));
    EXPECT_FALSE(run.read.count(t.path("head"))) << "its sample is known and unique";
    EXPECT_FALSE(run.read.count(t.path("a2"))) << "a1 stands for its class";
    ASSERT_TRUE(cache->save());

    // That scan's findings are the next one's: nothing to read.
    EXPECT_TRUE(assemble(tree.paths, size, cacheAt(file)).read.empty());
}

TEST(ScanCache, FilesChangedAroundTheScanStartAreNotRemembered) {
    TempTree t;
    const auto a = t.file("a", "same content"), b = t.file("b", "same content");
    ScanCache cache(t.path("c"));
    cache.beginScan(nowNs());  // the files were written just now
    const auto sa = FileStamp::of(scanned(a), 12);
    ASSERT_TRUE(sa);
    cache.store({{*sa, 7, cache.newClass()}});
    EXPECT_EQ(cache.size(), 0u);
    cache.beginScan(nowNs() + 10'000'000'000LL);
    cache.store({{*sa, std::nullopt, cache.newClass()}});
    EXPECT_EQ(cache.size(), 1u);
    (void)b;
}

TEST(ScanCache, LookingUpManyAtOnceAnswersAsEachLookupAlone) {
    TempTree t;
    const std::string file = t.path("duplicate-scan");
    // Facts on 3,000 made-up files: every third with a sample, every other with a class.
    auto stampOf = [](std::uint64_t n) {
        return FileStamp{1 + n % 3, 1000 + n * 7, 4096 + n,
                         1'000'000'000LL * static_cast<std::int64_t>(n), 5};
    };
    {
        auto cache = cacheAt(file);
        std::vector<ScanCache::Fact> facts;
        for (std::uint64_t n = 0; n < 3000; ++n) {
            ScanCache::Fact f{stampOf(n), std::nullopt, std::nullopt};
            if (n % 3 == 0) f.sample = n * 31;
            if (n % 2 == 0) f.contentClass = cache->newClass();
            facts.push_back(f);
        }
        cache->store(facts);
        ASSERT_TRUE(cache->save());
    }
    const auto cache = cacheAt(file);
    ASSERT_EQ(cache->size(), 3000u);
    // Known, unknown and changed files mixed, in lengths around the look-ahead of the batch.
    for (const std::size_t length : {0u, 1u, 7u, 16u, 17u, 33u, 5000u}) {
        std::vector<FileStamp> stamps;
        for (std::size_t k = 0; k < length; ++k) {
            FileStamp s = stampOf((k * 2654435761u) % 4000);  // a quarter were never seen
            if (k % 5 == 0) s.ctimeNs += 1;                   // changed since
            stamps.push_back(s);
        }
        std::vector<ScanCache::Recall> out(length);
        cache->recall(stamps, out);
        for (std::size_t k = 0; k < length; ++k) {
            EXPECT_EQ(out[k].knownSample(), cache->sample(stamps[k])) << length << " #" << k;
            EXPECT_EQ(out[k].knownClass(), cache->contentClass(stamps[k])) << length << " #" << k;
        }
        if (length == 5000) {
            const auto known = std::count_if(
                out.begin(), out.end(), [](const auto& r) { return r.hasSample || r.hasClass; });
            EXPECT_GT(known, 1000) << "the batch found what the cache holds";
        }
    }
}

TEST(ScanCache, DamagedForeignOrMisplacedCachesAreIgnoredWithAReason) {
    TempTree t;
    const auto a = t.file("a", "same content");
    ScanCache good(t.path("good"));
    good.beginScan(nowNs() + 10'000'000'000LL);
    const auto stamp = *FileStamp::of(scanned(a), 12);
    const ContentClass cls = good.newClass();
    good.store({{stamp, std::nullopt, cls}, {stamp, 42, std::nullopt}});
    const std::string bytes = good.serialise();
    {
        ScanCache back("");
        ASSERT_TRUE(back.parse(bytes));
        EXPECT_EQ(back.contentClass(stamp), cls);
        EXPECT_EQ(back.sample(stamp), 42u);
        FileStamp touched = stamp;
        touched.ctimeNs += 1;
        EXPECT_FALSE(back.contentClass(touched)) << "another state of the file";
        EXPECT_EQ(back.serialise(), bytes) << "load and save change nothing";
    }
    std::string flipped = bytes;
    flipped[40] ^= 0x10;
    const std::vector<std::pair<std::string, std::string>> bad = {
        {"truncated", bytes.substr(0, bytes.size() - 3)},
        {"flipped", flipped},
        {"foreign", "ORVANE-PHOTO-SIGNATURES-3\n" + std::string(100, '\0')},
        {"longer", bytes + "x"},
        {"magic only", bytes.substr(0, 24)},
    };
    for (const auto& [name, content] : bad) {
        ScanCache cache(t.file("bad/" + name, content));
        std::string error;
        EXPECT_FALSE(cache.load(&error)) << name;
        EXPECT_FALSE(error.empty()) << name;
        EXPECT_EQ(cache.size(), 0u) << name;
        EXPECT_FALSE(cache.contentClass(stamp)) << name;
    }
    // A folder where the file should be: not readable as a cache, and not writable over.
    ScanCache folder(t.dir("bad/folder"));
    std::string error;
    EXPECT_FALSE(folder.load(&error));
    EXPECT_FALSE(folder.save(&error));
    EXPECT_FALSE(error.empty());
    // No cache yet is no error.
    EXPECT_TRUE(ScanCache(t.path("none")).load());
}

// The groups a full driver scan of t's "data" finds, with the cache in its default place or
// none.
Groups driverScan(const TempTree& t, bool withCache) {
    ScanManager::Environment env;
    env.settingsPath = t.path("settings.plist");
    if (withCache) env.scanCachePath = ScanCache::defaultPath(orvane::platform::Layout::current());
    auto m = ScanManager::create(std::move(env));
    m->folderList = {t.path("data")};
    m->scanDuplicateFile();
    m->waitUntilScanFinished();
    Groups groups;
    for (const auto& g : m->totalFiles) {
        std::vector<std::string> members;
        for (const auto& f : g->infos()) members.push_back(f->path());
        groups.insert(members);
    }
    return groups;
}

// Pages of `path` still in memory, after asking the system to drop them.
std::size_t evictedButResident(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return 1;
    ::fsync(fd);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    struct stat st {};
    ::fstat(fd, &st);
    void* map = ::mmap(nullptr, static_cast<std::size_t>(st.st_size), PROT_READ, MAP_SHARED, fd, 0);
    ::close(fd);
    if (map == MAP_FAILED) return 1;
    const long page = ::sysconf(_SC_PAGESIZE);
    std::vector<unsigned char> in((static_cast<std::size_t>(st.st_size) + page - 1) / page);
    ::mincore(map, static_cast<std::size_t>(st.st_size), in.data());
    ::munmap(map, static_cast<std::size_t>(st.st_size));
    return static_cast<std::size_t>(
        std::count_if(in.begin(), in.end(), [](unsigned char c) { return c & 1; }));
}

TEST(ScanCache, GroupsWhoseFilesAreNotInMemoryAreFinishedByTheDiskReaderWhole) {
    // With no disk inventory every disk counts as rotating: a group is first tried from memory
    // only, and what would have to come from the disk goes, with everything the first attempt
    // was handed, to the disk's one reader.
    TempTree t;
    ScopedHome home(t);
    const std::string same(256 * 1024, 's');
    std::string other = same;
    other[100'000] = 'o';
    const Groups expected = {
        {t.file("data/a1", same), t.file("data/a2", same), t.file("data/a3", same)}};
    const std::vector<std::string> all = {t.path("data/a1"), t.path("data/a2"), t.path("data/a3"),
                                          t.file("data/b", other)};
    for (const bool withCache : {false, true, true}) {
        std::size_t resident = 0;
        for (const auto& path : all) resident += evictedButResident(path);
        if (resident > 0) GTEST_SKIP() << "this system keeps the files in memory";
        EXPECT_EQ(driverScan(t, withCache), expected)
            << (withCache ? "with" : "without") << " a cache";
    }
}

TEST(ScanCache, TheDriverUsesAndKeepsTheCacheAndAScanAfterDamageStillFindsEveryGroup) {
    TempTree t;
    ScopedHome home(t);
    t.file("data/x/one.bin", std::string(40'000, 'o'));
    t.file("data/y/one.bin", std::string(40'000, 'o'));
    t.file("data/y/two.bin", std::string(40'000, 't'));
    const std::string cachePath = ScanCache::defaultPath(orvane::platform::Layout::current());
    EXPECT_EQ(cachePath, home.home() + "/.cache/com.orvane.app/duplicate-scan");

    auto scan = [&](bool withCache) { return driverScan(t, withCache); };
    const Groups expected = {{t.path("data/x/one.bin"), t.path("data/y/one.bin")}};
    EXPECT_EQ(scan(false), expected);
    EXPECT_FALSE(t.exists(cachePath.substr(t.root().size() + 1))) << "no cache when off";
    EXPECT_EQ(scan(true), expected);
    EXPECT_TRUE(t.exists(cachePath.substr(t.root().size() + 1)));
    EXPECT_EQ(scan(true), expected);

    std::ofstream(cachePath, std::ios::trunc) << "ORVANE-DUPLICATE-SCAN-1\ngarbage";
    EXPECT_EQ(scan(true), expected);
    ScanCache rewritten(cachePath);
    EXPECT_TRUE(rewritten.load()) << "the damaged file was replaced by a good one";
}
