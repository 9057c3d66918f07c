// The main window's children: made at their 96-DPI places, and laid out
// again, fonts and all, at any other DPI.
#include "MainWindow.h"

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

} // namespace

void MainWindowContents::layOut()
{
    HWND parent = owner->handle;
    titleBand.contents.createChild(parent, bandPlace.x, bandPlace.y, bandPlace.width, bandPlace.height);

    struct Heading {
        LabelContents& label;
        const char* text;
        const Place& place;
    } headings[] = {
        {processesLabel.contents, "Current Processes", processesPlace},
        {modulesLabel.contents, "Loaded Modules", modulesPlace},
        {pathLabel.contents, "Module Path", pathHeadingPlace},
    };
    for (Heading& heading : headings) {
        heading.label.setText(heading.text);
        heading.label.setFont(headingFont.handle);
        heading.label.createAt(parent, heading.place.x, heading.place.y);
    }
    refreshHint.contents.setText("Press F5 to Refresh");
    refreshHint.contents.setFont(hintFont.handle);
    refreshHint.contents.setColour(linkColour);
    refreshHint.contents.createAt(parent, hintPlace.x, hintPlace.y);

    copyrightLink.contents.setText(copyrightNotice);
    copyrightLink.contents.setUrl(copyrightAddress);
    copyrightLink.contents.setFont(linkFont.handle);
    copyrightLink.contents.setColour(linkColour);
    copyrightLink.contents.createAt(parent, copyrightPlace.x, copyrightPlace.y);

    homeLink.contents.setText(homePageAddress);
    homeLink.contents.setUrl(homePageAddress);
    homeLink.contents.setFont(linkFont.handle);
    homeLink.contents.setColour(linkColour);
    homeLink.contents.createAt(parent, homePlace.x, homePlace.y);

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
    struct Labelled {
        LabelContents& label;
        const Font& font;
        const Place& place;
    } labels[] = {
        {processesLabel.contents, headingFont, processesPlace},
        {modulesLabel.contents, headingFont, modulesPlace},
        {pathLabel.contents, headingFont, pathHeadingPlace},
        {refreshHint.contents, hintFont, hintPlace},
        {copyrightLink.contents, linkFont, copyrightPlace},
        {homeLink.contents, linkFont, homePlace},
    };
    for (const Labelled& labelled : labels) {
        labelled.label.setFont(labelled.font.handle);
        labelled.label.sizeToText(scaled(labelled.place.x, dpi), scaled(labelled.place.y, dpi));
    }
    InvalidateRect(owner->handle, nullptr, TRUE);
}

} // namespace App
