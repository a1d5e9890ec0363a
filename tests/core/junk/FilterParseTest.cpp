#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "JunkFixture.h"
#include "core/junk/FilterParse.h"
#include "core/junk/RegexCache.h"

namespace orvane::junk {
namespace {

using testing::LinuxHome;
using testing::MacTree;

FilterItemPtr filter(const std::string& id, const std::string& column, const std::string& relation,
                     const std::string& value, const std::string& action = "") {
    auto f = std::make_shared<FilterItem>();
    f->filterId = id;
    f->column = column;
    if (!relation.empty()) f->relation = relation;
    f->value = value;
    if (!action.empty()) f->action = action;
    return f;
}

FilterDictionary dictionary(std::initializer_list<FilterItemPtr> items) {
    FilterDictionary d;
    for (const auto& f : items) d[*f->filterId] = f;
    return d;
}

std::vector<std::string> relative(const std::vector<ResultItemPtr>& hits, const std::string& base) {
    std::vector<std::string> out;
    for (const auto& h : hits) out.push_back(h->path.substr(base.size() + 1));
    std::sort(out.begin(), out.end());
    return out;
}

ActionItemPtr action(const std::string& value, int level, const std::string& scanFilters = "",
                     const std::string& resultFilters = "") {
    auto a = std::make_shared<ActionItem>();
    a->actionId = "act";
    auto p = std::make_shared<ActionPathItem>();
    p->value = value;
    p->level = level;
    if (!scanFilters.empty()) p->scanFilters = scanFilters;
    a->addActionPathItem(p);
    if (!resultFilters.empty()) {
        a->atomItem = std::make_shared<ActionAtomItem>();
        a->atomItem->resultFilters = resultFilters;
    }
    return a;
}

class Expressions : public ::testing::Test {
protected:
    LinuxHome home;
    FilterParse parse{dictionary({filter("1", "filename", "contains", "a"),
                                  filter("2", "filename", "contains", "b"),
                                  filter("3", "filename", "contains", "c")}),
                      home.env};
    std::vector<FilterItemPtr> heads(const std::string& expr) {
        std::vector<FilterItemPtr> out;
        parse.parseFilters(expr, out, 0);
        return out;
    }
};

TEST_F(Expressions, OperatorsLinkCopiesIntoChains) {
    auto h = heads("1 + 2");
    ASSERT_EQ(h.size(), 1u);
    EXPECT_EQ(h[0]->filterId, "1");
    ASSERT_TRUE(h[0]->andFilterItem);
    EXPECT_EQ(h[0]->andFilterItem->filterId, "2");
    EXPECT_FALSE(h[0]->orFilterItem);

    h = heads("1|2");
    ASSERT_EQ(h.size(), 1u);
    ASSERT_TRUE(h[0]->orFilterItem);
    EXPECT_EQ(h[0]->orFilterItem->filterId, "2");

    h = heads("1+2|3");
    ASSERT_EQ(h.size(), 1u) << "with a plus present, the piece holding a bar names no filter";
    EXPECT_FALSE(h[0]->andFilterItem);
    EXPECT_FALSE(h[0]->orFilterItem);

    EXPECT_TRUE(heads("  ").empty());
    EXPECT_TRUE(heads("99 | 98").empty()) << "unknown ids are passed over";
    EXPECT_FALSE(parse.filterDict.at("1")->andFilterItem)
        << "the document's filters are never linked";
}

TEST_F(Expressions, GroupsComeFirstAtTheNextLevel) {
    const auto h = heads("(1|2)+3");
    ASSERT_EQ(h.size(), 2u);
    EXPECT_EQ(h[0]->filterId, "1");
    EXPECT_EQ(h[0]->logicLevel, 1);
    EXPECT_EQ(h[0]->orFilterItem->filterId, "2");
    EXPECT_EQ(h[1]->filterId, "3");
    EXPECT_EQ(h[1]->logicLevel, 0);

    // (1 or 2) and 3
    EXPECT_TRUE(parse.evaluate(h, "/x/ac"));
    EXPECT_TRUE(parse.evaluate(h, "/x/bc"));
    EXPECT_FALSE(parse.evaluate(h, "/x/ab"));
    EXPECT_FALSE(parse.evaluate(h, "/x/c"));
    EXPECT_TRUE(parse.evaluate({}, "/anything")) << "an empty expression passes";
}

TEST_F(Expressions, HostileExpressionsNeverCrash) {
    for (const std::string expr :
         {"((1", "1)", ")(", "(((((1|2)))))", "()", "(|)+(+)", "1++2||3", "(1)(2)(3)"}) {
        auto h = heads(expr);
        parse.evaluate(h, "/x/abc");
    }
    std::string many;
    for (int i = 0; i < 20000; ++i) many += "(1)";
    EXPECT_EQ(heads(many).size(), 20000u) << "a long run of groups is a loop, not a deep recursion";
}

TEST_F(Expressions, CachedExpressionsAreEqualButDistinctCopies) {
    const auto a = heads("(1|2)+3");
    const auto before = parse.filterCacheSize();
    const auto b = heads(" (1|2)+3 \n");
    EXPECT_EQ(parse.filterCacheSize(), before) << "normalised text hits the cache";
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_NE(a[i].get(), b[i].get());
        EXPECT_EQ(a[i]->filterId, b[i]->filterId);
        EXPECT_EQ(a[i]->logicLevel, b[i]->logicLevel);
        ASSERT_TRUE(a[i]->orFilterItem == nullptr || b[i]->orFilterItem != nullptr);
        if (a[i]->orFilterItem) {
            EXPECT_NE(a[i]->orFilterItem.get(), b[i]->orFilterItem.get());
        }
    }
    // Parsed from several threads at once, every caller gets a whole chain.
    std::vector<std::thread> threads;
    std::atomic<int> good{0};
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 200; ++i) {
                std::vector<FilterItemPtr> out;
                parse.parseFilters("(1|2)+3", out, 0);
                if (out.size() == 2 && out[0]->orFilterItem) ++good;
            }
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(good.load(), 800);
}

