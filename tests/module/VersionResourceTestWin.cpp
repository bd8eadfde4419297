// The version resources of the module and of Tonewell.exe, read back the way
// Windows Explorer reads a file's properties, and the program's icon, as the
// shell finds it in the file's resource table.
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>
#include <windows.h>

namespace {

// Wine's drive Z: is the Unix root.
std::wstring WindowsPath(std::string path) {
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    return std::wstring(path.begin(), path.end());
}

std::string Text(const std::vector<char>& block, const std::string& name) {
    const std::string key = "\\StringFileInfo\\040904B0\\" + name;
    const std::wstring wideKey(key.begin(), key.end());
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), wideKey.c_str(), &value, &length) || length == 0)
        return "<missing>";
    const auto* wide = static_cast<const wchar_t*>(value);
    std::string text;
    for (UINT i = 0; i < length && wide[i]; ++i)
        text += wide[i] < 0x80 ? static_cast<char>(wide[i]) : '?';
    return text;
}

// Checks the fixed and the text parts of a file's version resource.
void ExpectVersion(const std::wstring& path, DWORD fileType, const std::string& originalName) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    ASSERT_GT(size, 0u) << "no version resource, error " << GetLastError();
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(3, 2));
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(3, 2));
    EXPECT_EQ(fixed->dwFileType, fileType);

    EXPECT_EQ(Text(block, "CompanyName"), "Kestrin");
    EXPECT_EQ(Text(block, "ProductName"), "Tonewell");
    EXPECT_EQ(Text(block, "FileVersion"), "2.3.0");
    EXPECT_EQ(Text(block, "ProductVersion"), "2.3.0");
    EXPECT_EQ(Text(block, "OriginalFilename"), originalName);
    EXPECT_EQ(Text(block, "FileDescription").rfind("Tonewell", 0), 0u);
    EXPECT_NE(Text(block, "LegalCopyright").find("Kestrin"), std::string::npos);
}

BOOL CALLBACK CollectName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR names) {
    reinterpret_cast<std::vector<LPWSTR>*>(names)->push_back(name);
    return TRUE;
}

} // namespace

TEST(VersionResource, NamesCompanyProductAndVersion) {
    ExpectVersion(WindowsPath(TONEWELL_MODULE_PATH), VFT_DLL, "Tonewell.vst3");
}

TEST(ProgramResources, VersionAndIconInEverySizeWindowsUses) {
    const std::wstring path = WindowsPath(TONEWELL_PROGRAM_PATH);
    ExpectVersion(path, VFT_APP, "Tonewell.exe");

    HMODULE program = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(program, nullptr) << "error " << GetLastError();
    std::vector<LPWSTR> groups;
    EnumResourceNamesW(program, MAKEINTRESOURCEW(14) /* RT_GROUP_ICON */, CollectName,
                       reinterpret_cast<LONG_PTR>(&groups));
    ASSERT_EQ(groups.size(), 1u) << "the file's icon is its first icon group";

    // The group's directory, then each size the shell would pick from it.
    HRSRC found = FindResourceW(program, groups[0], MAKEINTRESOURCEW(14));
    ASSERT_NE(found, nullptr);
    auto* directory = static_cast<BYTE*>(LockResource(LoadResource(program, found)));
    ASSERT_NE(directory, nullptr);
    std::set<int> sizes;
    for (int size : {16, 20, 24, 32, 40, 48, 64, 256}) {
        const int id = LookupIconIdFromDirectoryEx(directory, TRUE, size, size, LR_DEFAULTCOLOR);
        HRSRC image =
            id ? FindResourceW(program, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(3)) : nullptr;
        ASSERT_NE(image, nullptr) << "no icon image for " << size << " pixels";
        HICON icon = CreateIconFromResourceEx(
            static_cast<BYTE*>(LockResource(LoadResource(program, image))),
            SizeofResource(program, image), TRUE, 0x00030000, 0, 0, LR_DEFAULTCOLOR);
        ASSERT_NE(icon, nullptr) << size << " pixels";
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP bitmap{};
        GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
        EXPECT_EQ(bitmap.bmWidth, size);
        EXPECT_EQ(bitmap.bmHeight, size);
        sizes.insert(bitmap.bmWidth);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
    EXPECT_EQ(sizes.size(), 8u);
    FreeLibrary(program);
}
