#include "HostKind.h"

#include <gtest/gtest.h>
#include <string>

#include "CoreTestSupport.h"

TEST(HostKind, EmptyOrMissingNameIsUnknown) {
    EXPECT_EQ(HostKindFromName(""), 0);
    EXPECT_EQ(HostKindFromName(nullptr), 0);
    EXPECT_EQ(HostKindFromName("Some Other Host 1.0"), 0);
}

TEST(HostKind, MatchIgnoresLetterCaseAndPosition) {
    EXPECT_EQ(HostKindFromName("REAPER"), 1);
    EXPECT_EQ(HostKindFromName("WaveLab Pro 11.2.0"), kHostKindWaveLab);
    EXPECT_EQ(kHostKindWaveLab, 28);
    EXPECT_EQ(HostKindFromName("Steinberg Nuendo"), 4);
    EXPECT_EQ(HostKindFromName("\xC3\x9C"
                               "ber Cubase"),
              3)
        << "bytes above 127 are harmless";
}

TEST(HostKind, TableOrderWinsOverPositionInTheName) {
    EXPECT_EQ(HostKindFromName("reaper via cubase"), 3);
    EXPECT_EQ(HostKindFromName("Logic Live"), 9);
    EXPECT_EQ(HostKindFromName("EntrainStudio Live"), 29);
    EXPECT_EQ(HostKindFromName("Studio One (PreSonus)"), 24);
}

TEST(HostKind, EveryTableEntryIsRecognised) {
    const struct {
        const char* name;
        int kind;
    } hosts[] = {
        {"EntrainStudio", 29}, {"Cubase", 3},      {"Reaper", 1},      {"Nuendo", 4},
        {"Cakewalk", 5},       {"Samplitude", 8},  {"Fruity", 7},      {"Live", 9},
        {"Melodyne", 12},      {"VSTManLib", 13},  {"AULab", 14},      {"Forte", 15},
        {"Chainer", 16},       {"Audition", 17},   {"Orion", 18},      {"SAWStudio", 20},
        {"Logic", 21},         {"Digital", 22},    {"AudioMulch", 23}, {"PreSonus", 24},
        {"Acoustica", 25},     {"GarageBand", 26}, {"Ardour", 27},     {"WaveLab", 28},
        {"Brio", 30},
    };
    for (const auto& host : hosts)
        EXPECT_EQ(HostKindFromName(host.name), host.kind) << host.name;
}

TEST(HostKind, OnlyTheFirst127CharactersCount) {
    EXPECT_EQ(HostKindFromName((std::string(100, ' ') + "Reaper").c_str()), 1);
    EXPECT_EQ(HostKindFromName((std::string(121, ' ') + "Reaper").c_str()), 1);
    EXPECT_EQ(HostKindFromName((std::string(122, ' ') + "Reaper").c_str()), 0);
    EXPECT_EQ(HostKindFromName((std::string(4000, 'x') + "Reaper").c_str()), 0);
}

TEST(HostKind, CoreStoresTheIdentifiedHost) {
    Journal journal;
    RecordingCore core(journal);
    EXPECT_EQ(core.HostKind(), -1);
    core.IdentifyHost("Cubase 13", 0);
    EXPECT_EQ(core.HostKind(), 3);
    EXPECT_EQ(core.HostVersion(), 0);
    core.IdentifyHost(nullptr, 7);
    EXPECT_EQ(core.HostKind(), 0);
    EXPECT_EQ(core.HostVersion(), 7);
}
