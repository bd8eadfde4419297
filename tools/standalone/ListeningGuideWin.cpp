#include <windows.h>
// After windows.h, which it builds on.
#include <shellapi.h>

#include "ListeningGuide.h"
#include "WideTextWin.h"

namespace tonewell::standalone {

std::string ListeningGuide::ExecutableFolder() {
    std::wstring buffer(32768, L'\0');
    const DWORD length =
        GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0 || length >= buffer.size()) return {};
    buffer.resize(length);
    const std::size_t slash = buffer.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::string() : Narrow(buffer.substr(0, slash + 1));
}

bool ListeningGuide::Open(std::string& error) {
    const auto guide = Find();
    if (!guide) {
        error = "the listening guide (guide.html) is not installed beside the program";
        return false;
    }
    // Values above 32 mean the shell has handed the page to its viewer.
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", Wide(*guide).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (result <= 32) {
        error = "cannot open the listening guide " + *guide + " (no program opens web pages)";
        return false;
    }
    return true;
}

} // namespace tonewell::standalone
