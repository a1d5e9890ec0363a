// Thousands of items of one name (every "index.html" of a website, every "Thumbs.db") must go to
// the Trash in time proportional to their number, each with its own restorable record.
#include <glib.h>
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <set>
#include <string>

#include "GlibHome.h"
#include "platform/linux/GioTrash.h"
#include "support/TempTree.h"

namespace orvane::platform {
namespace {

using orvane::testing::TempTree;

const auto slurp = orvane::testing::readFile;

TEST(TrashNameIndex, ThousandsOfOneNameTakeOneAttemptEach) {
    TempTree tree;
    constexpr int kItems = 2000;
    const std::string path = tree.path("site/index.html");
    GioTrash trash;
    std::set<std::string> places;
    std::chrono::steady_clock::duration elapsed{};
    for (int i = 0; i < kItems; ++i) {
        tree.file("site/index.html", std::to_string(i));
        const auto start = std::chrono::steady_clock::now();
        const TrashResult r = trash.trashItem(path);
        elapsed += std::chrono::steady_clock::now() - start;
        ASSERT_TRUE(r.ok) << r.error;
        places.insert(r.trashedPath);
    }
    EXPECT_EQ(places.size(), static_cast<std::size_t>(kItems));
    // A name probed from 1 each time would cost kItems^2 / 2 attempts.
    EXPECT_LE(trash.namesTried(), static_cast<std::uint64_t>(kItems) + 10);
    EXPECT_LT(elapsed, std::chrono::seconds(20));

    // Each record still leads back to its own original.
    const std::string trashDir = std::string(g_get_user_data_dir()) + "/Trash";
    const std::string record = slurp(trashDir + "/info/index.1000.html.trashinfo");
    const std::string content = slurp(trashDir + "/files/index.1000.html");
    EXPECT_EQ(content, "999");
    EXPECT_NE(record.find("Path=" + path + "\n"), std::string::npos) << record;
}

}  // namespace
}  // namespace orvane::platform
