// On Windows the thread holds a reference to the module for as long as it
// runs and gives it back as it ends (FreeLibraryAndExitThread): a host may
// unload the module at any time after its last release, and the loader keeps
// it until the thread is out of it. Nothing waits for the thread, which could
// not end under the loader's lock anyway.
#include <windows.h>

#include "NoticeThread.h"

namespace {

DWORD WINAPI ThreadMain(LPVOID module) {
    NoticeThread::Run();
    FreeLibraryAndExitThread(static_cast<HMODULE>(module), 0);
}

} // namespace

bool NoticeThread::StartPlatformThread() {
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCWSTR>(&ThreadMain), &module))
        return false;
    HANDLE thread = CreateThread(nullptr, 0, &ThreadMain, module, 0, nullptr);
    if (!thread) {
        FreeLibrary(module);
        return false;
    }
    CloseHandle(thread);
    return true;
}

void NoticeThread::JoinPlatformThread() {}
