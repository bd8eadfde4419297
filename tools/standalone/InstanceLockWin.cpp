#include <windows.h>

#include "InstanceLock.h"
#include "PlayError.h"

namespace tonewell::standalone {

// A named mutex of the user's session: the system lets it go with the
// process, however that ends. One state file per user, so one name.
InstanceLock::InstanceLock(const std::string&) {
    HANDLE mutex = CreateMutexW(nullptr, FALSE, L"Local\\Kestrin.Tonewell.Window");
    if (!mutex) return;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        throw PlayError(kHeldMessage);
    }
    handle_ = reinterpret_cast<std::intptr_t>(mutex);
}

InstanceLock::~InstanceLock() {
    if (handle_ != -1) CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

} // namespace tonewell::standalone
