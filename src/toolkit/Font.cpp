// The program's fonts, made at a DPI.
#include "Font.h"

#include "Dpi.h"
#include "core/Errors.h"

using namespace Core;

namespace Toolkit {

HFONT madeFont(int height, int weight, DWORD underline, int dpi)
{
    HFONT font = CreateFontA(-scaled(height, dpi), 0, 0, 0, weight, 0, underline, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                             "Verdana");
    if (font == nullptr)
        throw WindowsError(GetLastError());
    return font;
}

Font::Font(int fontHeight, int fontWeight, DWORD fontUnderline)
    : height(fontHeight), weight(fontWeight), underline(fontUnderline),
      handle(madeFont(fontHeight, fontWeight, fontUnderline, 96))
{
}

GdiObject Font::remake(int dpi)
{
    HFONT replaced = handle;
    handle = madeFont(height, weight, underline, dpi);
    return GdiObject(replaced);
}

} // namespace Toolkit
