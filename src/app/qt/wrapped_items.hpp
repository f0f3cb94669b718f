// Item views whose long texts wrap: every row grows to hold its text at the width its column
// has, instead of cutting it with "…" or asking for a horizontal scroll bar.
#pragma once

class QListView;
class QTreeView;

namespace tarnelo {

// A list whose items wrap at the width of the list; no horizontal scroll bar.
void wrapLongTexts(QListView& list);
// A tree whose cells of `column` wrap at that column's width (the others keep their texts on
// one line, so they can be sized to them); the rows follow when the column is widened or
// narrowed.
void wrapLongTexts(QTreeView& tree, int column);

} // namespace tarnelo
