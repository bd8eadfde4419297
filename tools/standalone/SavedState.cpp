#include "SavedState.h"

#include <DurableFile.h>
#include <PluginInstance.h>
#include <PresetStore.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <public.sdk/source/common/memorystream.h>
#include <system_error>
#include <vector>

#include "PlayError.h"

namespace tonewell::standalone {

using namespace Steinberg;

namespace {

// The component's state handed to the controller, as a host does after it
// restores a component.
void SyncController(hostkit::PluginInstance& instance) {
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (instance.Controller() == nullptr || !instance.GetState(bytes, error)) return;
    IPtr<MemoryStream> stream = owned(new MemoryStream);
    int32 written = 0;
    if (!bytes.empty()) stream->write(bytes.data(), static_cast<int32>(bytes.size()), &written);
    stream->seek(0, IBStream::kIBSeekSet, nullptr);
    instance.Controller()->setComponentState(stream);
}

} // namespace

void SavedState::LoadPreset(hostkit::PluginInstance& instance, const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw PlayError("cannot read preset \"" + path + "\"");
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                          std::istreambuf_iterator<char>()};
    std::string error;
    if (!hostkit::PresetStore::Load(instance, bytes, error))
        throw PlayError("preset \"" + path + "\": " + error);
    SyncController(instance);
}

void SavedState::Save(hostkit::PluginInstance& instance, const std::string& path) {
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!hostkit::PresetStore::Save(instance, bytes, error))
        throw PlayError("cannot save the state: " + error);
    const std::filesystem::path target(path);
    std::error_code code;
    if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), code);
    try {
        durable::DurableFile::WriteWhole(path, bytes.data(), bytes.size());
    } catch (const durable::DurableFileError& failure) {
        throw PlayError("cannot write the state to \"" + path + "\": " + failure.Reason());
    }
}

} // namespace tonewell::standalone
