#include "InstrumentEditor.h"

#include <algorithm>
#include <cstdio>

#include "IControl.h"
#include "MidiMessage.h"

namespace tonewell::snapshot {

namespace {
std::unique_ptr<IGraphics> MakeHeadlessSurface(ICoreBase* plug, int width, int height, int fps,
                                               void*) {
    return std::make_unique<IGraphicsHeadless>(plug, width, height, fps);
}
} // namespace

InstrumentEditor::InstrumentEditor() : plug(std::make_unique<CLS_TONEWELL>(MakeHeadlessSurface)) {
    surface = static_cast<IGraphicsHeadless*>(plug->Surface());
    // Registering the parameters applies each once: the mode shows its layout.
    plug->initialize(nullptr);
}

InstrumentEditor::~InstrumentEditor() {
    plug->terminate();
}

bool InstrumentEditor::SelectProgram(int index) {
    return plug->ApplyPreset(index);
}

void InstrumentEditor::SetParameter(int index, double normalized) {
    PluginLock::Holder hold(plug->Lock());
    IEngineParam* param = plug->GetParam(index);
    if (!param) return;
    param->SetFromNormalized(normalized);
    plug->ApplyParameter(index);
    surface->PushParamToControls(index, param->ToNormalized(), true);
}

void InstrumentEditor::PlayNote(int note, int velocity) {
    PluginLock::Holder hold(plug->Lock());
    MidiMessage message;
    message.status = velocity > 0 ? 0x90 : 0x80;
    message.data1 = static_cast<uint8_t>(std::clamp(note, 0, 127));
    message.data2 = static_cast<uint8_t>(std::clamp(velocity, 0, 127));
    plug->HandleMidiMessage(message);
}

int InstrumentEditor::ControlOf(int paramIndex) const {
    for (int i = 0; i < surface->NumControls(); ++i)
        if (surface->GetControl(i)->ParamIndex() == paramIndex) return i;
    return -1;
}

std::string InstrumentEditor::Listing() const {
    std::string text;
    char line[256];
    for (int i = 0; i < surface->NumControls(); ++i) {
        const IControl* control = surface->GetControl(i);
        const IBounds& b = control->Bounds();
        const IEngineParam* param = plug->GetParam(control->ParamIndex());
        char shown[IEngineParam::kFormatSize] = "";
        if (param) param->FormatValue(control->Value(), true, shown, sizeof shown);
        std::snprintf(line, sizeof line, "%3d  %-12s %4d %4d %4d %4d  %.4f  %s%s%s%s\n", i,
                      param ? param->DisplayName() : (i == 0 ? "(background)" : "-"), b.left, b.top,
                      b.right, b.bottom, control->Value(), shown,
                      param && param->UnitLabel()[0] ? " " : "", param ? param->UnitLabel() : "",
                      control->IsHidden() ? "  (hidden)" : "");
        text += line;
    }
    return text;
}

} // namespace tonewell::snapshot
