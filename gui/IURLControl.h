// A transparent hot area over the background that opens a web address when
// pressed, trying a second address when the first cannot be opened.
#pragma once

#include <cstddef>

#include "IControl.h"

class IURLControl : public IControl {
public:
    static constexpr size_t kUrlSize = 256;
    static constexpr size_t kTitleSize = 1024;

    // Null or empty strings leave their field empty; longer ones are cut to
    // fit their field.
    IURLControl(ICoreBase* plug, const IBounds& bounds, const char* url, const char* backupUrl,
                const char* title);

    // Draws nothing: the link is part of the background image.
    bool Paint(IGraphics& graphics) override;
    // Either button opens the link, or the backup link when that fails.
    void MouseDown(int x, int y, const IMouseKeys& keys) override;

    const char* Url() const { return url; }
    const char* BackupUrl() const { return backupUrl; }
    const char* Title() const { return title; }

protected:
    char url[kUrlSize] = {};
    char backupUrl[kUrlSize] = {};
    char title[kTitleSize] = {};
};
