#pragma once

// What both lists share: rows with item data, drawing held back, the row under
// the pointer.
#include <windows.h>

#include <cstdint>
#include <utility>

#include "core/OwnerPtr.h"
#include "toolkit/Window.h"


namespace Inspection {

// The six list-box operations both lists work through.
namespace ListRows {

void removeAll(HWND listBox);
// The new row's number, or a negative value when the control refused it.
int add(HWND listBox, const char* text);
int add(HWND listBox, const wchar_t* text);
void setItemData(HWND listBox, int row, uint32_t value);
// The selected row, or LB_ERR.
int selected(HWND listBox);
uint32_t itemData(HWND listBox, int row);
void select(HWND listBox, int row);
// The row whose item data is `value`, or -1.
int rowOf(HWND listBox, uint32_t value);

// Suspends a list box's drawing while its rows are replaced, and has it
// painted once, whole, when the scope ends however it ends: a shown list
// box would otherwise redraw itself, scroll bar and all, for every row.
class DrawingSuspended {
public:
    explicit DrawingSuspended(HWND listBox);
    DrawingSuspended(const DrawingSuspended&) = delete;
    DrawingSuspended& operator=(const DrawingSuspended&) = delete;
    ~DrawingSuspended();

private:
    HWND box;
};

// Follows the pointer over a list box's rows for the tooltip that tells what
// each row is: notes the row under it, tells the tooltip of every mouse
// message, and hides it when the row under the pointer changes, the list
// scrolls or its rows change.
struct RowTracking {
    HWND tooltip = nullptr;
    int row = -1; // under the pointer, or -1
    bool clicked = false; // since the pointer came to this row

    void follow(HWND listBox, UINT message, WPARAM wParam, LPARAM lParam);
};

// Creates a list box window of the object's class as the main window lays
// the lists out: 200 x 200, client edge, notifying its parent.
HWND createChild(Toolkit::Window& listBox, HWND parent, int id, int x, int y);

// Appends the entry and a row showing rowText(entry) whose item data is the
// entry's index. A row the control refuses takes no item data (row -1 would
// mean every row) and its entry is dropped again, so rows and entries still
// match one to one.
template <class Entry, class RowText>
void addEntry(HWND listBox, Core::OwnerArray<Entry>& entries, Core::OwnerPtr<Entry> entry,
              RowText rowText)
{
    entries.appendRepeated(1, std::move(entry));
    const uint32_t index = entries.count - 1;
    const int row = add(listBox, rowText(*entries[index]));
    if (row < 0) {
        entries.dropBack(1);
        return;
    }
    setItemData(listBox, row, index);
}

// The entry of the selected row, or null; item data that indexes no entry
// selects nothing rather than reading past the array.
template <class Entry>
Entry* selectedEntry(HWND listBox, const Core::OwnerArray<Entry>& entries)
{
    const int row = selected(listBox);
    if (row == LB_ERR)
        return nullptr;
    const uint32_t index = itemData(listBox, row);
    return index < entries.count ? entries[index].get() : nullptr;
}

// A list box's rows and the entries behind them, one to one: what both
// lists are.
template <class Entry>
class EntryList {
public:
    explicit EntryList(Toolkit::Window* owner) : listBox(owner) {}

    // Takes nothing; follows the pointer over the rows for their tooltip.
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam)
    {
        tracking.follow(listBox->handle, message, wParam, lParam);
        return 0;
    }
    HWND createChild(HWND parent, int id, int x, int y) { return ListRows::createChild(*listBox, parent, id, x, y); }
    // The selected row's entry, or null; a reason row, which stands only
    // while there are no entries, has none.
    Entry* selectedEntry() { return entries.count != 0 ? ListRows::selectedEntry(listBox->handle, entries) : nullptr; }
    // Selects the row of entries[index]; false when it has none.
    bool selectEntry(uint32_t index)
    {
        const int row = rowOf(listBox->handle, index);
        if (row >= 0)
            select(listBox->handle, row);
        return row >= 0;
    }

    Toolkit::Window* listBox;
    Core::OwnerArray<Entry> entries;
    RowTracking tracking;
};

} // namespace ListRows
} // namespace Inspection
