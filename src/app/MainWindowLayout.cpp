// The main window's children: made at their 96-DPI places, and laid out
// again, fonts and all, at any other DPI.
#include "MainWindow.h"

#include <array>
#include <initializer_list>

#include "resources/ResourceIds.h"
#include "toolkit/Dpi.h"

using namespace Core;
using namespace Toolkit;
using namespace Controls;

namespace App {

namespace {
const COLORREF linkColour = 0x03AD87;

// Where each child stands at 96 DPI, and the size of those not sized to
// their text.
struct Place {
    int x, y, width, height;
};
const Place bandPlace = {0, 25, 467, 32};
const Place processesPlace = {20, 73, 0, 0};
const Place modulesPlace = {240, 73, 0, 0};
const Place pathHeadingPlace = {20, 293, 0, 0};
const Place hintPlace = {340, 7, 0, 0};
const Place copyrightPlace = {112, 355, 0, 0};
const Place homePlace = {155, 372, 0, 0};
const Place processListPlace = {20, 90, 200, 200};
const Place moduleListPlace = {240, 90, 200, 200};
const Place pathBoxPlace = {20, 310, 420, 32};

// The six texts: what each says, in which font and colour, where.
struct Text {
    LabelContents& label;
    const char* text;
    const Font& font;
    COLORREF colour;
    const Place& place;
};
std::array<Text, 6> textsOf(MainWindowContents& c)
{
    return {{{c.processesLabel.contents, "Current Processes", c.headingFont, 0, processesPlace},
             {c.modulesLabel.contents, "Loaded Modules", c.headingFont, 0, modulesPlace},
             {c.pathLabel.contents, "Module Path", c.headingFont, 0, pathHeadingPlace},
             {c.refreshHint.contents, "Press F5 to Refresh", c.hintFont, linkColour, hintPlace},
             {c.copyrightLink.contents, copyrightNotice, c.linkFont, linkColour, copyrightPlace},
             {c.homeLink.contents, homePageAddress, c.linkFont, linkColour, homePlace}}};
}

} // namespace

void MainWindowContents::layOut()
{
    HWND parent = owner->handle;
    titleBand.contents.createChild(parent, bandPlace.x, bandPlace.y, bandPlace.width, bandPlace.height);

    copyrightLink.contents.setUrl(copyrightAddress);
    homeLink.contents.setUrl(homePageAddress);
    for (const Text& text : textsOf(*this)) {
        text.label.setText(text.text);
        text.label.setFont(text.font.handle);
        text.label.setColour(text.colour);
        text.label.createAt(parent, text.place.x, text.place.y);
    }

    const WPARAM font = reinterpret_cast<WPARAM>(listFont.handle);
    processListBox.contents.createChild(parent, ProcessListId, processListPlace.x, processListPlace.y);
    SendMessageA(processListBox.handle, WM_SETFONT, font, 1);
    moduleListBox.contents.createChild(parent, ModuleListId, moduleListPlace.x, moduleListPlace.y);
    SendMessageA(moduleListBox.handle, WM_SETFONT, font, 1);
    pathBox.contents.createChild(parent, PathBoxId, pathBoxPlace.x, pathBoxPlace.y);
    SendMessageA(pathBox.handle, WM_SETFONT, font, 1);
    // A list box trims its height to whole rows when it is sized, not when
    // its font changes: sized again in its font, each shows whole rows, and a
    // scroll bar appearing later (which sizes it once more) changes nothing.
    for (const Place* place : {&processListPlace, &moduleListPlace})
        MoveWindow(place == &processListPlace ? processListBox.handle : moduleListBox.handle, place->x, place->y,
                   place->width, place->height, FALSE);

    firstFocus = processListBox.handle;
    accelerators = LoadAcceleratorsA(moduleInstance, MAKEINTRESOURCEA(IDA_ACCELERATORS));
    // Made as at 96 DPI; at any other, scaled before the window is shown.
    fitToDpi(parent, mainWindowSize);

    details.tellTo(parent, WM_DETAILSREAD);
    tooltip.create(parent, processListBox.contents, moduleListBox.contents, details);
    processListBox.contents.refill();
    refreshModules();
    processListBox.setFocus();
}

void MainWindowContents::scaleTo(int dpi)
{
    // The replaced fonts are deleted when this ends, after every child has
    // been given the new ones.
    GdiObject replaced[] = {listFont.remake(dpi), headingFont.remake(dpi), hintFont.remake(dpi),
                            linkFont.remake(dpi)};
    titleBand.contents.dpi = dpi;
    // A list box trims its height to whole rows of its font: the font first.
    const WPARAM font = reinterpret_cast<WPARAM>(listFont.handle);
    for (HWND control : {processListBox.handle, moduleListBox.handle, pathBox.handle})
        SendMessageA(control, WM_SETFONT, font, 1);
    struct Boxed {
        Window& window;
        const Place& place;
    } boxes[] = {
        {titleBand, bandPlace},
        {processListBox, processListPlace},
        {moduleListBox, moduleListPlace},
        {pathBox, pathBoxPlace},
    };
    for (const Boxed& box : boxes)
        MoveWindow(box.window.handle, scaled(box.place.x, dpi), scaled(box.place.y, dpi),
                   scaled(box.place.width, dpi), scaled(box.place.height, dpi), TRUE);
    for (const Text& text : textsOf(*this)) {
        text.label.setFont(text.font.handle);
        text.label.sizeToText(scaled(text.place.x, dpi), scaled(text.place.y, dpi));
    }
    InvalidateRect(owner->handle, nullptr, TRUE);
}

} // namespace App
