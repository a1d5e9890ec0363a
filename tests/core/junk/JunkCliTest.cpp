// `orvane junk`, run as a user would run it, against a private HOME.
#include <map>
#include <set>

#include "support/CliTest.h"

#ifdef ORVANE_CLI_PATH

namespace {

using orvane::testing::CliRun;
using orvane::testing::HasSubstr;
using orvane::testing::Not;

class JunkCli : public orvane::testing::CliTest {
protected:
    void SetUp() override {
        tree.file("home/.cache/thumbnails/normal/a.png", "12345");
        tree.file("home/.cache/mozilla/firefox/p.default/cache2/entries/A", "123");
        tree.file("home/.mozilla/firefox/p.default/cookies.sqlite", "secret");
        tree.file("home/.local/share/Trash/files/old.txt", "1234567");
        tree.file("home/Downloads/setup.run", "12");
        tree.file("home/Downloads/notes.txt", "keep");
    }
    CliRun run(const std::string& args) { return orvane("junk -q " + args); }
    // The items below the private home, by kind.
    std::map<std::string, std::set<std::string>> homeItems(const nlohmann::json& doc) {
        std::map<std::string, std::set<std::string>> out;
        const std::string base = tree.path("home") + "/";
        for (const auto& category : doc.at("categories"))
            for (const auto& group : category.at("groups"))
                for (const auto& item : group.at("items")) {
                    const std::string path = item.at("path");
                    if (path.starts_with(base))
                        out[category.at("kind")].insert(path.substr(base.size()));
                }
        return out;
    }
};

TEST_F(JunkCli, JsonListsEveryKindWithGroupsItemsAndSizes) {
    const CliRun r = run("--json");
    ASSERT_EQ(r.code, 0) << r.err;
    const auto doc = json(r);
    std::vector<std::string> kinds;
    std::int64_t sum = 0;
    for (const auto& category : doc.at("categories")) {
        kinds.push_back(category.at("kind"));
        std::int64_t groups = 0;
        for (const auto& group : category.at("groups")) {
            std::int64_t items = 0;
            for (const auto& item : group.at("items")) items += item.at("size").get<std::int64_t>();
            EXPECT_EQ(group.at("size").get<std::int64_t>(), items);
            EXPECT_TRUE(group.at("recommended").is_boolean());
            groups += items;
        }
        EXPECT_EQ(category.at("size").get<std::int64_t>(), groups);
        EXPECT_FALSE(category.at("name").get<std::string>().empty());
        sum += groups;
    }
    EXPECT_EQ(kinds, (std::vector<std::string>{"system", "app", "trash", "package", "internet"}));
    EXPECT_EQ(doc.at("totalSize").get<std::int64_t>(), sum);

    auto items = homeItems(doc);
    EXPECT_EQ(items["system"], (std::set<std::string>{".cache/thumbnails/normal"}));
    EXPECT_EQ(items["trash"], (std::set<std::string>{".local/share/Trash/files/old.txt"}));
    EXPECT_EQ(items["package"], (std::set<std::string>{"Downloads/setup.run"}));
    EXPECT_EQ(items["internet"],
              (std::set<std::string>{".cache/mozilla/firefox/p.default/cache2"}));
    EXPECT_TRUE(tree.exists("home/.local/share/Trash/files/old.txt")) << "listing removes nothing";
}

TEST_F(JunkCli, KindsNarrowTheScanAndUnknownKindsAreRefused) {
    CliRun r = run("--json --kinds trash,package");
    ASSERT_EQ(r.code, 0) << r.err;
    const auto doc = json(r);
    ASSERT_EQ(doc.at("categories").size(), 2u);
    EXPECT_EQ(doc.at("categories")[0].at("kind"), "trash");
    EXPECT_EQ(doc.at("categories")[1].at("kind"), "package");

    r = run("--kinds trash,cookies");
    EXPECT_EQ(r.code, 2);
    EXPECT_THAT(r.err, HasSubstr("cookies"));
}

TEST_F(JunkCli, NamesThatAreNotTextKeepTheirBytes) {
    tree.file("home/Downloads/caf\xe9.deb", "x");
    tree.file("home/Downloads/two\nlines.zip", "x");
    const CliRun text = run("--kinds package");
    ASSERT_EQ(text.code, 0) << text.err;
    EXPECT_THAT(text.out, HasSubstr(tree.path("home/Downloads/caf\xe9.deb")));
    EXPECT_THAT(text.out, HasSubstr("Unused Installation Packages"));
    const CliRun js = run("--json --kinds package");
    ASSERT_EQ(js.code, 0);
    EXPECT_THAT(js.out, HasSubstr("caf\\udce9.deb"));
    EXPECT_THAT(js.out, HasSubstr("two\\nlines.zip"));
}

TEST_F(JunkCli, ABrokenRuleDocumentStillListsTheBuiltInPlaces) {
    tree.file("resources/junk/linux/garbageConfig.xml", "<garbage><category id=\"1\">");
    ::setenv("ORVANE_RESOURCE_DIR", tree.path("resources").c_str(), 1);
    const CliRun r = run("--json --kinds system,trash");
    ::unsetenv("ORVANE_RESOURCE_DIR");
    ASSERT_EQ(r.code, 0) << r.err;
    const auto doc = json(r);
    EXPECT_FALSE(doc.at("ruleError").get<std::string>().empty());
    EXPECT_THAT(r.err, HasSubstr("could not be used"));
    EXPECT_EQ(homeItems(doc)["system"], (std::set<std::string>{".cache/thumbnails/normal"}));
    EXPECT_EQ(homeItems(doc)["trash"].size(), 1u);
}

TEST_F(JunkCli, DryRunListsExactlyWhatCleaningWouldTakeAndTouchesNothing) {
    CliRun r = run("--clean --dry-run");
    ASSERT_EQ(r.code, 0) << r.err;
    for (const char* goes : {".cache/thumbnails/normal", ".local/share/Trash/files/old.txt",
                             ".cache/mozilla/firefox/p.default/cache2"})
        EXPECT_THAT(r.out, HasSubstr(tree.path("home/") + goes));
    EXPECT_THAT(r.out, Not(HasSubstr("setup.run"))) << "downloads are not recommended";
    EXPECT_THAT(r.out, HasSubstr("nothing was removed"));

    r = run("--all --dry-run --json");
    ASSERT_EQ(r.code, 0) << r.err;
    const auto doc = json(r);
    std::set<std::string> paths;
    std::int64_t sum = 0;
    for (const auto& item : doc.at("items")) {
        paths.insert(item.at("path").get<std::string>());
        sum += item.at("size").get<std::int64_t>();
    }
    EXPECT_TRUE(paths.contains(tree.path("home/Downloads/setup.run")));
    EXPECT_EQ(doc.at("size").get<std::int64_t>(), sum);
    EXPECT_EQ(doc.at("count").get<std::size_t>(), paths.size());
    for (const char* kept : {"home/.cache/thumbnails/normal/a.png", "home/Downloads/setup.run",
                             "home/.local/share/Trash/files/old.txt"})
        EXPECT_TRUE(tree.exists(kept)) << kept;

    EXPECT_EQ(run("--all --recommended").code, 2) << "the two selections exclude each other";
}

TEST_F(JunkCli, CleanRemovesTheRecommendedItemsReportsTheFreedSizeAndKeepsTheRest) {
    const CliRun r = run("--clean --json --kinds system,app,trash,package,internet");
    ASSERT_EQ(r.code, 0) << r.err << r.out;
    const auto doc = json(r);
    EXPECT_EQ(doc.at("failed").get<int>(), 0);
    EXPECT_GE(doc.at("removed").get<int>(), 3);
    EXPECT_GE(doc.at("freedSize").get<std::int64_t>(), 5 + 7 + 3);
    for (const char* gone :
         {"home/.cache/thumbnails/normal", "home/.local/share/Trash/files/old.txt",
          "home/.cache/mozilla/firefox/p.default/cache2"})
        EXPECT_FALSE(tree.exists(gone)) << gone;
    for (const char* kept :
         {"home/.mozilla/firefox/p.default/cookies.sqlite", "home/Downloads/setup.run",
          "home/Downloads/notes.txt", "home/.cache/thumbnails", "home/.local/share/Trash/files"})
        EXPECT_TRUE(tree.exists(kept)) << kept;

    const CliRun all = run("--clean --all");
    ASSERT_EQ(all.code, 0) << all.err << all.out;
    EXPECT_THAT(all.out, HasSubstr("Freed "));
    EXPECT_THAT(all.out, HasSubstr("0 failed"));
    EXPECT_FALSE(tree.exists("home/Downloads/setup.run"));
    EXPECT_TRUE(tree.exists("home/Downloads/notes.txt"));
}

}  // namespace

#endif
