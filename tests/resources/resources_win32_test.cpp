// The program's own resources and the example skin library, read with the
// same calls the character window and the tray icon use.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/windows_path_win32.h"

namespace {

const char* const kFrameNames[] = {"IDB_PELL1", "IDB_PELL2", "IDB_PELL3",
                                   "IDB_PELL4", "IDB_PELL5", "IDB_PELL6"};

// A frame resource must be what the shape code reads: a 32 x 32, 8-bit,
// uncompressed bitmap whose first pixel (bottom-left) is the key.
void ExpectFrame(HMODULE module, const char* name) {
    SCOPED_TRACE(name);
    HRSRC found = FindResourceA(module, name, MAKEINTRESOURCEA(2));  // RT_BITMAP
    ASSERT_NE(found, nullptr);
    ASSERT_EQ(SizeofResource(module, found), 40u + 1024u + 32u * 32u);
    const auto* header =
        static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(module, found)));
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->biWidth, 32);
    EXPECT_EQ(header->biHeight, 32);
    EXPECT_EQ(header->biBitCount, 8);
    EXPECT_EQ(header->biCompression, static_cast<DWORD>(BI_RGB));
    const auto* colours = reinterpret_cast<const RGBQUAD*>(header + 1);
    const auto* pixels = reinterpret_cast<const BYTE*>(colours + 256);
    const RGBQUAD key = colours[pixels[0]];
    EXPECT_GT(key.rgbBlue, key.rgbRed) << "key is light blue-violet";
    EXPECT_GT(key.rgbBlue, key.rgbGreen);
    EXPECT_GE(key.rgbGreen, 0x90);
    // Drawing loads the frame as a device-dependent bitmap.
    HBITMAP bitmap = LoadBitmapA(module, name);
    ASSERT_NE(bitmap, nullptr);
    BITMAP info = {};
    ASSERT_NE(GetObjectA(bitmap, sizeof info, &info), 0);
    EXPECT_EQ(info.bmWidth, 32);
    EXPECT_EQ(info.bmHeight, 32);
    DeleteObject(bitmap);
}

std::string String(HMODULE module, UINT id) {
    char text[200] = {};
    const int length = LoadStringA(module, id, text, sizeof text);
    return std::string(text, static_cast<std::size_t>(length > 0 ? length : 0));
}

TEST(ProgramResources, FramesIconsAndStrings) {
    HMODULE self = GetModuleHandleA(nullptr);
    for (const char* name : kFrameNames)
        ExpectFrame(self, name);
    for (int id : {200, 201, 202}) {
        SCOPED_TRACE(id);
        HICON icon = static_cast<HICON>(
            LoadImageA(self, MAKEINTRESOURCEA(id), IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR));
        EXPECT_NE(icon, nullptr);
        if (icon)
            DestroyIcon(icon);
    }
    EXPECT_EQ(String(self, 1), "Pell Watcher");
    EXPECT_EQ(String(self, 2), "デスクトップの新着メール通知");
}

// The version texts are stored in Unicode and must come out of the ANSI calls
// as Shift_JIS.
TEST(ProgramResources, VersionInformationInJapanese) {
    char path[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameA(nullptr, path, MAX_PATH), 0u);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> data(size);
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, data.data()));
    const struct {
        const char* key;
        std::string value;
    } cases[] = {
        {"ProductName", "Pell Watcher"},
        {"ProductVersion", "1.0.0"},
        {"FileDescription", "デスクトップの新着メール通知"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        void* value = nullptr;
        UINT length = 0;
        const std::string query = std::string("\\StringFileInfo\\041104B0\\") + c.key;
        ASSERT_TRUE(VerQueryValueA(data.data(), query.c_str(), &value, &length));
        EXPECT_EQ(std::string(static_cast<const char*>(value)), c.value);
    }
}

TEST(TestSkin, LoadsAndCarriesFramesIconsAndTip) {
#ifndef PELL_TEST_SKIN_DLL
    GTEST_SKIP() << "the example skin is not built";
#else
    HMODULE skin = LoadLibraryA(pell::testing::WindowsPath(PELL_TEST_SKIN_DLL).c_str());
    ASSERT_NE(skin, nullptr) << "error " << GetLastError();
    for (const char* name : kFrameNames)
        ExpectFrame(skin, name);
    for (int id : {201, 202}) {
        SCOPED_TRACE(id);
        EXPECT_NE(LoadIconA(skin, MAKEINTRESOURCEA(id)), nullptr);
    }
    const std::string tip = String(skin, 1);
    EXPECT_FALSE(tip.empty());
    EXPECT_NE(tip, "Pell Watcher");
    EXPECT_LE(tip.size(), 63u) << "fits the tray tip";
    // The skin's frames differ from the program's: it is another character.
    HRSRC own = FindResourceA(GetModuleHandleA(nullptr), "IDB_PELL1", MAKEINTRESOURCEA(2));
    HRSRC other = FindResourceA(skin, "IDB_PELL1", MAKEINTRESOURCEA(2));
    ASSERT_TRUE(own && other);
    const void* own_bits = LockResource(LoadResource(GetModuleHandleA(nullptr), own));
    const void* other_bits = LockResource(LoadResource(skin, other));
    EXPECT_NE(memcmp(own_bits, other_bits, SizeofResource(skin, other)), 0);
    FreeLibrary(skin);
#endif
}

}  // namespace
