#include <shlobj.h>
#include <windows.h>

#include "SavedState.h"

namespace tonewell::standalone {

// Kestrin\Tonewell in the user's roaming application data. The path is in
// the code page the program's other file names use; a folder that code page
// cannot spell gets no saved state rather than a wrong file.
std::optional<std::string> SavedState::DefaultPath() {
    PWSTR folder = nullptr;
    if (FAILED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, KF_FLAG_DEFAULT, nullptr, &folder)))
        return std::nullopt;
    const std::wstring wide = std::wstring(folder) + L"\\Kestrin\\Tonewell\\last.vstpreset";
    CoTaskMemFree(folder);
    BOOL lossy = FALSE;
    const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, nullptr,
                                           0, nullptr, &lossy);
    if (length <= 1 || lossy) return std::nullopt;
    std::string path(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, path.data(), length,
                        nullptr, nullptr);
    path.resize(static_cast<std::size_t>(length - 1));
    return path;
}

} // namespace tonewell::standalone
