#pragma once

// A label that opens a page when clicked.
#include "Label.h"

namespace Controls {

// A label that opens its URL in the program associated with ".html" when
// the left button is released over it; when that fails, it says why in a
// box owned by its parent.
struct LinkLabelContents : LabelContents {
    explicit LinkLabelContents(Toolkit::Window* link) : LabelContents(link) {}
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void setUrl(const char* newUrl) { url.assignText(newUrl); }
    void openUrl();

    Core::String url;
};

class LinkLabel : public Toolkit::Window {
public:
    LinkLabel() : contents(this) {}
    HWND create(const Toolkit::CreateParams& params) override;

    LinkLabelContents contents;
    static const Toolkit::ClassAttributes attributes;
};

} // namespace Controls
