#include <gtest/gtest.h>

#include <string>

#include "JunkFixture.h"
#include "core/junk/CleanPreference.h"
#include "core/junk/XMLParse.h"

namespace orvane::junk {
namespace {

using testing::LinuxHome;
using testing::MacTree;

struct Collector final : XMLParseDelegate {
    int calls = 0;
    std::vector<CategoryItemPtr> categories;
    FilterDictionary filters;
    void parseComplete(std::vector<CategoryItemPtr> c, FilterDictionary f) override {
        ++calls;
        categories = std::move(c);
        filters = std::move(f);
    }
};

struct Parsed {
    bool ok = false;
    std::string error;
    Collector result;
    InstallBundleIds leftOver;
};

Parsed parse(const std::string& xml, const RuleEnvironment& env, InstallBundleIds installed = {}) {
    Parsed p;
    XMLParse parser(std::move(installed), env);
    parser.delegate = &p.result;
    p.ok = parser.parseData(xml);
    p.error = parser.errorDescription();
    p.leftOver = parser.installBundleIdDict;
    return p;
}

class RuleDocument : public ::testing::Test {
protected:
    LinuxHome home;
};

TEST_F(RuleDocument, BuildsTheTreeWithEveryAttribute) {
    const auto p = parse(R"(<?xml version="1.0"?>
<garbage>
  <filter id="1" column="filename" relation="begin with" value="." action="exclude"/>
  <category id="1">
    <title> System Junk </title>
    <tips>Safe</tips>
    <item id="1001" recommend="YES" showaction="yes" fastmode="no" os="linux" defaultstate="0">
      <title>System Caches</title>
      <action type="dir" id="a1" title="attr title" sandbox="multi" cleanemptyfolder="yes"
              cleanhiddenfile="Yes" recommend="yes" clean="movetrash" caution="c1">
        <title>Thumbnails</title>
        <path type="abs" value="~/.cache/thumbnails" value1="v1" filename="png$" filters="1" level="+2"/>
        <atom filters="1|2"/>
      </action>
    </item>
  </category>
</garbage>)",
                         *home.env);
    ASSERT_TRUE(p.ok) << p.error;
    ASSERT_EQ(p.result.calls, 1);
    ASSERT_EQ(p.result.categories.size(), 1u);
    const auto& category = *p.result.categories[0];
    EXPECT_EQ(category.categoryId, "1");
    EXPECT_EQ(category.title, "System Junk");
    EXPECT_EQ(category.tips, "Safe");
    ASSERT_EQ(category.subItems.size(), 1u);
    const auto& sub = *category.subItems[0];
    EXPECT_EQ(sub.title, "System Caches");
    EXPECT_TRUE(sub.recommend);
    EXPECT_TRUE(sub.isCautious);
    EXPECT_TRUE(sub.showAction);
    EXPECT_FALSE(sub.fastMode);
    EXPECT_EQ(sub.os, "linux");
    EXPECT_EQ(sub.defaultState, 0);
    ASSERT_EQ(sub.actionItems.size(), 1u);
    const auto& action = *sub.actionItems[0];
    EXPECT_EQ(action.type, ActionType::dir);
    EXPECT_EQ(action.actionId, "a1");
    EXPECT_EQ(action.title, "Thumbnails") << "a title element overrides the attribute";
    EXPECT_EQ(action.sandboxType, SandboxType::multi);
    EXPECT_TRUE(action.cleanEmptyFolder);
    EXPECT_TRUE(action.cleanHiddenFile);
    EXPECT_TRUE(action.recommend);
    EXPECT_EQ(action.cleanType, CleanType::moveTrash);
    EXPECT_EQ(action.cautionId, "c1");
    ASSERT_EQ(action.pathItems.size(), 1u);
    const auto& path = *action.pathItems[0];
    EXPECT_EQ(path.type, "abs");
    EXPECT_EQ(path.value, "~/.cache/thumbnails");
    EXPECT_EQ(path.value1, "v1");
    EXPECT_EQ(path.filename, "png$");
    EXPECT_EQ(path.scanFilters, "1");
    EXPECT_EQ(path.level, 2);
    ASSERT_TRUE(action.atomItem);
    EXPECT_EQ(action.atomItem->resultFilters, "1|2");
    ASSERT_EQ(p.result.filters.count("1"), 1u);
    EXPECT_EQ(p.result.filters.at("1")->action, "exclude");
}

TEST_F(RuleDocument, AttributeValuesFollowTheirOwnRules) {
    const auto p = parse(R"(<garbage><category id="1">
      <item id="a" defaultstate="x"><action type="weird" sandbox="YES" clean="bogus"/>
        <action type="appcache" sandbox="not" clean="truncate">
          <path value="/p1" level=""/><path value="/p2" level="abc"/><path value="/p3" level="-3"/>
          <path value="/p1"/><path value="/p1" type="abs"/>
        </action></item>
      <item id="b" recommend="no"><title>   </title></item>
    </category></garbage>)",
                         *home.env);
    ASSERT_TRUE(p.ok);
    const auto& items = p.result.categories.at(0)->subItems;
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0]->defaultState, 1);
    const auto& first = *items[0]->actionItems.at(0);
    EXPECT_EQ(first.type, ActionType::file) << "an unknown type leaves file";
    EXPECT_EQ(first.sandboxType, SandboxType::none) << "sandbox values are matched as written";
    EXPECT_EQ(first.cleanType, CleanType::remove);
    const auto& second = *items[0]->actionItems.at(1);
    EXPECT_EQ(second.type, ActionType::softAppCache);
    EXPECT_EQ(second.sandboxType, SandboxType::notSandboxed);
    EXPECT_EQ(second.cleanType, CleanType::truncate);
    ASSERT_EQ(second.pathItems.size(), 4u) << "the repeated (value, type) pair is added once";
    EXPECT_EQ(second.pathItems[0]->level, 1);
    EXPECT_EQ(second.pathItems[1]->level, 1);
    EXPECT_EQ(second.pathItems[2]->level, -3);
    EXPECT_EQ(second.pathItems[3]->type, "abs");
    EXPECT_FALSE(items[1]->recommend);
    EXPECT_FALSE(items[1]->title) << "a blank title changes nothing";
}

