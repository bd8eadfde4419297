#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "IControl.h"
#include "ICoreBase.h"
#include "IGraphicsHeadless.h"
#include "RAST_Blit.h"
#include "RAST_MemBitmap.h"
#include "RAST_Primitives.h"

// A small plug-in core with one parameter of each kind the controls treat
// differently; it records the edits the editor sends.
class GuiTestCore : public ICoreBase {
public:
    enum Param { kLevel = 0, kSteps, kWave, kSwitch, kNumParams };

    static PluginIdentity Identity() {
        PluginIdentity id;
        id.name = "GuiTest";
        id.channelIO = "2-2";
        id.numParams = kNumParams;
        id.numPresets = 1;
        id.uniqueId = 0x47756954;
        id.isInstrument = true;
        return id;
    }

    GuiTestCore() : ICoreBase(Identity(), 1) {
        // Curve 2 on 0..100: plain 25 is normalised 0.5.
        GetParam(kLevel)->DefineContinuous("Level", 25.0, 0.0, 100.0, 0.01, "%");
        GetParam(kLevel)->SetCurve(2.0);
        GetParam(kSteps)->DefineInteger("Steps", 5, 0, 10, "");
        GetParam(kWave)->DefineEnum("Wave", 2, 4, "");
        for (const char* text : {"Sine", "Sine half", "Triangle", "Square"})
            GetParam(kWave)->SetValueText(GetParam(kWave)->ValueTextCount(), text);
        GetParam(kSwitch)->DefineEnum("Switch", 1, 2, "");
        GetParam(kSwitch)->SetValueText(0, "Off");
        GetParam(kSwitch)->SetValueText(1, "On");
    }

    void BeginHostEdit(int index) override { begun.push_back(index); }
    void NotifyHostOfEdit(int index, double normalized) override {
        edits.emplace_back(index, normalized);
    }
    void EndHostEdit(int index) override { ended.push_back(index); }
    int32_t SamplePosition() override { return 0; }
    double Tempo() override { return 120.0; }
    void TimeSignature(int* numerator, int* denominator) override {
        *numerator = 4;
        *denominator = 4;
    }
    bool EmitMidiMessage(const MidiMessage&) override { return true; }

    std::vector<int> begun, ended;
    std::vector<std::pair<int, double>> edits;
};

// A control that fills its bounds with one colour and counts its paints.
class SolidControl : public IControl {
public:
    SolidControl(ICoreBase* plug, const IBounds& bounds, int paramIndex = -1,
                 Pixel colour = RAST_MakePixel(255, 200, 40, 40))
        : IControl(plug, bounds, paramIndex), colour(colour) {}

    bool Paint(IGraphics& graphics) override {
        ++paints;
        const IBounds clip = bounds.Intersect(graphics.DrawBounds());
        if (clip.IsEmpty() || !graphics.DrawBitmap()) return true;
        RAST_FillRectangle(graphics.DrawBitmap(), clip.left, clip.top, clip.W(), clip.H(), colour,
                           1.0f, RAST_MODE_COPY);
        return true;
    }

    Pixel colour;
    int paints = 0;
};

// A control that logs the events it receives, one line each.
class EventControl : public SolidControl {
public:
    using SolidControl::SolidControl;

    void MouseDown(int x, int y, const IMouseKeys& keys) override {
        Log("down", x, y);
        SolidControl::MouseDown(x, y, keys);
    }
    void MouseUp(int x, int y, const IMouseKeys&) override { Log("up", x, y); }
    void MouseDrag(int, int, int dX, int dY, const IMouseKeys&) override { Log("drag", dX, dY); }
    void MouseDoubleClick(int x, int y, const IMouseKeys& keys) override {
        Log("double", x, y);
        SolidControl::MouseDoubleClick(x, y, keys);
    }
    void MouseOver(int x, int y, const IMouseKeys&) override { Log("over", x, y); }
    void MouseOut() override { events.push_back("out"); }
    void KeyDown(int, int, int key) override { events.push_back("key " + std::to_string(key)); }
    void PopupChoice(const char* text, int index) override {
        events.push_back("choice '" + std::string(text) + "' " + std::to_string(index));
    }

    std::vector<std::string> events;

private:
    void Log(const char* what, int a, int b) {
        events.push_back(std::string(what) + " " + std::to_string(a) + "," + std::to_string(b));
    }
};

// A headless surface that records requests for value entry.
class RecordingSurface : public IGraphicsHeadless {
public:
    using IGraphicsHeadless::IGraphicsHeadless;

    void PromptParamEntry(IControl* control, const IEngineParam* param, bool centred) override {
        prompts.push_back({control, param, centred});
    }

    struct Prompt {
        IControl* control;
        const IEngineParam* param;
        bool centred;
    };
    std::vector<Prompt> prompts;
};

// A strip of `frames` frames, each `size` pixels along the frame axis and
// filled with the frame's number in the blue channel.
struct Strip {
    Strip(int frames, int size, bool stacked)
        : bitmap(stacked ? 4 : frames * size, stacked ? frames * size : 4) {
        for (int y = 0; y < bitmap.height(); ++y)
            for (int x = 0; x < bitmap.width(); ++x)
                RAST_RowPointer(&bitmap, y)[x] =
                    RAST_MakePixel(255, 0, 0, 1 + (stacked ? y : x) / size);
        image = IImage{&bitmap, bitmap.width(), bitmap.height(), frames, 0};
    }
    RAST_MemBitmap bitmap;
    IImage image;
};

// Builds controls on a surface, then attaches it to the core the way the
// plug-in does, so the controls receive the parameters' first values.
class SurfaceFixture {
public:
    static constexpr int kWidth = 100, kHeight = 80;

    SurfaceFixture() : owned(std::make_unique<RecordingSurface>(&core, kWidth, kHeight, 30)) {
        surface = owned.get();
    }

    template <typename Control, typename... Args> Control* Add(Args&&... args) {
        auto control = std::make_unique<Control>(&core, std::forward<Args>(args)...);
        Control* raw = control.get();
        surface->AddControl(std::move(control));
        return raw;
    }

    void Attach() { core.AttachEditor(std::move(owned)); }

    GuiTestCore core;
    std::unique_ptr<RecordingSurface> owned;
    RecordingSurface* surface;
};
