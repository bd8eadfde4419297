#include "ProgramCatalog.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "RenderError.h"
#include "TextParsing.h"
#include "Utf16.h"

namespace tonewell::render {

using namespace Steinberg;
using namespace Steinberg::Vst;

ProgramCatalog::ProgramCatalog(IUnitInfo& units) {
    if (units.getProgramListCount() < 1) return;
    ProgramListInfo list{};
    if (units.getProgramListInfo(0, list) != kResultOk) return;
    for (int32 index = 0; index < list.programCount; ++index) {
        String128 name{};
        if (units.getProgramName(list.id, index, name) != kResultOk) name[0] = 0;
        names_.push_back(hostkit::ToUtf8(name, 128));
    }
}

int ProgramCatalog::Resolve(const std::string& numberOrName) const {
    const auto exact = std::find(names_.begin(), names_.end(), numberOrName);
    if (exact != names_.end()) return static_cast<int>(exact - names_.begin());

    const bool allDigits =
        !numberOrName.empty() && std::all_of(numberOrName.begin(), numberOrName.end(), [](char c) {
            return std::isdigit(static_cast<unsigned char>(c)) != 0;
        });
    if (allDigits) {
        const auto number = ParseInteger(numberOrName);
        if (number && *number < static_cast<long long>(names_.size()))
            return static_cast<int>(*number);
        if (names_.empty())
            throw RenderError("unknown program " + numberOrName + ": the plug-in has no programs");
        throw RenderError("unknown program " + numberOrName + ": programs are numbered 0 to " +
                          std::to_string(names_.size() - 1));
    }
    // A unique part of one name, ignoring case.
    const auto lower = [](std::string text) {
        for (auto& c : text)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return text;
    };
    const std::string part = lower(numberOrName);
    std::vector<int> matches;
    for (std::size_t index = 0; index < names_.size(); ++index) {
        if (!part.empty() && lower(names_[index]).find(part) != std::string::npos)
            matches.push_back(static_cast<int>(index));
    }
    if (matches.size() == 1) return matches.front();
    if (matches.size() > 1) {
        std::string list;
        for (std::size_t i = 0; i < matches.size() && i < 8; ++i)
            list += (i > 0 ? "; " : "") + std::to_string(matches[i]) + " \"" +
                    names_[static_cast<std::size_t>(matches[i])] + "\"";
        if (matches.size() > 8) list += "; ...";
        throw RenderError("program \"" + numberOrName + "\" matches " +
                          std::to_string(matches.size()) + " programs: " + list);
    }
    throw RenderError("unknown program \"" + numberOrName +
                      "\" (give its number, its name or a part of it; --list-programs shows "
                      "them)");
}

double ProgramCatalog::NormalizedValue(int index) const {
    if (names_.size() < 2) return 0.0;
    return static_cast<double>(index) / static_cast<double>(names_.size() - 1);
}

std::string ProgramCatalog::Listing() const {
    std::string listing;
    for (std::size_t index = 0; index < names_.size(); ++index) {
        char number[32];
        std::snprintf(number, sizeof number, "%3zu  ", index);
        listing += number + names_[index] + "\n";
    }
    return listing;
}

} // namespace tonewell::render
