#include "store/schema.hpp"

#include <array>

namespace tarnelo::store {

namespace {

// Version 1. Tarnelo's own tables keep every revision's file and what it computes to; a save
// only ever adds rows (and moves the gauging's pointer to its latest revision). The national
// layout (SL/T 324: HY_STSC_A, HY_OBQ_G) is a pair of views over them, so it is current in the
// same transaction as every save.
constexpr std::string_view kVersion1 = R"sql(
CREATE TABLE tarnelo_schema (
    version INTEGER NOT NULL,
    program TEXT NOT NULL
);
CREATE TABLE station (
    id {id},
    code TEXT NOT NULL UNIQUE,
    name TEXT NOT NULL UNIQUE
);
CREATE TABLE gauging (
    id {id},
    name TEXT NOT NULL UNIQUE,
    station_id BIGINT REFERENCES station (id),
    year INTEGER,
    number TEXT,
    start_time TEXT,
    latest INTEGER NOT NULL DEFAULT 0,
    deleted INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX gauging_station_year ON gauging (station_id, year);
-- Names are compared ignoring case too (one file where names ignore it).
CREATE INDEX gauging_folded ON gauging (lower(name));
CREATE TABLE revision (
    id {id},
    gauging_id BIGINT NOT NULL REFERENCES gauging (id),
    number INTEGER NOT NULL,
    bytes {bytes} NOT NULL,
    saved_by TEXT NOT NULL,
    machine TEXT NOT NULL,
    saved_at TEXT NOT NULL,
    program TEXT NOT NULL,
    deleted INTEGER NOT NULL DEFAULT 0,
    UNIQUE (gauging_id, number)
);
CREATE TABLE revision_result (
    revision_id BIGINT PRIMARY KEY REFERENCES revision (id),
    status TEXT NOT NULL,
    station_name TEXT,
    number TEXT,
    qobno INTEGER,
    start_time TEXT,
    end_time TEXT,
    place TEXT,
    method TEXT,
    stage TEXT,
    discharge TEXT,
    area TEXT,
    mean_velocity TEXT,
    max_velocity TEXT,
    width TEXT,
    mean_depth TEXT,
    max_depth TEXT,
    slope TEXT,
    roughness TEXT,
    remarks TEXT,
    errors INTEGER NOT NULL,
    notices INTEGER NOT NULL
);
CREATE VIEW hy_stsc_a AS
    SELECT code AS stcd, name AS stnm FROM station;
CREATE VIEW hy_obq_g AS
    SELECT s.code AS stcd, x.qobno AS qobno,
           CAST(x.start_time AS {time}) AS msqbgtm, CAST(x.end_time AS {time}) AS msqedtm,
           x.place AS xsqlc, x.method AS msqmt,
           CAST(x.stage AS NUMERIC) AS bsggz, CAST(x.discharge AS NUMERIC) AS q,
           CAST(x.area AS NUMERIC) AS xstta, CAST(x.mean_velocity AS NUMERIC) AS xsavv,
           CAST(x.max_velocity AS NUMERIC) AS xsmxv, CAST(x.width AS NUMERIC) AS tpwd,
           CAST(x.mean_depth AS NUMERIC) AS xsavdp, CAST(x.max_depth AS NUMERIC) AS xsmxdp,
           CAST(x.slope AS NUMERIC) AS rvsfsl, CAST(x.roughness AS NUMERIC) AS n,
           x.remarks AS obnont
    FROM gauging g
    JOIN station s ON s.id = g.station_id
    JOIN revision r ON r.gauging_id = g.id AND r.number = g.latest
    JOIN revision_result x ON x.revision_id = r.id
    WHERE g.deleted = 0 AND x.status = 'computed';
INSERT INTO tarnelo_schema (version, program) VALUES (1, 'Tarnelo 13.05');
)sql";

std::string version1(const Dialect& dialect) {
    return spelled(kVersion1, dialect);
}

constexpr std::array<SchemaStep, 1> kSteps{{{1, version1}}};

} // namespace

std::span<const SchemaStep> schemaSteps() {
    return kSteps;
}

std::string spelled(std::string_view sql, const Dialect& dialect) {
    const std::array<std::pair<std::string_view, std::string_view>, 6> words{{
        {"{id}", dialect.id},
        {"{bytes}", dialect.bytes},
        {"{now}", dialect.now},
        {"{lock}", dialect.forUpdate},
        {"{time}", dialect.time},
        {"{code}", dialect.provisionalCode},
    }};
    std::string out;
    out.reserve(sql.size());
    for (std::size_t i = 0; i < sql.size();) {
        bool replaced = false;
        if (sql[i] == '{') {
            for (const auto& [word, spelling] : words) {
                if (sql.substr(i, word.size()) == word) {
                    out += spelling;
                    i += word.size();
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced) {
            out += sql[i++];
        }
    }
    return out;
}

const Dialect& dialectOf(Location::Engine engine) {
    static const Dialect sqlite{
        "INTEGER PRIMARY KEY",
        "BLOB",
        "strftime('%Y-%m-%d %H:%M:%S', 'now')",
        "",
        "TEXT",
        "'TN' || CASE WHEN id < 1000000 THEN substr('00000' || id, -6) ELSE id END",
        "SELECT count(*) FROM sqlite_master WHERE name = 'tarnelo_schema'",
        ""};
    static const Dialect postgresql{
        "BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY",
        "BYTEA",
        "to_char(now() AT TIME ZONE 'UTC', 'YYYY-MM-DD HH24:MI:SS')",
        " FOR UPDATE",
        "TIMESTAMP",
        "'TN' || CASE WHEN id < 1000000 THEN lpad(CAST(id AS TEXT), 6, '0') ELSE CAST(id AS TEXT) "
        "END",
        "SELECT count(*) FROM information_schema.tables WHERE table_name = 'tarnelo_schema' "
        "AND table_schema = current_schema()",
        "SELECT pg_advisory_xact_lock(7316523)"};
    return engine == Location::Engine::SQLite ? sqlite : postgresql;
}

Result<int> storedVersion(Engine& engine) {
    Rows tables;
    if (Problem p = engine.run(dialectOf(engine.kind()).hasSchema, {}, &tables)) {
        return {std::nullopt, p};
    }
    if (tables.empty() || tables.at(0, 0).number() == 0) {
        return {0, {}};
    }
    Rows version;
    if (Problem p = engine.run("SELECT max(version) FROM tarnelo_schema", {}, &version)) {
        return {std::nullopt, p};
    }
    if (version.empty() || version.at(0, 0).null) {
        return {std::nullopt, {"数据库中 Tarnelo 的版本记录已损坏（tarnelo_schema 为空）。", {}}};
    }
    return {static_cast<int>(version.at(0, 0).number()), {}};
}

Problem upgrade(Engine& engine, int from, std::span<const SchemaStep> steps) {
    const Dialect& dialect = dialectOf(engine.kind());
    return transaction(engine, true, [&]() -> Problem {
        if (!dialect.schemaLock.empty()) {
            if (Problem p = engine.run(dialect.schemaLock)) {
                return p;
            }
        }
        // Another program may have upgraded it since it was read.
        Result<int> now = storedVersion(engine);
        if (!now) {
            return now.problem;
        }
        if (*now.value != from) {
            return {};
        }
        for (const SchemaStep& step : steps) {
            if (step.version <= from) {
                continue;
            }
            if (Problem p = engine.script(step.sql(dialect))) {
                return {"数据库结构升级失败，数据库保持原样：" + p.message, {}};
            }
            if (step.version > 1) {
                if (Problem p = engine.run("UPDATE tarnelo_schema SET version = $1",
                                           {Param::of(std::int64_t{step.version})})) {
                    return {"数据库结构升级失败，数据库保持原样：" + p.message, {}};
                }
            }
        }
        return {};
    });
}

} // namespace tarnelo::store
