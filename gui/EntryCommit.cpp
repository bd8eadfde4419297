#include "EntryCommit.h"

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <string>

#include "IControl.h"
#include "ICoreBase.h"
#include "IEngineParam.h"

namespace {
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
} // namespace

double EntryLeadingNumber(const char* text) {
    if (!text) return 0.0;
    const char* p = text;
    while (*p == ' ' || *p == '\t')
        ++p;
    const char* start = p;
    if (*p == '+' || *p == '-') ++p;
    const char* digits = p;
    while (IsDigit(*p))
        ++p;
    bool any = p > digits;
    if (*p == '.') {
        const char* fraction = ++p;
        while (IsDigit(*p))
            ++p;
        any = any || p > fraction;
    }
    if (!any) return 0.0;
    if (*p == 'e' || *p == 'E') {
        const char* exponent = p + 1;
        if (*exponent == '+' || *exponent == '-') ++exponent;
        if (IsDigit(*exponent)) {
            p = exponent;
            while (IsDigit(*p))
                ++p;
        }
    }
    // strtod reads the decimal point of the C library's current locale, which
    // the host may have changed; the text always uses '.'.
    std::string number(start, p);
    const char* point = std::localeconv()->decimal_point;
    if (point && point[0] != '\0' && point[0] != '.')
        std::replace(number.begin(), number.end(), '.', point[0]);
    return std::strtod(number.c_str(), nullptr);
}

void CommitEntryText(ICoreBase* plug, IControl& control, const IEngineParam& param,
                     const char* text) {
    double plain = 0.0;
    int listed = 0;
    if (text && param.ValueTextCount() > 0 && param.FindValueText(text, &listed)) {
        plain = listed;
    } else {
        plain = EntryLeadingNumber(text);
        if (param.Negated()) plain = -plain;
    }
    const int index = control.ParamIndex();
    if (plug && index >= 0) plug->BeginHostEdit(index);
    control.SetValueFromUser(param.ToNormalized(plain));
    if (plug && index >= 0) plug->EndHostEdit(index);
}
