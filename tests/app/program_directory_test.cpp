#include "app/program_directory.h"

#include "platform/kernel.h"

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
        EXPECT_EQ(std::u16string(FindFileNamePart(r.path)), r.name) << platform::ToUtf8(r.path);
    }
}

TEST(ProgramDirectory, IsTheExecutablesFolderWithItsSeparator) {
    platform::testing::SetModuleFileName("/srv/maps/viewer/tarvo");
    WCHAR directory[MAX_PATH];
    GetProgramDirectory(directory);
    platform::testing::SetModuleFileName("");
    EXPECT_EQ(std::u16string(directory), u"/srv/maps/viewer/");
}

} // namespace
