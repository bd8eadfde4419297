#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

// One automatable engine parameter: its value in plain units with everything
// needed to map it to and from the host's normalised 0..1 range, round it to
// its step and display it. Every user of parameters goes through these
// operations, so the mapping is the same everywhere.
class IEngineParam {
public:
    enum Kind : int32_t {
        KindNone = 0,
        KindBool = 1,
        KindInteger = 2,
        KindEnum = 3,
        KindDouble = 4,
    };

    static constexpr size_t kTextSize = 32;    // 31 characters and the terminator
    static constexpr size_t kFormatSize = 128; // room FormatValue needs at most
    static constexpr int32_t kMaxDecimals = 6;

    struct ValueTextEntry {
        int32_t value;
        char text[kTextSize];
    };

    // Initialisers, called once per parameter by the plug-in's constructor.
    void DefineContinuous(const char* name, double defaultValue, double minValue, double maxValue,
                          double step, const char* label);
    void DefineInteger(const char* name, int defaultValue, int minValue, int maxValue,
                       const char* label);
    void DefineEnum(const char* name, int defaultValue, int count, const char* label);
    void SetCurve(double newCurve);
    void SetValueText(int value, const char* text);

    double PlainValue() const { return value.load(std::memory_order_relaxed); }
    double ToNormalized() const { return ToNormalized(PlainValue()); }
    double ToNormalized(double plain) const;
    double FromNormalized(double normalized) const;
    void SetFromNormalized(double normalized);
    // Stores a plain value clamped to the range; NaN restores the default.
    void SetPlainValue(double plain);

    const char* DisplayName() const { return name; }
    const char* UnitLabel() const { return label; }
    const char* GroupName() const { return group; }
    int ValueTextCount() const { return static_cast<int>(valueTexts.size()); }
    const char* ValueText(int intValue) const;
    // The index-th display text in the order they were set (0..ValueTextCount()-1).
    const ValueTextEntry& ValueTextAt(int index) const {
        return valueTexts.at(static_cast<size_t>(index));
    }
    bool FindValueText(const char* text, int* outValue) const;
    // Display text of a plain (or, when normalized, a normalised) value.
    void FormatValue(double displayValue, bool normalized, char* outText, size_t outSize) const;

    Kind GetKind() const { return kind; }
    bool IsIntegral() const { return kind == KindBool || kind == KindInteger || kind == KindEnum; }
    double Min() const { return minValue; }
    double Max() const { return maxValue; }
    double Step() const { return step; }
    double Curve() const { return curve; }
    double Default() const { return defaultValue; }
    int32_t Decimals() const { return decimals; }
    bool Negated() const { return negated; }
    bool Automatable() const { return automatable; }

private:
    Kind kind = KindNone;
    // Set on the audio thread and on the host's UI thread, which reads it
    // without the plug-in lock.
    std::atomic<double> value{0.0};
    double minValue = 0.0;
    double maxValue = 1.0;
    double step = 1.0;
    double curve = 1.0;
    double defaultValue = 0.0;
    int32_t decimals = 0;
    char name[kTextSize] = {};
    char label[kTextSize] = {};
    char group[kTextSize] = {};
    bool negated = false;
    bool automatable = true;
    std::vector<ValueTextEntry> valueTexts;
};
