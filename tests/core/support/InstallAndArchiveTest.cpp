#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zip.h>

#include <cstdlib>
#include <map>

#include "core/support/InstallSource.h"
#include "core/support/LogArchive.h"
#include "support/TempTree.h"

using namespace orvane::support;
using orvane::testing::TempTree;

namespace {
// Name → content of every file in a ZIP archive.
std::map<std::string, std::string> entries(const std::string& path) {
    std::map<std::string, std::string> out;
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
    if (!archive) return out;
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i) {
        zip_stat_t st;
        zip_stat_index(archive, i, 0, &st);
        std::string content(st.size, '\0');
        if (zip_file_t* file = zip_fopen_index(archive, i, 0)) {
            zip_fread(file, content.data(), st.size);
            zip_fclose(file);
        }
        out[st.name] = content;
    }
    zip_close(archive);
    return out;
}
}  // namespace

TEST(InstallSource, AskDpkgWhoOwnsTheProgram) {
    EXPECT_EQ(InstallSource::debianPackageOwning("/usr/bin/dpkg-query"), "dpkg");
    EXPECT_EQ(InstallSource::debianPackageOwning("/nonexistent/orvane"), "");
    // A copy built here belongs to no package.
    TempTree tree;
    const std::string program = tree.file("bin/orvane-gui", "#!/bin/sh\n");
    EXPECT_EQ(InstallSource::detect(program, tree.root()).kind, InstallSource::Kind::direct);
    EXPECT_TRUE(InstallSource::detect(program, tree.root()).advice().empty());

    const InstallSource packaged = InstallSource::detect("/usr/bin/dpkg-query", tree.root());
    EXPECT_EQ(packaged.kind, InstallSource::Kind::debianPackage);
    EXPECT_NE(packaged.advice().find("apt install --only-upgrade dpkg"), std::string::npos);
}

TEST(InstallSource, FlatpakSandboxIsRecognised) {
    TempTree tree;
    tree.file(".flatpak-info", "[Application]\nname=com.orvane.app\n");
    const InstallSource sandboxed = InstallSource::detect("/app/bin/orvane-gui", tree.root());
    EXPECT_EQ(sandboxed.kind, InstallSource::Kind::flatpak);
    EXPECT_NE(sandboxed.advice().find("flatpak update com.orvane.app"), std::string::npos);
}

TEST(LogArchive, PacksRegularFilesAndNeverFollowsLinks) {
    TempTree tree;
    tree.file("logs/orvane.log", "line one\n");
    tree.file("logs/old/orvane.1.log", "older\n");
    tree.file("secret.txt", "not a log");
    tree.symlink(tree.path("secret.txt"), "logs/link.log");
    tree.symlink(tree.path("."), "logs/loop");
    // Opening a pipe to read it would hang the packing.
    ASSERT_EQ(::mkfifo(tree.path("logs/pipe").c_str(), 0600), 0);

    const std::string archive = tree.path("out/feedback.zip");
    tree.dir("out");
    const auto result =
        LogArchive::pack(tree.path("logs"), archive, {{"feedback.txt", "It works.\n"}});
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.files, 2u);
    const auto files = entries(archive);
    EXPECT_EQ(files.size(), 3u);
    EXPECT_EQ(files.at("logs/orvane.log"), "line one\n");
    EXPECT_EQ(files.at("logs/old/orvane.1.log"), "older\n");
    EXPECT_EQ(files.at("feedback.txt"), "It works.\n");
    EXPECT_FALSE(tree.exists("out/feedback.zip.part"));
}

TEST(LogArchive, KeepsToItsBudgetAndReportsWhatFails) {
    TempTree tree;
    tree.fileOfSize("logs/a.log", 600);
    tree.fileOfSize("logs/b.log", 600);
    auto result = LogArchive::pack(tree.path("logs"), tree.path("small.zip"), {}, 1000);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.files, 1u);
    EXPECT_EQ(result.leftOut, std::vector<std::string>{"b.log"});

    // A missing log folder still gives an archive (with nothing but the folder).
    result = LogArchive::pack(tree.path("none"), tree.path("empty.zip"));
    EXPECT_TRUE(result.ok) << result.error;
    EXPECT_TRUE(tree.exists("empty.zip"));

    result = LogArchive::pack(tree.path("logs"), tree.path("no/such/folder/x.zip"));
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.error.empty());
    EXPECT_FALSE(tree.exists("no"));
}
