#pragma once

#include <atomic>
#include <functional>
#include <pluginterfaces/base/smartpointer.h>
#include <pluginterfaces/gui/iplugview.h>

namespace tonewell::standalone {

// The plug frame the program's window gives the editor's view: a resize the
// view asks for first resizes the window around it (through the handler),
// then the view itself.
class EditorPlugFrame : public Steinberg::IPlugFrame {
public:
    using ResizeHandler = std::function<void(int width, int height)>;

    static Steinberg::IPtr<EditorPlugFrame> Create(ResizeHandler onResize);

    Steinberg::tresult PLUGIN_API resizeView(Steinberg::IPlugView* view,
                                             Steinberg::ViewRect* newSize) override;

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override;
    Steinberg::uint32 PLUGIN_API release() override;

private:
    explicit EditorPlugFrame(ResizeHandler onResize) : onResize_(std::move(onResize)) {}
    virtual ~EditorPlugFrame() = default;

    ResizeHandler onResize_;
    std::atomic<Steinberg::uint32> refCount_{1};
};

} // namespace tonewell::standalone
