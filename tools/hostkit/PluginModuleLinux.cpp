#include <dlfcn.h>
#include <sys/stat.h>

#include "PluginModule.h"

namespace tonewell::hostkit {

namespace {

using EntryFunction = bool (*)(void*);
using ExitFunction = bool (*)();

std::string LastDlError() {
    const char* text = dlerror();
    return text ? text : "unknown error";
}

} // namespace

std::unique_ptr<PluginModule> PluginModule::Load(const std::string& path, std::string& error) {
    struct stat info {};
    if (path.empty() || stat(path.c_str(), &info) != 0) {
        error = "module file not found: " + path;
        return nullptr;
    }
    if (!S_ISREG(info.st_mode)) {
        error = "module path is not a file: " + path;
        return nullptr;
    }
    std::unique_ptr<PluginModule> module(new PluginModule);
    module->path_ = path;
    dlerror();
    module->handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module->handle_) {
        // The loader's message already names the file.
        error = "cannot load module: " + LastDlError();
        return nullptr;
    }
    module->getFactory_ =
        reinterpret_cast<GetFactoryFunction>(dlsym(module->handle_, "GetPluginFactory"));
    if (!module->getFactory_) {
        error = "module has no GetPluginFactory export: " + path;
        return nullptr;
    }
    // ModuleEntry is mandatory for Linux modules; without it the module may
    // not have set up its globals, so it is not used.
    auto entry = reinterpret_cast<EntryFunction>(dlsym(module->handle_, "ModuleEntry"));
    if (!entry) {
        error = "module has no ModuleEntry export: " + path;
        return nullptr;
    }
    if (!entry(module->handle_)) {
        error = "ModuleEntry failed: " + path;
        return nullptr;
    }
    module->entered_ = true;
    if (!module->AdoptFactory(error)) return nullptr;
    return module;
}

PluginModule::~PluginModule() {
    factory_ = nullptr;
    if (entered_ && handle_) {
        if (auto exit = reinterpret_cast<ExitFunction>(dlsym(handle_, "ModuleExit"))) exit();
    }
    if (handle_) dlclose(handle_);
}

} // namespace tonewell::hostkit
