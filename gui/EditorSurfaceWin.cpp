#include "EditorSurface.h"
#include "IGraphicsWin.h"

std::unique_ptr<IGraphics> MakePlatformEditorSurface(ICoreBase* plug, int width, int height,
                                                     int fps, void* resourceModule) {
    auto surface = std::make_unique<IGraphicsWin>(plug, width, height, fps);
    surface->SetModule(resourceModule);
    return surface;
}
