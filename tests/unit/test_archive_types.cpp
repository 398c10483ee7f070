#include "TempDir.h"
#include "base/ArchiveTypes.h"

#include <gtest/gtest.h>

using namespace brak;

namespace {

TEST(ArchiveTypes, NamesAndContentsTellForeignArchives) {
    const std::pair<const char*, bool> names[] = {
        {"backup.zip", true}, {"B.ZIP", true},   {"src.tar.zst", true},  {"x.tgz", true},
        {"disc.iso", true},   {"old.7z", true},  {"notes.txt", false},   {"zip", false},
        {"brak.cfg", false},  {"guitar", false}, {"dir.zip/file", false}};
    for (const auto& [name, archive] : names)
        EXPECT_EQ(hasForeignArchiveName(name), archive) << name;

    std::string tar(512, '\0');
    tar.replace(257, 5, "ustar");
    std::string iso(ArchiveHeadBytes, '\0');
    iso.replace(0x8001, 5, "CD001");
    const std::pair<std::string, bool> heads[] = {
        {"JARSTAND....", true},
        {std::string("PK\x03\x04", 4), true},
        {"7z\xBC\xAF\x27\x1C", true},
        {"Rar!\x1A\x07\x01", true},
        {"070701", true},
        {"!<arch>\nx", true},
        {tar, true},
        {iso, true},
        {"\x1F\x8B\x08", false}, // a bare gzip stream: only its name tells
        {"[Brak]\r\nArchive=x", false},
        {"", false},
        {std::string("PK\x03", 3), false}};
    for (const auto& [head, archive] : heads)
        EXPECT_EQ(hasArchiveContent(head), archive) << head;

    brak::test::TempDir dir;
    dir.write("renamed", std::string("PK\x05\x06", 4) + std::string(18, '\0'));
    dir.write("config", "[Brak]\n");
    EXPECT_TRUE(isArchiveFile(dir.file("renamed")));
    EXPECT_FALSE(isArchiveFile(dir.file("config")));
    EXPECT_FALSE(isArchiveFile(dir.file("missing")));
    EXPECT_FALSE(isArchiveFile(dir.path()));
}

} // namespace
