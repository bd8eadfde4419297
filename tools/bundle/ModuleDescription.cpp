#include "ModuleDescription.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "JsonWriter.h"
#include "PresetStore.h"
#include "Utf16.h"

namespace tonewell::bundle {

using namespace Steinberg;
using hostkit::ToUtf8;

namespace {

std::string Field(const char8* text, size_t size) {
    return std::string(text, std::find(text, text + size, '\0'));
}

std::vector<std::string> SplitCategories(const std::string& text) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = std::min(text.find('|', start), text.size());
        if (end > start) parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

bool ReadClass(IPluginFactory& factory, int32 index, ModuleDescription::ClassEntry& entry,
               std::string& error) {
    PClassInfo info{};
    if (factory.getClassInfo(index, &info) != kResultOk) {
        error = "the factory refused getClassInfo(" + std::to_string(index) + ")";
        return false;
    }
    entry.cid = hostkit::PresetStore::ClassIdText(info.cid);
    entry.category = Field(info.category, sizeof info.category);
    entry.name = Field(info.name, sizeof info.name);
    entry.cardinality = info.cardinality;

    FUnknownPtr<IPluginFactory3> factory3(&factory);
    FUnknownPtr<IPluginFactory2> factory2(&factory);
    PClassInfoW wide{};
    PClassInfo2 info2{};
    if (factory3 && factory3->getClassInfoUnicode(index, &wide) == kResultOk) {
        entry.name = ToUtf8(wide.name, PClassInfo::kNameSize);
        entry.vendor = ToUtf8(wide.vendor, PClassInfoW::kVendorSize);
        entry.version = ToUtf8(wide.version, PClassInfoW::kVersionSize);
        entry.sdkVersion = ToUtf8(wide.sdkVersion, PClassInfoW::kVersionSize);
        entry.subCategories =
            SplitCategories(Field(wide.subCategories, PClassInfoW::kSubCategoriesSize));
        entry.classFlags = wide.classFlags;
    } else if (factory2 && factory2->getClassInfo2(index, &info2) == kResultOk) {
        entry.vendor = Field(info2.vendor, sizeof info2.vendor);
        entry.version = Field(info2.version, sizeof info2.version);
        entry.sdkVersion = Field(info2.sdkVersion, sizeof info2.sdkVersion);
        entry.subCategories =
            SplitCategories(Field(info2.subCategories, sizeof info2.subCategories));
        entry.classFlags = info2.classFlags;
    }
    return true;
}

} // namespace

bool ModuleDescription::Read(IPluginFactory& factory, const std::string& moduleName,
                             ModuleDescription& description, std::string& error) {
    PFactoryInfo info{};
    if (factory.getFactoryInfo(&info) != kResultOk) {
        error = "the factory refused getFactoryInfo";
        return false;
    }
    description = ModuleDescription();
    description.name = moduleName;
    description.vendor = Field(info.vendor, sizeof info.vendor);
    description.url = Field(info.url, sizeof info.url);
    description.email = Field(info.email, sizeof info.email);
    description.factoryFlags = info.flags;
    const int32 count = factory.countClasses();
    for (int32 i = 0; i < count; ++i) {
        ClassEntry entry;
        if (!ReadClass(factory, i, entry, error)) return false;
        description.classes.push_back(entry);
    }
    if (!description.classes.empty()) description.version = description.classes.front().version;
    return true;
}

void ModuleDescription::FindSnapshots(const std::string& resourcesDir) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::u8path(resourcesDir) / "Snapshots";
    for (ClassEntry& entry : classes) {
        entry.snapshots.clear();
        const std::string prefix = entry.cid + "_snapshot";
        std::error_code failed;
        for (fs::directory_iterator it(folder, failed), end; !failed && it != end;
             it.increment(failed)) {
            const std::string file = it->path().filename().u8string();
            if (file.size() < prefix.size() + 4 || file.compare(0, prefix.size(), prefix) != 0 ||
                file.compare(file.size() - 4, 4, ".png") != 0)
                continue;
            const std::string rest = file.substr(prefix.size(), file.size() - prefix.size() - 4);
            double scale = 1.0;
            if (!rest.empty()) {
                // "_2.0x": the scale between '_' and 'x'.
                char* stop = nullptr;
                scale = rest[0] == '_' ? std::strtod(rest.c_str() + 1, &stop) : 0.0;
                if (!stop || std::string(stop) != "x" || !(scale > 0.0)) continue;
            }
            entry.snapshots.push_back({scale, "Snapshots/" + file});
        }
        std::sort(entry.snapshots.begin(), entry.snapshots.end(),
                  [](const Snapshot& a, const Snapshot& b) { return a.scale < b.scale; });
    }
}

std::string ModuleDescription::ToJson() const {
    JsonWriter json;
    json.BeginObject();
    json.Key("Name");
    json.String(name);
    json.Key("Version");
    json.String(version);
    json.Key("Factory Info");
    json.BeginObject();
    json.Key("Vendor");
    json.String(vendor);
    json.Key("URL");
    json.String(url);
    json.Key("E-Mail");
    json.String(email);
    json.Key("Flags");
    json.BeginObject();
    json.Key("Unicode");
    json.Bool(factoryFlags & PFactoryInfo::kUnicode);
    json.Key("Classes Discardable");
    json.Bool(factoryFlags & PFactoryInfo::kClassesDiscardable);
    json.Key("Component Non Discardable");
    json.Bool(factoryFlags & PFactoryInfo::kComponentNonDiscardable);
    json.EndObject();
    json.EndObject();
    json.Key("Compatibility");
    json.BeginArray();
    json.EndArray();
    json.Key("Classes");
    json.BeginArray();
    for (const ClassEntry& entry : classes) {
        json.BeginObject();
        json.Key("CID");
        json.String(entry.cid);
        json.Key("Category");
        json.String(entry.category);
        json.Key("Name");
        json.String(entry.name);
        json.Key("Vendor");
        json.String(entry.vendor);
        json.Key("Version");
        json.String(entry.version);
        json.Key("SDKVersion");
        json.String(entry.sdkVersion);
        json.Key("Sub Categories");
        json.BeginArray();
        for (const std::string& sub : entry.subCategories)
            json.String(sub);
        json.EndArray();
        json.Key("Class Flags");
        json.Integer(entry.classFlags);
        json.Key("Cardinality");
        json.Integer(entry.cardinality);
        json.Key("Snapshots");
        json.BeginArray();
        for (const Snapshot& snapshot : entry.snapshots) {
            json.BeginObject();
            json.Key("Scale Factor");
            json.Real(snapshot.scale);
            json.Key("Path");
            json.String(snapshot.path);
            json.EndObject();
        }
        json.EndArray();
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
    return json.Text();
}

} // namespace tonewell::bundle
