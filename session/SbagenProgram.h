#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "ToneSpec.h"

namespace tonewell::session {

// SBaGen+'s built-in sequences, "-p drop" and "-p slide", as the points of a
// sequence: the beat tone (or silence) at each time, every point sliding
// into the next. Both fade in over 5 s before the sequence and out over 10 s
// after it.
//
//   drop [t<drop>,<hold>,<wake>] <level><depth>[s|k][+][^][@][/<amp>]
//     level 00..99 (decimals allowed): the carrier falls by 5 Hz to 200 - 2 * level;
//     depth a..l: the beat falls exponentially from 10 Hz to 4.4 .. 0.3 Hz;
//     3-minute steps by default, 1-minute steps with k, a smooth slide with s;
//     + holds the deepest beat while the carrier keeps falling, ^ slides back up
//     to the first frequencies at the end, @ pulses instead of beating.
//   slide [t<minutes>] <carrier><+|-|@><beat>/<amp>
//     the beat stays while the carrier slides down to half of it.
class SbagenProgram {
public:
    struct Point {
        double seconds = 0.0;
        bool sounding = false; // false: silence
        ToneSpec tone;
    };
    struct Error {
        std::size_t word = 0;   // index into the words given
        std::size_t offset = 0; // byte within that word
        std::string what;       // what was expected
    };

    // Reads the program from `words` (its name first) and stops before the
    // tone specs that follow it; `used` is the number of words read. Throws Error.
    static std::vector<Point> Read(const std::vector<std::string_view>& words, std::size_t& used);

private:
    static std::vector<Point> Drop(const std::vector<std::string_view>& words, std::size_t& used);
    static std::vector<Point> Slide(const std::vector<std::string_view>& words, std::size_t& used);
};

} // namespace tonewell::session
