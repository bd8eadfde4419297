// The module's version resource, read back the way Windows Explorer reads a
// file's properties.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include <windows.h>

namespace {

// Wine's drive Z: is the Unix root.
std::wstring ModulePath() {
    std::string path = TONEWELL_MODULE_PATH;
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

} // namespace

TEST(VersionResource, NamesCompanyProductAndVersion) {
    const std::wstring path = ModulePath();
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
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));

    EXPECT_EQ(Text(block, "CompanyName"), "Kestrin");
    EXPECT_EQ(Text(block, "ProductName"), "Tonewell");
    EXPECT_EQ(Text(block, "FileVersion"), "2.3.0");
    EXPECT_EQ(Text(block, "ProductVersion"), "2.3.0");
    EXPECT_EQ(Text(block, "OriginalFilename"), "Tonewell.vst3");
    EXPECT_EQ(Text(block, "FileDescription").rfind("Tonewell - ", 0), 0u);
    EXPECT_NE(Text(block, "LegalCopyright").find("Kestrin"), std::string::npos);
}
