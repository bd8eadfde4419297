// Takes typed values off the front of a fuzzer's input; once it is used up,
// every value is zero, so any input decodes into some sequence of actions.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace tonewellfuzz {

class FuzzReader {
public:
    FuzzReader(const std::uint8_t* data, std::size_t size) : data(data), size(size) {}

    bool Empty() const { return offset >= size; }

    template <typename T> T Take() {
        T value{};
        const std::size_t count = offset < size ? std::min(sizeof value, size - offset) : 0;
        if (count > 0) std::memcpy(&value, data + offset, count);
        offset += count;
        return value;
    }

    // A whole number in [low, high].
    int Range(int low, int high) {
        const auto span = static_cast<std::uint32_t>(high - low) + 1u;
        return low + static_cast<int>(Take<std::uint16_t>() % span);
    }

    bool Flag() { return (Take<std::uint8_t>() & 1) != 0; }

    std::vector<std::uint8_t> Bytes(std::size_t count) {
        count = std::min(count, size - std::min(offset, size));
        std::vector<std::uint8_t> bytes(data + offset, data + offset + count);
        offset += count;
        return bytes;
    }

private:
    const std::uint8_t* data;
    std::size_t size;
    std::size_t offset = 0;
};

} // namespace tonewellfuzz
