#pragma once

#include "PluginIdentity.h"
#include "pluginterfaces/base/funknown.h"

// What the plug-in registers with the module's factory: its identity and how
// to create it. The plug-in provides DescribePlugin(); the module entry and
// factory are format code.
struct PluginClassDescription {
    const PluginIdentity& identity;
    Steinberg::FUnknown* (*create)(void* context);
};

const PluginClassDescription& DescribePlugin();
