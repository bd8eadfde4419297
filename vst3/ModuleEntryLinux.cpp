// Entry points a Linux host calls around GetPluginFactory.
#include <dlfcn.h>
#include <string>

#include "ModuleHandle.h"
#include "NoticeThread.h"
#include "pluginterfaces/base/fplatform.h"

namespace {
int entryCount = 0;

std::string FolderOf(void* anySymbol) {
    Dl_info info{};
    if (!dladdr(anySymbol, &info) || !info.dli_fname) return {};
    const std::string path = info.dli_fname;
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}
} // namespace

extern "C" {

SMTG_EXPORT_SYMBOL bool ModuleEntry(void* sharedLibraryHandle) {
    if (++entryCount == 1) {
        RecordModuleHandle(sharedLibraryHandle, FolderOf(reinterpret_cast<void*>(&ModuleEntry)));
        SetResourceInstance(sharedLibraryHandle);
    }
    return true;
}

SMTG_EXPORT_SYMBOL bool ModuleExit() {
    if (entryCount > 0 && --entryCount == 0) {
        // The host may unload the module next: the notice thread ends first.
        NoticeThread::Shutdown();
    }
    return true;
}

} // extern "C"
