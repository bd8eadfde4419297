#include "HostKind.h"

#include <cctype>
#include <cstring>

namespace {

struct HostNameEntry {
    const char* text;
    int kind;
};

// Searched in this order; the first text found anywhere in the name wins.
constexpr HostNameEntry kHostNames[] = {
    {"entrainstudio", 29}, {"cubase", 3},      {"reaper", 1},      {"nuendo", 4},
    {"cakewalk", 5},       {"samplitude", 8},  {"fruity", 7},      {"live", 9},
    {"melodyne", 12},      {"vstmanlib", 13},  {"aulab", 14},      {"forte", 15},
    {"chainer", 16},       {"audition", 17},   {"orion", 18},      {"sawstudio", 20},
    {"logic", 21},         {"digital", 22},    {"audiomulch", 23}, {"presonus", 24},
    {"acoustica", 25},     {"garageband", 26}, {"ardour", 27},     {"wavelab", kHostKindWaveLab},
    {"brio", 30},
};

constexpr size_t kMaxHostNameLength = 127;

} // namespace

int HostKindFromName(const char* name) {
    if (!name) return 0;
    char lower[kMaxHostNameLength + 1];
    size_t length = 0;
    for (; length < kMaxHostNameLength && name[length] != '\0'; ++length)
        lower[length] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[length])));
    lower[length] = '\0';

    for (const HostNameEntry& entry : kHostNames)
        if (std::strstr(lower, entry.text)) return entry.kind;
    return 0;
}
