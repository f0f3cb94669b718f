// The merged ranges of a sheet, found for a cell in logarithmic time: a segment tree over the
// columns, each node holding the ranges that span it whole, ordered by their first row. Merged
// ranges may not overlap (a spreadsheet calls such a file damaged), so the ranges of one node
// follow each other down the rows.
#pragma once

#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

namespace tarnelo::pages {

struct CellArea {
    int top = 1;
    int left = 1;
    int bottom = 1;
    int right = 1;
    bool contains(int row, int column) const {
        return row >= top && row <= bottom && column >= left && column <= right;
    }
};

class MergeIndex {
  public:
    // Keeps and indexes areas inside the sheet's limits; when some overlap, keeps none and gives
    // the first two found.
    std::optional<std::pair<CellArea, CellArea>> build(std::vector<CellArea> areas);
    // The range holding the cell, or nullptr.
    const CellArea* find(int row, int column) const;

  private:
    std::vector<CellArea> areas_;
    // Node k's ranges are entries_[offsets_[k]] .. entries_[offsets_[k + 1]].
    std::vector<unsigned> offsets_;
    std::vector<unsigned> entries_;
};

} // namespace tarnelo::pages
