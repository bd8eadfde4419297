#pragma once

#include <cstdint>
#include <pluginterfaces/base/ipluginbase.h>
#include <string>
#include <vector>

namespace tonewell::bundle {

// What a module's factory says of itself and its classes, as the module info
// file (Contents/Resources/moduleinfo.json) of a VST 3 bundle records it.
class ModuleDescription {
public:
    struct Snapshot {
        double scale = 1.0;
        std::string path; // relative to the bundle's Resources folder
    };
    struct ClassEntry {
        std::string cid; // the SDK's text form of the class id
        std::string category;
        std::string name;
        std::string vendor;
        std::string version;
        std::string sdkVersion;
        std::vector<std::string> subCategories;
        std::uint32_t classFlags = 0;
        std::int32_t cardinality = 0;
        std::vector<Snapshot> snapshots;
    };

    std::string name;
    std::string version;
    std::string vendor;
    std::string url;
    std::string email;
    std::int32_t factoryFlags = 0;
    std::vector<ClassEntry> classes;

    // Asks the factory (the Unicode class information where it offers it).
    // moduleName names the module; its version is the first class's. False
    // with error set when the factory refuses an answer.
    static bool Read(Steinberg::IPluginFactory& factory, const std::string& moduleName,
                     ModuleDescription& description, std::string& error);
    // Lists the snapshot images of each class found in resources/Snapshots:
    // <cid>_snapshot.png (scale 1) and <cid>_snapshot_<scale>x.png.
    void FindSnapshots(const std::string& resourcesDir);
    std::string ToJson() const;
};

} // namespace tonewell::bundle
