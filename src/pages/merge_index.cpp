#include "pages/merge_index.hpp"

#include "platform/workbook/cell_address.hpp"

#include <algorithm>
#include <map>
#include <queue>

namespace tarnelo::pages {

namespace {

// Leaves of the tree: every column of a sheet.
constexpr unsigned kLeaves = xlsx::kMaxColumn;

// The first two ranges found to overlap, by a sweep down the rows: the ranges crossing the
// current row keep to disjoint columns, so a new one need only be compared with its neighbours.
std::optional<std::pair<std::size_t, std::size_t>> overlap(const std::vector<CellArea>& areas) {
    std::vector<std::size_t> order(areas.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return areas[a].top < areas[b].top; });
    std::map<int, std::size_t> active; // by first column
    const auto later = [&](std::size_t a, std::size_t b) {
        return areas[a].bottom > areas[b].bottom;
    };
    std::priority_queue<std::size_t, std::vector<std::size_t>, decltype(later)> ending(later);
    for (const std::size_t i : order) {
        const CellArea& a = areas[i];
        while (!ending.empty() && areas[ending.top()].bottom < a.top) {
            active.erase(areas[ending.top()].left);
            ending.pop();
        }
        auto next = active.lower_bound(a.left);
        if (next != active.end() && areas[next->second].left <= a.right) {
            return std::pair{std::min(i, next->second), std::max(i, next->second)};
        }
        if (next != active.begin() && areas[std::prev(next)->second].right >= a.left) {
            const std::size_t j = std::prev(next)->second;
            return std::pair{std::min(i, j), std::max(i, j)};
        }
        active.emplace(a.left, i);
        ending.push(i);
    }
    return std::nullopt;
}

// The nodes whose columns together are exactly left..right.
template <typename Visit> void nodesOf(const CellArea& a, Visit visit) {
    unsigned l = static_cast<unsigned>(a.left) - 1 + kLeaves;
    unsigned r = static_cast<unsigned>(a.right) + kLeaves;
    for (; l < r; l >>= 1, r >>= 1) {
        if ((l & 1U) != 0) {
            visit(l++);
        }
        if ((r & 1U) != 0) {
            visit(--r);
        }
    }
}

} // namespace

std::optional<std::pair<CellArea, CellArea>> MergeIndex::build(std::vector<CellArea> areas) {
    offsets_.clear();
    entries_.clear();
    areas_.clear();
    if (const auto both = overlap(areas)) {
        return std::pair{areas[both->first], areas[both->second]};
    }
    if (areas.empty()) {
        return std::nullopt;
    }
    offsets_.assign(2 * kLeaves + 1, 0);
    for (const CellArea& a : areas) {
        nodesOf(a, [&](unsigned node) { ++offsets_[node + 1]; });
    }
    for (std::size_t k = 1; k < offsets_.size(); ++k) {
        offsets_[k] += offsets_[k - 1];
    }
    entries_.resize(offsets_.back());
    std::vector<unsigned> filled(offsets_.begin(), offsets_.end() - 1);
    for (std::size_t i = 0; i < areas.size(); ++i) {
        nodesOf(areas[i],
                [&](unsigned node) { entries_[filled[node]++] = static_cast<unsigned>(i); });
    }
    for (std::size_t k = 0; k + 1 < offsets_.size(); ++k) {
        std::sort(entries_.begin() + offsets_[k], entries_.begin() + offsets_[k + 1],
                  [&](unsigned a, unsigned b) { return areas[a].top < areas[b].top; });
    }
    areas_ = std::move(areas);
    return std::nullopt;
}

const CellArea* MergeIndex::find(int row, int column) const {
    if (areas_.empty() || column < 1 || column > xlsx::kMaxColumn) {
        return nullptr;
    }
    const std::vector<CellArea>& areas = areas_;
    for (unsigned node = static_cast<unsigned>(column) - 1 + kLeaves; node >= 1; node >>= 1) {
        const auto first = entries_.begin() + offsets_[node];
        const auto last = entries_.begin() + offsets_[node + 1];
        // The last range of this node starting at or above the row.
        auto it =
            std::upper_bound(first, last, row, [&](int r, unsigned a) { return r < areas[a].top; });
        if (it != first && areas[*std::prev(it)].bottom >= row) {
            return &areas[*std::prev(it)];
        }
    }
    return nullptr;
}

} // namespace tarnelo::pages
