#include "PresetStore.h"

#include <cstring>
#include <public.sdk/source/common/memorystream.h>
#include <public.sdk/source/vst/vstpresetfile.h>

namespace tonewell::hostkit {

using namespace Steinberg;

namespace {

// The layout the SDK writes: 'VST3', a format version, the class id as 32
// characters and the offset of the chunk list; the list is 'List', a count
// and per chunk its id, offset and size.
constexpr size_t kHeaderSize = 4 + 4 + 32 + 8;
constexpr size_t kListHeadSize = 4 + 4;
constexpr size_t kListEntrySize = 4 + 8 + 8;

int64 ReadInt(const std::vector<std::uint8_t>& bytes, size_t at, size_t width) {
    uint64 value = 0;
    for (size_t i = 0; i < width; ++i)
        value |= static_cast<uint64>(bytes[at + i]) << (8 * i);
    return width == 4 ? static_cast<int32>(static_cast<uint32>(value)) : static_cast<int64>(value);
}

std::string IdAt(const std::vector<std::uint8_t>& bytes, size_t at) {
    return std::string(reinterpret_cast<const char*>(bytes.data() + at), 4);
}

IPtr<MemoryStream> StreamOf(const std::vector<std::uint8_t>& bytes) {
    IPtr<MemoryStream> stream = owned(new MemoryStream);
    int32 written = 0;
    if (!bytes.empty())
        stream->write(const_cast<std::uint8_t*>(bytes.data()), static_cast<int32>(bytes.size()),
                      &written);
    stream->seek(0, IBStream::kIBSeekSet, nullptr);
    return stream;
}

} // namespace

std::string PresetStore::ClassIdText(const TUID classId) {
    char8 text[33] = {};
    FUID::fromTUID(classId).toString(text);
    return text;
}

bool PresetStore::Save(PluginInstance& plugin, std::vector<std::uint8_t>& bytes,
                       std::string& error) {
    IPtr<MemoryStream> stream = owned(new MemoryStream);
    if (!Vst::PresetFile::savePreset(stream, FUID::fromTUID(plugin.ClassId()),
                                     plugin.Component())) {
        error = "the plug-in's state could not be written as a preset";
        return false;
    }
    auto* data = reinterpret_cast<const std::uint8_t*>(stream->getData());
    bytes.assign(data, data + stream->getSize());
    return true;
}

bool PresetStore::Check(const std::vector<std::uint8_t>& bytes, const TUID classId,
                        std::string& error) {
    const size_t size = bytes.size();
    if (size < kHeaderSize) {
        error = "truncated preset: " + std::to_string(size) + " bytes, the header alone needs " +
                std::to_string(kHeaderSize);
        return false;
    }
    if (IdAt(bytes, 0) != "VST3") {
        error = "not a VST 3 preset: it does not start with 'VST3'";
        return false;
    }
    const std::string fileClass(reinterpret_cast<const char*>(bytes.data() + 8), 32);
    const std::string ownClass = ClassIdText(classId);
    if (fileClass != ownClass) {
        error = "preset of another plug-in: class " + fileClass + ", expected " + ownClass;
        return false;
    }
    const int64 listOffset = ReadInt(bytes, 40, 8);
    if (listOffset < static_cast<int64>(kHeaderSize) ||
        static_cast<uint64>(listOffset) > size - kListHeadSize) {
        error = "truncated preset: the chunk list at offset " + std::to_string(listOffset) +
                " lies outside the " + std::to_string(size) + "-byte file";
        return false;
    }
    const size_t list = static_cast<size_t>(listOffset);
    if (IdAt(bytes, list) != "List") {
        error = "damaged preset: no chunk list at offset " + std::to_string(listOffset);
        return false;
    }
    const int64 count = ReadInt(bytes, list + 4, 4);
    if (count < 1 || static_cast<uint64>(count) > (size - list - kListHeadSize) / kListEntrySize) {
        error = "damaged preset: the chunk list claims " + std::to_string(count) +
                " entries, the file has room for " +
                std::to_string((size - list - kListHeadSize) / kListEntrySize);
        return false;
    }
    bool hasComponent = false;
    for (int64 i = 0; i < count; ++i) {
        const size_t entry = list + kListHeadSize + static_cast<size_t>(i) * kListEntrySize;
        const std::string id = IdAt(bytes, entry);
        const int64 offset = ReadInt(bytes, entry + 4, 8);
        const int64 length = ReadInt(bytes, entry + 12, 8);
        // Chunk data lies between the header and the list.
        if (offset < static_cast<int64>(kHeaderSize) || length < 0 || offset > listOffset ||
            length > listOffset - offset) {
            error = "damaged preset: chunk '" + id + "' (offset " + std::to_string(offset) + ", " +
                    std::to_string(length) + " bytes) runs past the data, which ends at " +
                    std::to_string(listOffset);
            return false;
        }
        hasComponent = hasComponent || id == "Comp";
    }
    if (!hasComponent) {
        error = "preset without a component state";
        return false;
    }
    return true;
}

bool PresetStore::Load(PluginInstance& plugin, const std::vector<std::uint8_t>& bytes,
                       std::string& error) {
    if (!Check(bytes, plugin.ClassId(), error)) return false;
    IPtr<MemoryStream> stream = StreamOf(bytes);
    if (!Vst::PresetFile::loadPreset(stream, FUID::fromTUID(plugin.ClassId()),
                                     plugin.Component())) {
        error = "the plug-in refused the preset's state";
        return false;
    }
    return true;
}

} // namespace tonewell::hostkit