class Columns : public ::testing::Test {
protected:
    LinuxHome home;
    bool check(const FilterItemPtr& f, const std::string& path) {
        return f->check(path, *home.env);
    }
};

TEST_F(Columns, StringRelations) {
    const std::string p = home.file("dir/report.log");
    EXPECT_TRUE(check(filter("f", "filename", "is", "report.log"), p));
    EXPECT_TRUE(check(filter("f", "filename", "contains", "port"), p));
    EXPECT_TRUE(check(filter("f", "filename", "begin with", "rep"), p));
    EXPECT_TRUE(check(filter("f", "filename", "end with", ".log"), p));
    EXPECT_TRUE(check(filter("f", "filename", "match", "r.p[o]rt"), p));
    EXPECT_FALSE(check(filter("f", "filename", "match", "(["), p))
        << "a pattern that does not compile fails";
    EXPECT_TRUE(check(filter("f", "filename", "sounds like", "x"), p))
        << "an unknown relation passes";
    EXPECT_TRUE(check(filter("f", "filepath", "is", "~/dir/./report.log"), p))
        << "~ and dots are resolved";
    EXPECT_TRUE(check(filter("f", "colour", "is", "red"), p)) << "an unknown column passes";
    EXPECT_FALSE(check(filter("f", "bundleid", "is", ""), p)) << "no bundle here: no subject";
    EXPECT_TRUE(check(filter("f", "bundleid", "is", "", "exclude"), p));
    EXPECT_TRUE(check(filter("f", "filename", "begin with", ".", "exclude"), p));
    EXPECT_FALSE(
        check(filter("f", "filename", "begin with", ".", "exclude"), home.file("dir/.hidden")));
    EXPECT_FALSE(check(filter("f", "app", "is", "signed"), p))
        << "no code signature can validate here";
}

