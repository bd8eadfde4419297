#include "ProgramWindow.h"

#include <algorithm>

namespace tonewell::standalone {

OutputSettings::Choice ProgramWindow::ChoiceOf(const OutputMenu& output, int device, int rate,
                                               int buffer) {
    const auto pick = [](const std::vector<unsigned int>& list, int index, unsigned int fallback) {
        return index >= 0 && static_cast<std::size_t>(index) < list.size() ? list[index] : fallback;
    };
    OutputSettings::Choice choice;
    if (device > 0 && static_cast<std::size_t>(device) < output.devices.size())
        choice.device = output.devices[device];
    choice.rate = pick(output.rates, rate, choice.rate);
    choice.buffer = pick(output.buffers, buffer, choice.buffer);
    return choice;
}

std::array<int, 3> ProgramWindow::SelectionsOf(const OutputMenu& output,
                                               const OutputSettings::Choice& choice,
                                               const std::array<int, 3>& fallback) {
    const auto find = [](const auto& list, const auto& value, int otherwise) {
        const auto at = std::find(list.begin(), list.end(), value);
        return at == list.end() ? otherwise : static_cast<int>(at - list.begin());
    };
    return {choice.device.empty() ? 0 : find(output.devices, choice.device, fallback[0]),
            find(output.rates, choice.rate, fallback[1]),
            find(output.buffers, choice.buffer, fallback[2])};
}

} // namespace tonewell::standalone
