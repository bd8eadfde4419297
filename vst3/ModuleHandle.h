#pragma once

#include <string>

// The loaded module as the platform entry recorded it: its handle, its
// folder (UTF-8) and the instance handle the editor loads resources from.
void RecordModuleHandle(void* handle, const std::string& folder);
void* ModuleHandle();
const std::string& ModuleFolder();
void SetResourceInstance(void* handle);
void* ResourceInstance();