TEST_F(RuleDocument, MissingRequiredAttributesDropOnlyThatElement) {
    const auto p = parse(R"(<garbage>
      <filter column="filename"/><filter id="9"/><filter id="2" column="filesize" value="1"/>
      <filter id="2" column="filename" value="later"/>
      <category><item id="orphan"/></category>
      <category id="1"><item><action type="file"><path value="/kept"/></action></item>
        <item id="x"><action><path value="/dropped-action-path"/></action><action type="file"/></item>
      </category></garbage>)",
                         *home.env);
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.result.filters.size(), 1u);
    EXPECT_EQ(p.result.filters.at("2")->value, "later")
        << "a later filter with the same id replaces";
    ASSERT_EQ(p.result.categories.size(), 1u);
    const auto& items = p.result.categories[0]->subItems;
    ASSERT_EQ(items.size(), 1u) << "an item without id is not created";
    EXPECT_EQ(items[0]->actionItems.size(), 1u) << "an action without type is not created";
}

TEST_F(RuleDocument, ApplicationGroupsNeedTheApplicationExceptForBrowsers) {
    const auto p =
        parse(R"(<garbage>
      <category id="2">
        <item id="i1" bundleid="org.installed"><action type="file"/></item>
        <item id="i2" bundleid="org.gone"><action type="file"/></item>
        <item id="i3" bundleid="org.gone" appStoreBundleId="org.store"><action type="file"/></item>
        <item id="i4"/>
      </category>
      <category id="3"><item id="b1" bundleid="com.browser.gone"/></category>
    </garbage>)",
              *home.env, {{"org.installed", "/a"}, {"org.store", "/b"}, {"org.other", "/c"}});
    ASSERT_TRUE(p.ok);
    const auto& apps = p.result.categories.at(0)->subItems;
    ASSERT_EQ(apps.size(), 3u);
    EXPECT_EQ(apps[0]->subCategoryId, "i1");
    EXPECT_EQ(apps[1]->subCategoryId, "i3") << "attached through the store identifier";
    EXPECT_EQ(apps[2]->subCategoryId, "i4");
    EXPECT_EQ(p.result.categories.at(1)->subItems.size(), 1u);
    EXPECT_EQ(p.leftOver, (InstallBundleIds{{"org.other", "/c"}}))
        << "what remains is what no rule covers";
    EXPECT_EQ(apps[0]->actionItems.at(0)->bundleId, "org.installed")
        << "actions carry their group's identifier";
}

