#include <gtest/gtest.h>

#include "core/files/FileType.h"
#include "core/files/IgnoresPathExtention.h"

using namespace orvane::files;

TEST(FileType, ClassifiesByLowerCasedExtension) {
    EXPECT_EQ(fileTypeOfPath("/x/MOVIE.MOV"), FileType::video);
    EXPECT_EQ(fileTypeOfPath("/x/song.Mp3"), FileType::audio);
    EXPECT_EQ(fileTypeOfPath("/x/a.JPEG"), FileType::picture);
    EXPECT_EQ(fileTypeOfPath("/x/report.pdf"), FileType::document);
    EXPECT_EQ(fileTypeOfPath("/x/archive.zip"), FileType::other);
}

TEST(FileType, TablesDecideOverlapsAndOddNames) {
    EXPECT_EQ(fileTypeOfPath("clip.asf"), FileType::audio);  // the audio table holds asf
    EXPECT_EQ(fileTypeOfPath("scan.raw"), FileType::picture);
    EXPECT_EQ(fileTypeOfPath("/x/README"), FileType::other);
    EXPECT_EQ(fileTypeOfPath("/x/.mp4"), FileType::other);  // a leading dot is no extension
    EXPECT_EQ(fileTypeOfPath("/x/name."), FileType::other);
    EXPECT_EQ(fileTypeOfPath("/x.mp4/name"), FileType::other);  // only the last component
    EXPECT_EQ(fileTypeOfPath("/x/a.averyveryverylongextension"), FileType::other);
    EXPECT_EQ(fileTypeOfPath("/x/a.tar.MPEG4"), FileType::video);
}

TEST(FileType, EveryTableEntryClassifiesToItsOwnKindUnlessAnEarlierTableHoldsIt) {
    for (auto ext : VideoFormat::allCases)
        EXPECT_EQ(fileTypeForExtension(ext), FileType::video) << ext;
    for (auto ext : AudioFormat::allCases)
        EXPECT_EQ(fileTypeForExtension(ext), FileType::audio) << ext;
    for (auto ext : PictureFormat::allCases)
        EXPECT_EQ(fileTypeForExtension(ext), FileType::picture) << ext;
    for (auto ext : DocumentFormat::allCases)
        EXPECT_EQ(fileTypeForExtension(ext), FileType::document) << ext;
}

TEST(IgnoresPathExtention, MatchesWholeExtensionsInAnyCase) {
    EXPECT_TRUE(IgnoresPathExtention::contains("json"));
    EXPECT_TRUE(IgnoresPathExtention::contains("JSON"));
    EXPECT_TRUE(IgnoresPathExtention::contains("Framework"));
    EXPECT_TRUE(IgnoresPathExtention::contains("m"));
    EXPECT_FALSE(IgnoresPathExtention::contains("mp"));
    EXPECT_FALSE(IgnoresPathExtention::contains("jso"));
    EXPECT_FALSE(IgnoresPathExtention::contains(""));
    EXPECT_EQ(IgnoresPathExtention::allCases.size(), 20u);
}
