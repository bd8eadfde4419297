#include "ProgramWindow.h"

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

} // namespace tonewell::standalone
