#include "platform_testing.h"

#include "core/utf8.h"

#include "viewer/program_directory.h"

#include "platform/system/kernel.h"

#include <gtest/gtest.h>
#include <string>

namespace {

TEST(ProgramDirectory, TheFileNameStartsAfterTheLastUsefulSeparator) {
    struct Row {
        const char16_t* path;
        const char16_t* name;
    };
    const Row rows[] = {
        {u"/opt/tarvo/bin/tarvo", u"tarvo"},
        {u"tarvo", u"tarvo"},
        {u"/opt/tarvo/", u"tarvo/"}, // a trailing separator starts no name
        {u"/opt//tarvo", u"tarvo"},  // nor does the first of a doubled one
        {u"/opt/tarvo//", u"tarvo//"},
        {u"", u""},
        {u"/", u"/"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(std::u16string(FindFileNamePart(r.path)), r.name) << core::ToUtf8(r.path);
    }
}

TEST(ProgramDirectory, IsTheExecutablesFolderWithItsSeparator) {
    platform::testing::SetModuleFileName("/srv/maps/viewer/tarvo");
    WCHAR directory[MAX_PATH];
    EXPECT_TRUE(GetProgramDirectory(directory));
    EXPECT_EQ(std::u16string(directory), u"/srv/maps/viewer/");
    // A folder name that is not UTF-8 keeps its bytes.
    platform::testing::SetModuleFileName("/srv/caf\xE9/tarvo");
    EXPECT_TRUE(GetProgramDirectory(directory));
    EXPECT_EQ(core::ToUtf8(directory), "/srv/caf\xE9/");
    platform::testing::SetModuleFileName("");
}

// A path that does not fit is no folder at all: cut, it would name a parent.
TEST(ProgramDirectory, APathLongerThanTheBufferIsRefused) {
    WCHAR directory[MAX_PATH];
    const std::string fits = "/" + std::string(MAX_PATH - 8, 'a') + "/tarvo"; // 259 units
    platform::testing::SetModuleFileName(fits);
    EXPECT_TRUE(GetProgramDirectory(directory));
    const std::string longer = "/" + std::string(MAX_PATH - 7, 'a') + "/tarvo"; // 260 units
    platform::testing::SetModuleFileName(longer);
    EXPECT_FALSE(GetProgramDirectory(directory));
    EXPECT_EQ(directory[0], 0);
    platform::testing::SetModuleFileName("/" + std::string(100, 'b') + "/" + std::string(300, 'c'));
    EXPECT_FALSE(GetProgramDirectory(directory)) << "even when the cut falls in the name";
    platform::testing::SetModuleFileName("");
}

} // namespace