TEST(RuleDocumentVersions, ActionsFollowTheInstalledVersion) {
    MacTree mac;
    const std::string app = mac.app("Applications/Tool.app", "com.example.tool", "2.5.1", "2501");
    const auto p =
        parse(R"(<garbage><category id="2"><item id="t">
        <action type="file" id="v" apppath=")" +
                  app + R"(" appversion="^1\."><path value="/one"/></action>
        <action type="file" id="v" apppath=")" +
                  app + R"(" appversion="^3\."><path value="/three"/></action>
        <action type="file" id="w" apppath=")" +
                  app + R"(" appversion="^2\." buildversion="^25"><path value="/two"/></action>
        <action type="file" id="x" apppath=")" +
                  app + R"(" appversion="(["><path value="/broken"/></action>
        <action type="file" id="y" apppath="/nowhere/X.app" appversion="^9"><path value="/absent-app"/></action>
      </item></category></garbage>)",
              *mac.env);
    ASSERT_TRUE(p.ok) << p.error;
    std::vector<std::string> kept;
    for (const auto& a : p.result.categories.at(0)->subItems.at(0)->actionItems)
        kept.push_back(*a->pathItems.at(0)->value);
    EXPECT_EQ(kept, (std::vector<std::string>{"/three", "/two", "/absent-app"}))
        << "a version that does not fit drops the action but lets the next with the same id stand "
           "in; a "
           "pattern that does not compile fails; an application that cannot be opened passes";
}

TEST_F(RuleDocument, MalformedAndHostileDocumentsFailCleanly) {
    const std::string deep = [] {
        std::string s = "<garbage>";
        for (int i = 0; i < 500; ++i) s += "<x>";
        for (int i = 0; i < 500; ++i) s += "</x>";
        return s + "</garbage>";
    }();
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"truncated", "<garbage><category id=\"1\"><item id=\"a\">"},
        {"mismatched", "<garbage><category id=\"1\"></item></garbage>"},
        {"not xml", "\x01\x02\xff garbage"},
        {"empty", ""},
        {"deep nesting", deep},
        {"entity bomb",
         "<?xml version=\"1.0\"?><!DOCTYPE g [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b "
         "\"&a;&a;&a;&a;&a;&a;&a;\">]>"
         "<garbage><category id=\"1\"><title>&b;</title></category></garbage>"},
        {"external entity",
         "<?xml version=\"1.0\"?><!DOCTYPE g [<!ENTITY x SYSTEM "
         "\"file:///etc/passwd\">]><garbage>&x;</garbage>"},
        {"undefined entity",
         "<garbage><category id=\"1\"><title>&nope;</title></category></garbage>"},
        {"content after the root", "<garbage><category id=\"1\"/></garbage><garbage/>"},
        {"trailing text", "<garbage></garbage>junk"},
        {"invalid utf-8 in a title",
         "<garbage><category id=\"1\"><title>\xc3\x28</title></category></garbage>"},
    };
    for (const auto& [name, xml] : cases) {
        const auto p = parse(xml, *home.env);
        EXPECT_FALSE(p.ok) << name;
        EXPECT_FALSE(p.error.empty()) << name;
        EXPECT_EQ(p.result.calls, 0) << name << ": nothing is delivered from a broken document";
    }
}

TEST_F(RuleDocument, OnlyTheGarbageRootDeliversAndPredefinedEntitiesWork) {
    auto p = parse("<rules><category id=\"1\"/></rules>", *home.env);
    EXPECT_TRUE(p.ok);
    EXPECT_EQ(p.result.calls, 0);
    p = parse(
        "<garbage><unknown><category id=\"1\"><title>A &amp; B "
        "<![CDATA[<C>]]></title></category></unknown></garbage>",
        *home.env);
    ASSERT_TRUE(p.ok);
    ASSERT_EQ(p.result.calls, 1);
    EXPECT_EQ(p.result.categories.at(0)->title, "A & B <C>")
        << "unknown elements still have their children read";
}

TEST_F(RuleDocument, PreferenceWithoutADocumentHasNoRules) {
    CleanPreference none(home.env, std::nullopt, [] { return InstallBundleIds{}; });
    EXPECT_TRUE(none.categories.empty());
    EXPECT_FALSE(none.filterParser);
    EXPECT_FALSE(none.ruleError.empty());

    const std::string broken = home.file("broken.xml", "<garbage><category id=\"1\">");
    CleanPreference bad(home.env, broken, {});
    EXPECT_FALSE(bad.filterParser);
    EXPECT_FALSE(bad.ruleError.empty());

    const std::string good =
        home.file("good.xml",
                  "<garbage><filter id=\"73\" column=\"filename\"/><category id=\"3\"/></garbage>");
    CleanPreference ok(home.env, good, {});
    ASSERT_TRUE(ok.filterParser);
    EXPECT_TRUE(ok.ruleError.empty());
    EXPECT_TRUE(ok.category("3"));
    EXPECT_FALSE(ok.category("1"));
    EXPECT_EQ(ok.scanType, 15u);
}

}  // namespace
}  // namespace orvane::junk
