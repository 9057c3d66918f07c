#pragma once

// A label that opens a page when clicked.
#include "Label.h"

namespace Windows {

// A label that opens its URL in the program associated with ".html" when
// the left button is released over it; when that fails, it says why in a
// box owned by its parent.
struct LinkLabelContents : LabelContents {
    explicit LinkLabelContents(Window* link) : LabelContents(link) {}
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void setUrl(const char* newUrl) { url.assignText(newUrl); }
    void openUrl();

    General::String url;
};

class LinkLabel : public Window {
public:
    LinkLabel() : contents(this) {}
    HWND create(const CreateParams& params) override;

    LinkLabelContents contents;
    static const struct ClassAttributes attributes;
};

} // namespace Windows
