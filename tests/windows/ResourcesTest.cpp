#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "resources/ResourceIds.h"
#include "BuildVersion.h"

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

    // The lettering, every pixel not of the band's colour, fills columns 12
    // to 256 and rows 4 to 18 from the top.
    const auto* palette = reinterpret_cast<const RGBQUAD*>(header + 1);
    const auto* pixels = reinterpret_cast<const BYTE*>(palette + (header->biClrUsed != 0 ? header->biClrUsed : 256));
    const int stride = (header->biWidth + 3) / 4 * 4;
    int left = header->biWidth, right = -1, top = header->biHeight, bottom = -1;
    for (int row = 0; row < header->biHeight; ++row) {
        for (int column = 0; column < header->biWidth; ++column) {
            const RGBQUAD& colour = palette[pixels[(header->biHeight - 1 - row) * stride + column]];
            if (colour.rgbRed == 255 && colour.rgbGreen == 255 && colour.rgbBlue == 204)
                continue;
            left = std::min(left, column);
            right = std::max(right, column);
            top = std::min(top, row);
            bottom = std::max(bottom, row);
        }
    }
    EXPECT_EQ(left, 12);
    EXPECT_EQ(right, 256);
    EXPECT_EQ(top, 4);
    EXPECT_EQ(bottom, 18);
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

TEST_F(ShippedResources, AcceleratorsTurnTheKeysIntoTheirCommands)
{
    HACCEL table = LoadAcceleratorsA(module, MAKEINTRESOURCEA(IDA_ACCELERATORS));
    ASSERT_NE(table, nullptr);
    ACCEL entries[8];
    ASSERT_EQ(CopyAcceleratorTableA(table, entries, 8), 4);
    const WORD keys[] = {VK_F5, 'F', 'C', 'C'}, commands[] = {IDM_REFRESH, IDM_FIND, IDM_COPY, IDM_COPY_ALL};
    const BYTE flags[] = {FVIRTKEY | FNOINVERT, FVIRTKEY | FNOINVERT | FCONTROL, FVIRTKEY | FNOINVERT | FCONTROL,
                          FVIRTKEY | FNOINVERT | FCONTROL | FSHIFT};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(entries[i].key, keys[i]);
        EXPECT_EQ(entries[i].cmd, commands[i]);
        EXPECT_EQ(entries[i].fVirt & (FVIRTKEY | FNOINVERT | FSHIFT | FCONTROL | FALT), flags[i]);
    }
    DestroyAcceleratorTable(table);
}

TEST_F(ShippedResources, VersionNamesTheProduct)
{
    const DWORD size = GetFileVersionInfoSizeA(TARNWICK_EXE_PATH, nullptr);
    ASSERT_GT(size, 0u) << GetLastError();
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(TARNWICK_EXE_PATH, 0, size, block.data()));
    const struct {
        const char* name;
        const char* value;
    } values[] = {
        {"ProductName", "Tarnwick Orrimel"},
        {"ProductVersion", TARNWICK_VERSION},
        {"OriginalFilename", "TarnwickOrrimel.exe"},
    };
    for (const auto& expected : values) {
        const std::string key = std::string("\\StringFileInfo\\040904b0\\") + expected.name;
        char* value = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueA(block.data(), key.c_str(), reinterpret_cast<void**>(&value), &length)) << key;
        EXPECT_STREQ(value, expected.value) << key;
    }
}

// A 64-bit executable whose manifest names x86 is refused at start; UTF-8
// as the active code page gives the A calls names in any script; without
// the DPI awareness Windows would stretch the window's finished picture.
TEST_F(ShippedResources, ManifestNamesThisBuildsArchitectureAndUtf8)
{
    DWORD size = 0;
    auto* manifest = static_cast<const char*>(data(RT_MANIFEST, MAKEINTRESOURCEA(1), &size));
    ASSERT_NE(manifest, nullptr);
    const std::string text(manifest, size);
    for (const std::string& expected :
         {std::string("processorArchitecture=\"") + (sizeof(void*) == 8 ? "amd64" : "x86") + "\"",
          std::string("<activeCodePage xmlns=\"http://schemas.microsoft.com/SMI/2019/WindowsSettings\">UTF-8"
                      "</activeCodePage>"),
          std::string("<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true/pm</dpiAware>"),
          std::string("<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">"
                      "PerMonitorV2, PerMonitor</dpiAwareness>")})
        EXPECT_NE(text.find(expected), std::string::npos) << expected;
}
