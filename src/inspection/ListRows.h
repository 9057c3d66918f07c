#pragma once

#include <windows.h>

#include <cstdint>

namespace Windows {

class Window;

// The six list-box operations both lists work through.
namespace ListRows {

void removeAll(HWND listBox);
// The new row's number, or a negative value when the control refused it.
int add(HWND listBox, const char* text);
void setItemData(HWND listBox, int row, uint32_t value);
// The selected row, or LB_ERR.
int selected(HWND listBox);
uint32_t itemData(HWND listBox, int row);
void select(HWND listBox, int row);

// Creates a list box window of the object's class as the main window lays
// the lists out: 200 x 200, client edge, notifying its parent.
HWND createChild(Window& listBox, HWND parent, int id, int x, int y);

} // namespace ListRows
} // namespace Windows
