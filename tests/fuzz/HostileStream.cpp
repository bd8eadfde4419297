#include "HostileStream.h"

#include <algorithm>
#include <cstring>

using namespace Steinberg;

namespace tonewellfuzz {

HostileStream::HostileStream(std::vector<std::uint8_t> bytes_, const Behaviour& behaviour_)
    : bytes(std::move(bytes_)), behaviour(behaviour_) {}

tresult PLUGIN_API HostileStream::read(void* buffer, int32 numBytes, int32* numBytesRead) {
    const bool failing = behaviour.failAfterReads >= 0 && reads >= behaviour.failAfterReads;
    ++reads;
    int64 available = static_cast<int64>(bytes.size()) - std::clamp<int64>(position, 0, 1 << 30);
    int64 count = std::clamp<int64>(std::min<int64>(numBytes, available), 0, 1 << 30);
    count = std::max<int64>(count - behaviour.shortBy, 0);
    if (failing && !behaviour.deliverOnFailure) count = 0;
    if (buffer && count > 0)
        std::memcpy(buffer, bytes.data() + static_cast<size_t>(position),
                    static_cast<size_t>(count));
    position += count;
    if (numBytesRead) {
        int64 reported = count + behaviour.overReport;
        if (behaviour.negativeCount) reported = -reported - 1;
        *numBytesRead = static_cast<int32>(std::clamp<int64>(reported, INT32_MIN, INT32_MAX));
    }
    return failing ? kResultFalse : kResultOk;
}

tresult PLUGIN_API HostileStream::write(void* buffer, int32 numBytes, int32* numBytesWritten) {
    const bool failing = behaviour.failAfterWrites >= 0 && writes >= behaviour.failAfterWrites;
    ++writes;
    int32 count = failing || !buffer ? 0 : std::max(numBytes, 0);
    if (behaviour.shortWrites) count /= 2;
    const auto* from = static_cast<const std::uint8_t*>(buffer);
    if (count > 0) bytes.insert(bytes.end(), from, from + count);
    if (numBytesWritten) *numBytesWritten = count;
    return failing ? kResultFalse : kResultOk;
}

tresult PLUGIN_API HostileStream::seek(int64 pos, int32 mode, int64* result) {
    if (behaviour.seekFails) return kResultFalse;
    int64 base = mode == kIBSeekCur ? position : mode == kIBSeekEnd ? int64(bytes.size()) : 0;
    if (mode != kIBSeekSet && mode != kIBSeekCur && mode != kIBSeekEnd) return kInvalidArgument;
    const int64 target = base + pos;
    if (target < 0) return kResultFalse;
    position = std::min<int64>(target, static_cast<int64>(bytes.size()));
    if (result) *result = position + behaviour.seekSkew;
    return kResultOk;
}

tresult PLUGIN_API HostileStream::tell(int64* pos) {
    if (!pos) return kInvalidArgument;
    *pos = position + behaviour.seekSkew;
    return kResultOk;
}

tresult PLUGIN_API HostileStream::queryInterface(const TUID iid, void** obj) {
    if (FUnknownPrivate::iidEqual(iid, IBStream::iid) ||
        FUnknownPrivate::iidEqual(iid, FUnknown::iid)) {
        addRef();
        *obj = this;
        return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
}

} // namespace tonewellfuzz
