#pragma once

#include <functional>
#include <string>
#include <vector>

#include "model/save_entry.h"
#include "operations/workbench.h"

namespace quillmere {

// Compares two texts the way the desktop does (case-sensitive, locale-aware):
// negative, zero or positive. The GUI passes a collator; tests pass their own.
using TextCompare = std::function<int(const std::string&, const std::string&)>;

// Sorts the pane's rows ascending by `column`: "Name" and "Comment" by the
// text they show, "Date" and "Size" by their records' values. Equal keys keep
// their order; each row keeps its record. Then "Num" reads 1..n from the top.
void SortRows(Pane& pane, SaveColumn column, const TextCompare& compare);

// A click on a pane's column header: "Num" does nothing, "Address" reloads the
// pane (file order, the reader's numbers), every other column sorts.
void OnPaneHeaderClick(Workbench& bench, int pane, int column, const TextCompare& compare);

}  // namespace quillmere