TEST_F(Columns, SizeAndAgeBoundaries) {
    const std::string exact = home.tree.fileOfSize("home/big", 1048576);
    EXPECT_TRUE(check(filter("f", "filesize", "greater", "1048576"), exact));
    EXPECT_FALSE(check(filter("f", "filesize", "greater", "1048577"), exact));
    EXPECT_TRUE(check(filter("f", "filesize", "greater", "lots"), exact))
        << "a value that is no number passes";
    EXPECT_TRUE(check(filter("f", "filesize", "smaller", "1"), exact))
        << "only greater is understood";

    // The age counts from the later of creation and modification, whichever the file system has.
    home.file("aged");
    home.tree.setMtime("home/aged", 1000000000);
    const double stamp = FilterItem::getFileCreateTime(home.path("aged"));
    ASSERT_GE(stamp, 1000000000);
    home.env->now = [&] { return stamp + 31 * 86400.0; };
    EXPECT_TRUE(check(filter("f", "time", "greater", "30"), home.path("aged")));
    EXPECT_FALSE(check(filter("f", "time", "smaller", "30"), home.path("aged")));
    home.env->now = [&] { return stamp + 29 * 86400.0; };
    EXPECT_FALSE(check(filter("f", "time", "greater", "30"), home.path("aged")));
    EXPECT_TRUE(check(filter("f", "time", "smaller", "30"), home.path("aged")));
    home.env->now = [&] { return stamp - 5; };
    EXPECT_TRUE(check(filter("f", "time", "greater", "30"), home.path("aged")))
        << "a date in the future passes";
    EXPECT_TRUE(check(filter("f", "time", "greater", "30"), home.path("missing")))
        << "no dates: passes";
}

TEST_F(Columns, SubFolderCountAndPath) {
    home.file("box/a");
    home.file("box/.hidden/inner");
    home.file("box/sub/b");
    const std::string box = home.path("box");
    EXPECT_TRUE(check(filter("f", "subfilecount", "", "2"), box))
        << "a, sub, sub/b counted; hidden ones not";
    EXPECT_FALSE(check(filter("f", "subfilecount", "", "3"), box));
    EXPECT_TRUE(check(filter("f", "subfilepath", "", "~/box/sub/b"), box));
    EXPECT_FALSE(check(filter("f", "subfilepath", "", "~/box/.hidden/inner"), box));
    EXPECT_FALSE(check(filter("f", "subfilecount", "", "0"), home.path("nothing")));
}

class Enumeration : public ::testing::Test {
protected:
    LinuxHome home;
    FilterParse parse{dictionary({filter("log", "filename", "end with", ".log"),
                                  filter("nodot", "filename", "begin with", ".", "exclude")}),
                      home.env};
};

TEST_F(Enumeration, LevelsDecideWhatIsACandidate) {
    home.file("base/f1");
    home.file("base/d1/f2");
    home.file("base/d1/d2/f3");
    const std::string base = home.path("base");
    EXPECT_EQ(relative(parse.enumerateFilePath(action(base, 0)), home.tree.path("home")),
              (std::vector<std::string>{"base"}));
    EXPECT_EQ(relative(parse.enumerateFilePath(action(base, 1)), base),
              (std::vector<std::string>{"d1", "f1"}));
    EXPECT_EQ(relative(parse.enumerateFilePath(action(base, 2)), base),
              (std::vector<std::string>{"d1/d2", "d1/f2", "f1"}));
    EXPECT_EQ(relative(parse.enumerateFilePath(action("~/base", 3)), base),
              (std::vector<std::string>{"d1/d2/f3", "d1/f2", "f1"}));
    EXPECT_TRUE(parse.enumerateFilePath(action(home.path("absent"), 1)).empty());
}

TEST_F(Enumeration, BaseFilterKeepsHiddenEmptyAndOwnFilesOut) {
    home.file("base/.hidden");
    home.dir("base/empty");
    home.file("base/onlyhidden/.x");
    home.file("base/Orvane Cache/f");
    home.file("base/com.orvane.app");
    home.file("base/keep.log");
    const std::string base = home.path("base");
    auto a = action(base, 1);
    EXPECT_EQ(relative(parse.enumerateFilePath(a), base),
              (std::vector<std::string>{"keep.log", "onlyhidden"}));
    a->cleanHiddenFile = true;
    EXPECT_EQ(relative(parse.enumerateFilePath(a), base),
              (std::vector<std::string>{".hidden", "keep.log"}))
        << "cleaning hidden files, a folder of hidden files counts as empty";
    a->cleanEmptyFolder = true;
    EXPECT_EQ(relative(parse.enumerateFilePath(a), base),
              (std::vector<std::string>{".hidden", "empty", "keep.log", "onlyhidden"}));
    a->pathItems[0]->filename = "\\.log$";
    EXPECT_EQ(relative(parse.enumerateFilePath(a), base), (std::vector<std::string>{"keep.log"}));
    a->pathItems[0]->filename = "([";
    EXPECT_TRUE(parse.enumerateFilePath(a).empty())
        << "a file-name pattern that does not compile rejects";
}

