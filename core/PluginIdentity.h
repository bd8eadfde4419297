#pragma once

#include <cstdint>

// Big-endian four-character code, as a host reads plug-in and maker ids.
constexpr uint32_t FourCharCode(const char (&code)[5]) {
    return static_cast<uint32_t>(static_cast<unsigned char>(code[0])) << 24 |
           static_cast<uint32_t>(static_cast<unsigned char>(code[1])) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(code[2])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(code[3]));
}

// Who a plug-in is and what it offers a host, written once per plug-in and
// handed to the core, the format adapter and the module's factory.
struct PluginIdentity {
    const char* name = "";
    const char* productName = "";
    const char* vendor = "";
    const char* url = "";
    const char* email = "";
    // The format's sub-categories, '|'-separated ("Instrument").
    const char* subCategories = "";
    int versionMajor = 1;
    int versionMinor = 0;
    int versionPatch = 0;
    const char* versionText = "1.0.0";
    uint32_t uniqueId = 0;
    uint32_t makerId = 0;
    // Legal channel configurations, "in-out" pairs separated by spaces.
    const char* channelIO = "";
    int numParams = 0;
    int numPresets = 0;
    int latency = 0;
    bool receivesMidi = false;
    bool savesChunks = false;
    bool isInstrument = false;
    int sideChainChannels = 0;

    // The core's vendor version word: the major number in the upper 16 bits,
    // minor and patch as two decimal digits in bits 8-15 (2.3.0 -> 0x21E00),
    // which is why the editor drops the last digit to show "v2.3".
    constexpr int32_t VersionWord() const {
        return static_cast<int32_t>(versionMajor) << 16 |
               static_cast<int32_t>(versionMinor * 10 + versionPatch) << 8;
    }
    // Whether VersionWord() can hold the three numbers.
    constexpr bool VersionFitsWord() const {
        return versionMajor >= 0 && versionMajor <= 0x7FFF && versionMinor >= 0 &&
               versionPatch >= 0 && versionPatch <= 9 && versionMinor * 10 + versionPatch <= 0xFF;
    }
};
