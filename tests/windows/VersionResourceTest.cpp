#include <gtest/gtest.h>

#include <windows.h>

#include "details/VersionResource.h"
#include "support/SiblingPath.h"

using namespace Details;

// A translation naming a string block the file lacks: the strings are found
// in the block that is there.
TEST(VersionReaderTest, StringsOfABlockTheTranslationDoesNotName)
{
    const std::string path = TestSupport::siblingPath("named_module.dll");
    FileVersion read;
    VersionReader().read(std::wstring(path.begin(), path.end()).c_str(), read);
    ASSERT_TRUE(read.versioned);
    EXPECT_STREQ(read.fileVersion.items, L"1.2.3.4");
    EXPECT_STREQ(read.company.items, L"Tarnwick Test Maker");
    EXPECT_STREQ(read.description.items, L"A module named in four scripts");
}