TEST_F(Enumeration, ScanAndResultFiltersBothApplyAndHitsCarryTheirSize) {
    home.tree.fileOfSize("home/base/a.log", 1000);
    home.file("base/b.txt");
    home.tree.fileOfSize("home/base/d/c.log", 300);
    home.tree.fileOfSize("home/base/d/.h.log", 50);
    const std::string base = home.path("base");
    auto hits = parse.enumerateFilePath(action(base, 2, "log", "nodot"));
    ASSERT_EQ(relative(hits, base), (std::vector<std::string>{"a.log", "d/c.log"}));
    std::sort(hits.begin(), hits.end(), [](auto& x, auto& y) { return x->path < y->path; });
    EXPECT_EQ(hits[0]->fileSize, 1000);
    EXPECT_EQ(hits[0]->id, "act");

    auto folder = parse.enumerateFilePath(action(home.path("base/d"), 0));
    ASSERT_EQ(folder.size(), 1u);
    EXPECT_EQ(folder[0]->fileSize, 300) << "a folder's size leaves hidden items out";
}

TEST_F(Enumeration, LinksAreEntriesNeverFollowed) {
    home.file("outside/precious", "keep me");
    home.dir("base");
    home.tree.symlink(home.path("outside"), "home/base/link-to-outside");
    home.tree.symlink(home.path("base"), "home/base/loop");
    home.file("base/real.log");
    const std::string base = home.path("base");
    const auto hits = parse.enumerateFilePath(action(base, 5));
    EXPECT_EQ(relative(hits, base),
              (std::vector<std::string>{"link-to-outside", "loop", "real.log"}));
    for (const auto& h : hits)
        if (h->path.ends_with("link-to-outside")) {
            EXPECT_EQ(h->fileSize, 0);
        }
}

TEST_F(Enumeration, PathPatternsExpandFolders) {
    home.file("apps/org.one/cache/x");
    home.file("apps/org.two/cache/y");
    home.file("apps/plain/cache/z");
    const auto paths = parse.pathArrayWithRegex(home.path("apps") + "/(^org\\.)/cache");
    ASSERT_TRUE(paths);
    EXPECT_EQ(*paths, (std::vector<std::string>{home.path("apps/org.one/cache"),
                                                home.path("apps/org.two/cache")}));
    EXPECT_FALSE(parse.pathArrayWithRegex(home.path("apps") + "/([)/cache"));
    EXPECT_TRUE(parse.pathArrayWithRegex(home.path("nowhere") + "/(.+)/cache")->empty());
    EXPECT_EQ(
        relative(parse.enumerateFilePath(action("~/apps/(org.+)/cache", 1)), home.path("apps")),
        (std::vector<std::string>{"org.one/cache/x", "org.two/cache/y"}));
    EXPECT_EQ(parse.enumerateFilePath(action(home.path("Foo (old)"), 0)).size(), 0u);
    home.file("Foo (old)/f");
    EXPECT_EQ(parse.enumerateFilePath(action(home.path("Foo (old)"), 1)).size(), 1u)
        << "no pattern characters: a plain path";
}

TEST_F(Enumeration, SpecialPlacesFollowTheLayout) {
    auto a = action("", 1);
    a->pathItems[0]->type = "special";
    a->pathItems[0]->value = "UserCaches";
    a->pathItems[0]->value1 = "thumbnails";
    home.file(".cache/thumbnails/normal/x.png");
    EXPECT_EQ(parse.enumerateFilePath(a).size(), 1u);
    a->pathItems[0]->value = "NoSuchPlace";
    EXPECT_TRUE(parse.enumerateFilePath(a).empty());
}

TEST_F(Enumeration, CancellationStopsAtTheNextStep) {
    for (int i = 0; i < 50; ++i) home.file("many/f" + std::to_string(i));
    std::atomic<int> polls{0};
    parse.setShouldCancel([&] { return ++polls > 10; });
    EXPECT_LT(parse.enumerateFilePath(action(home.path("many"), 1)).size(), 50u);
    parse.setShouldCancel(nullptr);
    EXPECT_EQ(parse.enumerateFilePath(action(home.path("many"), 1)).size(), 50u);
}

