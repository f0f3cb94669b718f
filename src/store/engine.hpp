// What the store asks of a database engine: statements with bound parameters, rows back, and
// transactions. The store writes one SQL for both engines, with parameters $1, $2, … and a few
// words each engine spells its own way (Dialect).
#pragma once

#include "store/store.hpp"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnelo::store {

// A value bound to a statement: nothing (NULL), a whole number, a text (UTF-8) or bytes.
struct Param {
    enum class Kind { Null, Integer, Text, Bytes };
    Kind kind = Kind::Null;
    std::int64_t integer = 0;
    std::string_view text; // Text and Bytes; must outlive the call

    static Param null() { return {}; }
    static Param of(std::int64_t value) { return {Kind::Integer, value, {}}; }
    static Param of(std::string_view value) { return {Kind::Text, 0, value}; }
    static Param bytes(std::string_view value) { return {Kind::Bytes, 0, value}; }
};

// One value read back: NULL, or its text (bytes for a BLOB/BYTEA), or a whole number.
struct Cell {
    bool null = true;
    bool isInteger = false;
    std::int64_t integer = 0;
    std::string text;

    // The number a cell holds, whether the engine gave it as a number or as its digits.
    std::int64_t number() const;
};

struct Rows {
    std::vector<std::vector<Cell>> rows;
    bool empty() const { return rows.empty(); }
    const Cell& at(std::size_t row, std::size_t column) const { return rows[row][column]; }
};

class Engine {
  public:
    virtual ~Engine() = default;
    virtual Location::Engine kind() const = 0;
    // Runs one statement ($1… bound to params); its rows into rows when given.
    virtual Problem run(std::string_view sql, const std::vector<Param>& params = {},
                        Rows* rows = nullptr) = 0;
    // Runs several statements without parameters (the schema).
    virtual Problem script(std::string_view sql) = 0;
    // A transaction that will write takes the write lock at once (SQLite: BEGIN IMMEDIATE), so
    // that two writers queue instead of failing half-way.
    virtual Problem begin(bool writing) = 0;
    virtual Problem commit() = 0;
    virtual void rollback() = 0;
    // Whether commits reach the disk before they return (the default), or only eventually, in
    // order and never torn (many commits of an import; the last one is made durable).
    virtual void setDurable(bool durable) = 0;
    // Whether the last failed statement broke a unique constraint.
    virtual bool lastWasUniqueViolation() const = 0;
};

// SQLite: the file at path; create makes it when missing; readOnly opens it for reading.
std::unique_ptr<Engine> openSQLite(const std::string& path, bool create, bool readOnly,
                                   Problem& problem);
// PostgreSQL through libpq: a URL or a connection string.
std::unique_ptr<Engine> openPostgreSQL(const std::string& conninfo, Problem& problem);

// The words of SQL that differ between the engines.
struct Dialect {
    std::string_view id;              // a row's own number
    std::string_view bytes;           // a file's bytes
    std::string_view now;             // the time now in UTC, "YYYY-MM-DD HH:MM:SS"
    std::string_view forUpdate;       // a row lock, after a SELECT
    std::string_view time;            // the type a view gives a time of day
    std::string_view provisionalCode; // "TN" and a station's id in six digits
    std::string_view hasSchema;       // one row: 1 when Tarnelo's tables are there
    // Taken inside the transaction of an upgrade, so that two programs never upgrade at once
    // (SQLite's writing transaction is such a lock already).
    std::string_view schemaLock;
};
const Dialect& dialectOf(Location::Engine engine);

// Runs a transaction: body runs between begin and commit; any problem rolls it back.
template <typename Body> Problem transaction(Engine& engine, bool writing, Body&& body) {
    if (Problem p = engine.begin(writing)) {
        return p;
    }
    Problem p = body();
    if (p) {
        engine.rollback();
        return p;
    }
    if (Problem c = engine.commit()) {
        engine.rollback();
        return c;
    }
    return {};
}

} // namespace tarnelo::store
