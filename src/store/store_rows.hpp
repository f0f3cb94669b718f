// The store's reads and writes of its own tables, shared by the store's calls and the import.
#pragma once

#include "store/engine.hpp"
#include "store/facts.hpp"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarnelo::store {

// Whether the build has each engine's library (each engine's file says).
bool sqliteBuiltIn();
bool postgresqlBuiltIn();

// Why name cannot name a gauging: it becomes NAME.dat on every system, so it is UTF-8, holds no
// path separators, no characters Windows refuses in a file name, no control characters, is no
// Windows device name (CON, NUL, COM1, …), and is neither "." nor "..", nor ends in a dot or a
// blank.
Problem nameProblem(std::string_view name);

struct WriteRequest {
    std::string_view name;
    std::string_view bytes;
    // The revision the writer read (0: the gauging is new to it). onTop: whatever is latest,
    // and nothing is written when the latest holds the same bytes (an import).
    int basedOn = 0;
    bool onTop = false;
    const Author& author;
    // What the bytes compute to; nullptr marks the gauging deleted.
    const Facts* facts = nullptr;
    // With onTop: bytes that differ from the latest are added over it; without, refused.
    bool overLatest = false;
};
struct Written {
    int number = 0;
    bool unchanged = false; // onTop and the latest revision already held these bytes
    bool added = false;     // the gauging is new to the store
};
// Adds the revision; to be run inside a writing transaction.
Problem writeRevision(Engine& engine, const WriteRequest& request, Written& written);

// The gauging's row id, by name or by "STATION/YEAR/施测号数".
Result<std::int64_t> findGauging(Engine& engine, std::string_view gauging);

struct ListedGauging {
    std::int64_t id = 0;
    GaugingEntry entry;
};
// The gaugings the filter takes (only the one with row id onlyId when it is not 0), ordered by
// station code, year, 施测时间 and name, compared as bytes on both engines.
Problem listGaugings(Engine& engine, const Filter& filter, std::int64_t onlyId,
                     std::vector<ListedGauging>& out);

// The bytes of the latest revision of listed[from] … listed[to - 1], in that order.
Problem latestBytes(Engine& engine, const std::vector<ListedGauging>& listed, std::size_t from,
                    std::size_t to, std::vector<std::string>& bytes);

// One revision, and its bytes when bytes is given.
Problem readRevision(Engine& engine, std::int64_t gauging, int number, Revision& revision,
                     std::string* bytes);

// The columns revisionOf reads, in its order.
inline constexpr std::string_view kRevisionColumns =
    "number, saved_by, machine, saved_at, program, deleted, length(bytes)";
Revision revisionOf(const Rows& rows, std::size_t row, std::size_t first);

} // namespace tarnelo::store
