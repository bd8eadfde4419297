#pragma once

#include <array>

// The built-in programs: one value per engine parameter, in parameter order.
struct FactoryProgram {
    const char* name;
    double frequency;
    double beat;
    double tuning;
    int wave;
    int beats;
    int panReverse;
    int attack;
    int release;
    int fade;
    int volume;
    int mode;
    int centerFreq;
};

constexpr int kNumFactoryPrograms = 124;
constexpr const char* kDefaultProgramName = "---- default ----";

const std::array<FactoryProgram, kNumFactoryPrograms>& FactoryPrograms();
