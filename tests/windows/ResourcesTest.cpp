#include <gtest/gtest.h>

#include <windows.h>

#include "resources/ResourceIds.h"

namespace {

#pragma pack(push, 2)
struct IconDirectoryEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
struct IconDirectory {
    WORD reserved, type, count;
    IconDirectoryEntry entries[1];
};
#pragma pack(pop)

// The shipped executable, opened for its resources only.
struct ShippedResources : ::testing::Test {
    void SetUp() override
    {
        module = LoadLibraryExA(TARNWICK_EXE_PATH, nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module, nullptr) << TARNWICK_EXE_PATH << " " << GetLastError();
    }
    void TearDown() override
    {
        if (module != nullptr)
            FreeLibrary(module);
    }
    const void* data(LPCSTR type, LPCSTR name, DWORD* size = nullptr)
    {
        HRSRC found = FindResourceA(module, name, type);
        if (found == nullptr)
            return nullptr;
        if (size != nullptr)
            *size = SizeofResource(module, found);
        return LockResource(LoadResource(module, found));
    }
    HMODULE module = nullptr;
};

} // namespace

TEST_F(ShippedResources, BannerIs265By24At8BitsBottomUp)
{
    auto* header = static_cast<const BITMAPINFOHEADER*>(data(RT_BITMAP, MAKEINTRESOURCEA(IDB_BANNER)));
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->biWidth, 265);
    EXPECT_EQ(header->biHeight, 24); // positive: rows stored bottom-up
    EXPECT_EQ(header->biBitCount, 8);
    EXPECT_EQ(header->biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_TRUE(header->biClrUsed == 0 || header->biClrUsed == 256) << header->biClrUsed;
}

TEST_F(ShippedResources, IconGroupHoldsThreeSizes)
{
    auto* group = static_cast<const IconDirectory*>(data(RT_GROUP_ICON, MAKEINTRESOURCEA(IDI_PROGRAM)));
    ASSERT_NE(group, nullptr);
    ASSERT_EQ(group->count, 3);
    int sizes = 0;
    for (int i = 0; i < 3; ++i) {
        const IconDirectoryEntry& entry = group->entries[i];
        sizes |= entry.width == 16 ? 1 : entry.width == 32 ? 2 : entry.width == 48 ? 4 : 0;
        EXPECT_EQ(entry.width, entry.height);
        // 16 colours for the small image, 256 for the others.
        EXPECT_EQ(entry.bitCount, entry.width == 16 ? 4 : 8) << int(entry.width);
    }
    EXPECT_EQ(sizes, 7);
}

TEST_F(ShippedResources, AcceleratorTurnsF5IntoTheRefreshCommand)
{
    HACCEL table = LoadAcceleratorsA(module, MAKEINTRESOURCEA(IDA_ACCELERATORS));
    ASSERT_NE(table, nullptr);
    ACCEL entries[4];
    ASSERT_EQ(CopyAcceleratorTableA(table, entries, 4), 1);
    EXPECT_EQ(entries[0].key, VK_F5);
    EXPECT_EQ(entries[0].cmd, IDM_REFRESH);
    EXPECT_EQ(entries[0].fVirt & (FVIRTKEY | FNOINVERT | FSHIFT | FCONTROL | FALT), FVIRTKEY | FNOINVERT);
    DestroyAcceleratorTable(table);
}

TEST_F(ShippedResources, VersionNamesTheProduct)
{
    DWORD size = 0;
    auto* version = static_cast<const BYTE*>(data(RT_VERSION, MAKEINTRESOURCEA(1), &size));
    ASSERT_NE(version, nullptr);
    const char* product = "P\0r\0o\0d\0u\0c\0t\0N\0a\0m\0e\0\0\0";
    const char* name = "T\0a\0r\0n\0w\0i\0c\0k\0 \0O\0r\0r\0i\0m\0e\0l\0";
    bool found = false;
    for (DWORD i = 0; i + 56 < size && !found; ++i)
        found = memcmp(version + i, product, 24) == 0;
    EXPECT_TRUE(found);
    found = false;
    for (DWORD i = 0; i + 32 < size && !found; ++i)
        found = memcmp(version + i, name, 32) == 0;
    EXPECT_TRUE(found);
}
