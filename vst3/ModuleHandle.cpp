#include "ModuleHandle.h"

namespace {
void* moduleHandle = nullptr;
void* resourceInstance = nullptr;
std::string& Folder() {
    static std::string folder;
    return folder;
}
} // namespace

void RecordModuleHandle(void* handle, const std::string& folder) {
    moduleHandle = handle;
    Folder() = folder;
}

void* ModuleHandle() {
    return moduleHandle;
}
const std::string& ModuleFolder() {
    return Folder();
}
void SetResourceInstance(void* handle) {
    resourceInstance = handle;
}
void* ResourceInstance() {
    return resourceInstance;
}
