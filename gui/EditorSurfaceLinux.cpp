#include "EditorSurface.h"
#include "IGraphicsLinux.h"

// The X11 window; the images come from the binary's compiled-in table.
std::unique_ptr<IGraphics> MakePlatformEditorSurface(ICoreBase* plug, int width, int height,
                                                     int fps, void*) {
    return std::make_unique<IGraphicsLinux>(plug, width, height, fps);
}
