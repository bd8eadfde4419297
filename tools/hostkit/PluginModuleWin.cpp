#include <windows.h>

#include "PluginModule.h"
#include "Utf16.h"

namespace tonewell::hostkit {

namespace {

using EntryFunction = bool (*)();
using ExitFunction = bool (*)();

// Wine runs Windows programs on a Unix file system whose root is drive Z:,
// so an absolute Unix path is turned into Z:\... for LoadLibraryW.
std::wstring ToWindowsPath(const std::string& path) {
    std::string windowsPath = path;
    if (!windowsPath.empty() && windowsPath[0] == '/') windowsPath = "Z:" + windowsPath;
    for (char& c : windowsPath)
        if (c == '/') c = '\\';
    std::u16string wide = ToUtf16(windowsPath);
    return std::wstring(wide.begin(), wide.end());
}

// Through void* so that GCC accepts the cast to the export's real type.
void* Export(void* handle, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}

} // namespace

std::unique_ptr<PluginModule> PluginModule::Load(const std::string& path, std::string& error) {
    std::wstring windowsPath = ToWindowsPath(path);
    DWORD attributes =
        path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(windowsPath.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        error = "module file not found: " + path;
        return nullptr;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        error = "module path is not a file: " + path;
        return nullptr;
    }
    std::unique_ptr<PluginModule> module(new PluginModule);
    module->path_ = path;
    // No error dialog for a file that is not a library.
    UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    module->handle_ = LoadLibraryW(windowsPath.c_str());
    DWORD loadError = GetLastError();
    SetErrorMode(oldMode);
    if (!module->handle_) {
        error = "cannot load module " + path + ": error " + std::to_string(loadError);
        return nullptr;
    }
    module->getFactory_ =
        reinterpret_cast<GetFactoryFunction>(Export(module->handle_, "GetPluginFactory"));
    if (!module->getFactory_) {
        error = "module has no GetPluginFactory export: " + path;
        return nullptr;
    }
    // InitDll is optional for Windows modules.
    if (auto entry = reinterpret_cast<EntryFunction>(Export(module->handle_, "InitDll"))) {
        if (!entry()) {
            error = "InitDll failed: " + path;
            return nullptr;
        }
    }
    module->entered_ = true;
    if (!module->AdoptFactory(error)) return nullptr;
    return module;
}

PluginModule::~PluginModule() {
    factory_ = nullptr;
    if (entered_ && handle_) {
        if (auto exit = reinterpret_cast<ExitFunction>(Export(handle_, "ExitDll"))) exit();
    }
    if (handle_) FreeLibrary(static_cast<HMODULE>(handle_));
}

} // namespace tonewell::hostkit
