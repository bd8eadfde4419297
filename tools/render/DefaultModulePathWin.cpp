#include <cstdlib>
#include <windows.h>

#include "DefaultModulePath.h"

namespace tonewell::render {

namespace {

// The programs sit at the top of the build folder, beside the Tonewell.vst3 bundle.
constexpr const char* kRelativePath = "Tonewell.vst3\\Contents\\x86_64-win\\Tonewell.vst3";

std::string ToUtf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    if (size <= 0) return {};
    std::string result(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size,
                        nullptr, nullptr);
    return result;
}

// The folder of this program with a trailing separator; empty when Windows
// cannot tell (or the path does not fit the longest one it allows).
std::string ExecutableFolder() {
    std::wstring buffer(32768, L'\0');
    const DWORD length =
        GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0 || length >= buffer.size()) return {};
    buffer.resize(length);
    const std::size_t slash = buffer.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::string() : ToUtf8(buffer.substr(0, slash + 1));
}

bool Readable(const std::string& path) {
    const int size = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, nullptr, 0);
    if (size <= 0) return false;
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, wide.data(), size);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

std::vector<std::string> ModuleCandidates(const std::string& executableFolder, const char* home) {
    const std::string relative = kRelativePath;
    std::vector<std::string> candidates{executableFolder + relative};
    if (home && *home) candidates.push_back(std::string(home) + "\\VST3\\" + relative);
    return candidates;
}

std::string DefaultModulePath() {
    const wchar_t* common = _wgetenv(L"CommonProgramFiles");
    const std::string commonFolder = common ? ToUtf8(common) : std::string();
    const std::vector<std::string> candidates =
        ModuleCandidates(ExecutableFolder(), commonFolder.c_str());
    for (const std::string& candidate : candidates)
        if (Readable(candidate)) return candidate;
    return candidates.front();
}

} // namespace tonewell::render
