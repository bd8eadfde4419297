// Tonewell's identity, written once: the version and description come from
// the CMake project (TonewellVersion.h is generated from it), the rest is
// written here. The core, the factory, the Windows version resource and the
// bundle tools all take it from this file. The texts are macros because the
// resource compiler reads them too.
#pragma once

#include "TonewellVersion.h"

#define TONEWELL_NAME "Tonewell"
#define TONEWELL_VENDOR "Kestrin"
#define TONEWELL_URL "https://kestrin.audio"
#define TONEWELL_EMAIL ""
#define TONEWELL_COPYRIGHT "Copyright (C) Kestrin; GPL-3.0-or-later"

#ifndef RC_INVOKED
#include "EngineParam.h"
#include "PluginIdentity.h"

constexpr PluginIdentity MakeTonewellIdentity() {
    PluginIdentity id;
    id.name = TONEWELL_NAME;
    id.vendor = TONEWELL_VENDOR;
    id.url = TONEWELL_URL;
    id.email = TONEWELL_EMAIL;
    id.subCategories = "Instrument";
    id.versionMajor = TONEWELL_VERSION_MAJOR;
    id.versionMinor = TONEWELL_VERSION_MINOR;
    id.versionPatch = TONEWELL_VERSION_PATCH;
    id.versionText = TONEWELL_VERSION_TEXT;
    id.uniqueId = FourCharCode("Twlq");
    id.makerId = FourCharCode("Qxvb");
    id.channelIO = "1-1 2-2";
    id.numParams = kNumEngineParams;
    // Slots: 124 factory programs and six free ones.
    id.numPresets = 130;
    id.latency = 0;
    id.receivesMidi = true;
    id.savesChunks = false;
    id.isInstrument = true;
    id.sideChainChannels = 0;
    return id;
}

inline constexpr PluginIdentity kTonewellIdentity = MakeTonewellIdentity();
static_assert(kTonewellIdentity.VersionFitsWord(),
              "the project version must be major.minor.patch with patch <= 9 and "
              "minor * 10 + patch <= 255");
#endif
