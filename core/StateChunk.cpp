#include "StateChunk.h"

#include <cstring>
#include <new>
#include <stdexcept>

namespace {

uint64_t DoubleBits(double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

double BitsToDouble(uint64_t bits) {
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void EncodeLittleEndian(uint64_t bits, uint8_t* out, int count) {
    for (int i = 0; i < count; ++i)
        out[i] = static_cast<uint8_t>(bits >> (8 * i));
}

uint64_t DecodeLittleEndian(const uint8_t* in, int count) {
    uint64_t bits = 0;
    for (int i = 0; i < count; ++i)
        bits |= static_cast<uint64_t>(in[i]) << (8 * i);
    return bits;
}

} // namespace

bool StateChunk::PutBytes(const void* data, size_t size) {
    try {
        const auto* first = static_cast<const uint8_t*>(data);
        bytes.insert(bytes.end(), first, first + size);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
}

bool StateChunk::PutDouble(double value) {
    uint8_t encoded[8];
    EncodeLittleEndian(DoubleBits(value), encoded, 8);
    return PutBytes(encoded, sizeof encoded);
}

bool StateChunk::PutInt32(int32_t value) {
    uint8_t encoded[4];
    EncodeLittleEndian(static_cast<uint32_t>(value), encoded, 4);
    return PutBytes(encoded, sizeof encoded);
}

int StateChunk::GetBytes(void* out, size_t size, int position) const {
    if (position < 0 || static_cast<size_t>(position) > bytes.size() ||
        bytes.size() - static_cast<size_t>(position) < size) {
        std::memset(out, 0, size);
        return -1;
    }
    std::memcpy(out, bytes.data() + position, size);
    return position + static_cast<int>(size);
}

int StateChunk::GetDouble(double* out, int position) const {
    uint8_t encoded[8];
    const int next = GetBytes(encoded, sizeof encoded, position);
    *out = next < 0 ? 0.0 : BitsToDouble(DecodeLittleEndian(encoded, 8));
    return next;
}

int StateChunk::GetInt32(int32_t* out, int position) const {
    uint8_t encoded[4];
    const int next = GetBytes(encoded, sizeof encoded, position);
    *out = next < 0 ? 0 : static_cast<int32_t>(DecodeLittleEndian(encoded, 4));
    return next;
}