TEST(MacEnumeration, PackagesStayClosedExceptArchives) {
    MacTree mac;
    mac.app("Users/me/Stuff/Tool.app", "com.example.tool");
    mac.file("Users/me/Stuff/Build.xcarchive/Info.plist");
    mac.file("Users/me/Stuff/plain/f");
    FilterParse parse({}, mac.env);
    const auto entries = parse.loopListFilePath(3, mac.home("Stuff"), true);
    EXPECT_EQ(entries, (std::vector<std::string>{mac.home("Stuff/Build.xcarchive/Info.plist"),
                                                 mac.home("Stuff/plain/f")}));
}

TEST(MacEnumeration, LanguageFoldersOfOtherLanguages) {
    MacTree mac;
    const std::string app =
        mac.app("Applications/Editor.app", "com.example.editor", "1.0", "1", "Editor Pro");
    for (const std::string lang : {"Base", "en", "en_GB", "de", "de-AT", "pt-BR", "fr", "ja", "zz"})
        mac.file(
            "Applications/Editor.app/Contents/Resources/" + lang + ".lproj/Localizable.strings",
            "12345");
    mac.file(
        "Applications/Editor.app/Contents/Frameworks/Kit.framework/Versions/Current/Resources/"
        "it.lproj/x",
        "1");
    mac.file("Applications/Editor.app/Contents/PlugIns/P.bundle/Contents/Resources/es.lproj/x",
             "1");
    FilterParse parse({}, mac.env);
    auto a = std::make_shared<ActionItem>();
    a->type = ActionType::language;
    a->actionId = "lang";
    a->cleanType = CleanType::removeLanguage;
    auto p = std::make_shared<ActionPathItem>();
    p->value = mac.root("Applications");
    a->addActionPathItem(p);

    auto hits = parse.enumerateFilePath(a);
    std::vector<std::string> langs;
    for (const auto& h : hits) {
        langs.push_back(*h->languageIdentifier);
        EXPECT_EQ(h->bundleId, "com.example.editor");
        EXPECT_EQ(h->appName, "Editor Pro");
        EXPECT_EQ(h->relatedAppPath, app);
        EXPECT_EQ(h->cleanType, CleanType::removeLanguage);
        EXPECT_EQ(h->id, "lang");
        EXPECT_FALSE(h->languageDisplayName->empty());
    }
    std::sort(langs.begin(), langs.end());
    EXPECT_EQ(langs, (std::vector<std::string>{"es", "fr", "it", "ja", "zz"}))
        << "base, English and the user's languages (any region) stay";
    for (const auto& h : hits)
        if (*h->languageIdentifier == "fr") {
            EXPECT_EQ(*h->languageDisplayName, "Französisch") << "named in the user's language";
        }
}

TEST(LinuxLanguages, NothingOnAFreedesktopLayout) {
    LinuxHome home;
    home.file("apps/x.app/Contents/Resources/fr.lproj/a");
    FilterParse parse({}, home.env);
    auto a = std::make_shared<ActionItem>();
    a->type = ActionType::language;
    auto p = std::make_shared<ActionPathItem>();
    p->value = home.path("apps");
    a->addActionPathItem(p);
    EXPECT_TRUE(parse.enumerateFilePath(a).empty());
}

TEST(RegexCacheTest, CompilesOnceAndToleratesBytes) {
    auto& cache = RegexCache::shared();
    EXPECT_EQ(cache.find("^a.c$", "abc"), true);
    const auto size = cache.size();
    EXPECT_EQ(cache.find("^a.c$", "abd"), false);
    EXPECT_EQ(cache.size(), size);
    EXPECT_FALSE(cache.find("(unclosed", "x"));
    EXPECT_EQ(cache.find("\\.png$", std::string("\xff\xfe.png")), true)
        << "invalid UTF-8 names are still tested";
    // A catastrophic pattern gives up instead of hanging the scan.
    const auto slow = cache.find("^(a+)+$", std::string(40, 'a') + "!");
    EXPECT_NE(slow, std::optional<bool>(true));
}

}  // namespace
}  // namespace orvane::junk
