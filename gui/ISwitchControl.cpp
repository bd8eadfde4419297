#include "ISwitchControl.h"

namespace {
// Slack above 1 so that the sum of frame steps reaching the last state is not
// mistaken for a step beyond it.
constexpr double kWrapAbove = 1.001;
} // namespace

ISwitchControl::ISwitchControl(ICoreBase* plug, int x, int y, int paramIndex, const IImage& image,
                               const IBlend& blend)
    : IBitmapControl(plug, IBounds::FromSize(x, y, image.width / image.FrameCount(), image.height),
                     paramIndex, image, blend, false) {}

void ISwitchControl::MouseDown(int, int, const IMouseKeys& keys) {
    if (keys.right) {
        PromptValueEntry();
    } else {
        const int frames = image.FrameCount();
        value += frames < 2 ? 1.0 : 1.0 / (frames - 1);
    }
    if (value > kWrapAbove) value = 0.0;
    MarkDirty(true);
}
