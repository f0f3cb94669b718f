// The window as a view of a gauging: what its fields and sheet hold, as the model's value.
#pragma once

#include "gauging/gauging.hpp"
#include "gauging/table.hpp"

#include <vector>

namespace tarnelo {

class Sheet;
class Window;

// The selected mode, the six coefficient fields and the typed columns of every row of the
// sheet (both modes' columns, as they stand). The record header stays with the window's
// header file.
Gauging gaugingOf(const Window& window);

// The typed columns of every row of the sheet (both modes' columns, as they stand).
std::vector<GaugingRow> typedRowsOf(const Sheet& sheet);

// Every cell of the sheet, typed and computed.
Table tableOf(const Sheet& sheet);

// The mode the radio boxes select.
EntryMode selectedMode(const Window& window);

} // namespace tarnelo
