#pragma once

#include <cstdint>

#include "pluginterfaces/base/funknown.h"

// What the plug-in registers with the module's factory. The plug-in provides
// DescribePlugin(); the module entry and factory are format code.
struct PluginClassDescription {
    const char* vendor;
    const char* url;
    const char* email;
    const char* name;
    const char* category;
    const char* subCategories;
    const char* version;
    uint32_t makerId;
    uint32_t uniqueId;
    Steinberg::FUnknown* (*create)(void* context);
};

const PluginClassDescription& DescribePlugin();
