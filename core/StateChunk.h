#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Growable byte buffer for stored state. Values are stored little-endian
// whatever the machine; reads take a position and return the position after
// the value, or -1 when the value does not fit in the remaining bytes.
class StateChunk {
public:
    // Each append returns false (and leaves the chunk unchanged) only when
    // memory runs out.
    bool PutBytes(const void* data, size_t size);
    bool PutDouble(double value);
    bool PutInt32(int32_t value);

    // On a short read the value is zeroed and -1 returned.
    int GetBytes(void* out, size_t size, int position) const;
    int GetDouble(double* out, int position) const;
    int GetInt32(int32_t* out, int position) const;

    int Size() const { return static_cast<int>(bytes.size()); }
    const uint8_t* Data() const { return bytes.data(); }
    void Clear() { bytes.clear(); }

private:
    std::vector<uint8_t> bytes;
};
