#include "EditorSurface.h"
#include "IGraphicsHeadless.h"

// No window of its own yet: the editor exists for tests and snapshots, and
// the images come from the binary's compiled-in table.
std::unique_ptr<IGraphics> MakePlatformEditorSurface(ICoreBase* plug, int width, int height,
                                                     int fps, void*) {
    return std::make_unique<IGraphicsHeadless>(plug, width, height, fps);
}
