// Entry points of the Windows DLL: the loader's DllMain records the module,
// the host calls InitDll and ExitDll around GetPluginFactory.
#include <string>
#include <windows.h>

#include "ModuleHandle.h"

namespace {

constexpr DWORD kMaxPathChars = 260;

std::string FolderOf(HMODULE module) {
    wchar_t path[kMaxPathChars + 1] = {};
    const DWORD length = GetModuleFileNameW(module, path, kMaxPathChars);
    if (length == 0) return {};
    std::wstring wide(path, length);
    const auto slash = wide.find_last_of(L'\\');
    wide = slash == std::wstring::npos ? std::wstring() : wide.substr(0, slash);
    if (wide.empty()) return {};
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), static_cast<int>(wide.size()),
                                          nullptr, 0, nullptr, nullptr);
    std::string folder(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), static_cast<int>(wide.size()), folder.data(),
                        bytes, nullptr, nullptr);
    return folder;
}

} // namespace

// libstdc++'s own release of the emergency pool for exceptions that it
// allocates when it starts (declared by no header; Valgrind calls it too).
namespace __gnu_cxx {
void __freeres();
} // namespace __gnu_cxx

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) RecordModuleHandle(instance, FolderOf(instance));
    // The C++ runtime is linked into this module, so each load allocates that
    // pool (some 72 KB) anew: a host unloading the module (not a process
    // ending, reserved set) gets it back, or every load and unload leaks it.
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr) __gnu_cxx::__freeres();
    return TRUE;
}

__declspec(dllexport) bool InitDll() {
    SetResourceInstance(ModuleHandle());
    return true;
}

__declspec(dllexport) bool ExitDll() {
    return true;
}

} // extern "C"
