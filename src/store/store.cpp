#include "store/store.hpp"

#include "measure/numtext.hpp"
#include "store/engine.hpp"
#include "store/facts.hpp"
#include "store/schema.hpp"
#include "store/store_rows.hpp"

#include <algorithm>

namespace tarnelo::store {

namespace {

Problem readOnlyProblem() {
    return {"数据库以只读方式打开，不能写入。", {}};
}

Problem newerSchemaProblem(int version) {
    return {"这个数据库由更新版本的 Tarnelo 建立（结构版本 " + std::to_string(version) +
                "，本程序为 " + std::to_string(kSchemaVersion) +
                "），只能以只读方式打开。请升级 Tarnelo 后再写入。",
            {}};
}

std::unique_ptr<Engine> connect(const Location& where, bool create, bool readOnly,
                                Problem& problem) {
    if (!engineAvailable(where.engine)) {
        problem = {where.engine == Location::Engine::SQLite
                       ? "此版本的 Tarnelo 不含 SQLite 数据库支持。"
                       : "此版本的 Tarnelo 不含 PostgreSQL 数据库支持。",
                   {}};
        return nullptr;
    }
    if (where.engine == Location::Engine::SQLite) {
        return openSQLite(where.text, create, readOnly, problem);
    }
    return openPostgreSQL(where.text, problem);
}

} // namespace

Result<Store> Store::init(const Location& where) {
    Problem problem;
    std::unique_ptr<Engine> engine = connect(where, true, false, problem);
    if (!engine) {
        return {std::nullopt, problem};
    }
    Result<int> version = storedVersion(*engine);
    if (!version) {
        return {std::nullopt, version.problem};
    }
    if (*version.value > kSchemaVersion) {
        return {std::nullopt, newerSchemaProblem(*version.value)};
    }
    if (*version.value < kSchemaVersion) {
        if (Problem p = upgrade(*engine, *version.value, schemaSteps())) {
            return {std::nullopt, p};
        }
    }
    return {Store(std::move(engine), where, Access::ReadWrite, kSchemaVersion), {}};
}

Result<Store> Store::open(const Location& where, Access access) {
    Problem problem;
    std::unique_ptr<Engine> engine = connect(where, false, access == Access::ReadOnly, problem);
    if (!engine) {
        return {std::nullopt, problem};
    }
    Result<int> version = storedVersion(*engine);
    if (!version) {
        return {std::nullopt, version.problem};
    }
    const int found = *version.value;
    if (found == 0) {
        return {std::nullopt,
                {"这里还没有 Tarnelo 的数据库：请先建立（tarnelo-cli store init）。", {}}};
    }
    if (found > kSchemaVersion && access == Access::ReadWrite) {
        return {std::nullopt, newerSchemaProblem(found)};
    }
    if (found < kSchemaVersion && access == Access::ReadWrite) {
        if (Problem p = upgrade(*engine, found, schemaSteps())) {
            return {std::nullopt, p};
        }
    }
    return {Store(std::move(engine), where, access,
                  access == Access::ReadWrite ? kSchemaVersion : found),
            {}};
}

Store::Store(std::unique_ptr<Engine> engine, Location where, Access access, int version)
    : engine_(std::move(engine)), where_(std::move(where)), access_(access), version_(version) {}
Store::Store(Store&&) noexcept = default;
Store& Store::operator=(Store&&) noexcept = default;
Store::~Store() = default;

const Location& Store::location() const {
    return where_;
}
Store::Access Store::access() const {
    return access_;
}
int Store::schemaVersion() const {
    return version_;
}

Result<int> Store::save(std::string_view name, std::string_view bytes, int basedOn,
                        const Author& author) {
    if (access_ == Access::ReadOnly) {
        return {std::nullopt, readOnlyProblem()};
    }
    if (Problem p = nameProblem(name)) {
        return {std::nullopt, p};
    }
    const Facts facts = factsOf(bytes, name);
    Written written;
    const Problem p = transaction(*engine_, true, [&] {
        return writeRevision(*engine_, {name, bytes, basedOn, false, author, &facts}, written);
    });
    if (p) {
        return {std::nullopt, p};
    }
    return {written.number, {}};
}

Result<int> Store::remove(std::string_view name, int basedOn, const Author& author) {
    if (access_ == Access::ReadOnly) {
        return {std::nullopt, readOnlyProblem()};
    }
    Written written;
    const Problem p = transaction(*engine_, true, [&]() -> Problem {
        Result<std::int64_t> id = findGauging(*engine_, name);
        if (!id) {
            return id.problem;
        }
        Rows named;
        if (Problem failed = engine_->run("SELECT name FROM gauging WHERE id = $1",
                                          {Param::of(*id.value)}, &named)) {
            return failed;
        }
        return writeRevision(*engine_, {named.at(0, 0).text, {}, basedOn, false, author, nullptr},
                             written);
    });
    if (p) {
        return {std::nullopt, p};
    }
    return {written.number, {}};
}

Result<std::vector<GaugingEntry>> Store::list(const Filter& filter) {
    std::vector<ListedGauging> listed;
    if (Problem p = listGaugings(*engine_, filter, 0, listed)) {
        return {std::nullopt, p};
    }
    std::vector<GaugingEntry> entries;
    entries.reserve(listed.size());
    for (ListedGauging& one : listed) {
        entries.push_back(std::move(one.entry));
    }
    return {std::move(entries), {}};
}

Result<StoredGauging> Store::read(std::string_view gauging, std::optional<int> revision) {
    Result<std::int64_t> id = findGauging(*engine_, gauging);
    if (!id) {
        return {std::nullopt, id.problem};
    }
    std::vector<ListedGauging> listed;
    Filter all;
    all.withDeleted = true;
    if (Problem p = listGaugings(*engine_, all, *id.value, listed)) {
        return {std::nullopt, p};
    }
    if (listed.empty()) {
        return {std::nullopt, {"数据库中没有这份测验。", {}}};
    }
    StoredGauging stored;
    stored.entry = std::move(listed.front().entry);
    const int number = revision.value_or(stored.entry.latest.number);
    if (Problem p = readRevision(*engine_, *id.value, number, stored.revision, &stored.bytes)) {
        return {std::nullopt, p};
    }
    return {std::move(stored), {}};
}

Result<std::vector<Revision>> Store::history(std::string_view gauging) {
    Result<std::int64_t> id = findGauging(*engine_, gauging);
    if (!id) {
        return {std::nullopt, id.problem};
    }
    Rows rows;
    if (Problem p = engine_->run("SELECT " + std::string(kRevisionColumns) +
                                     " FROM revision WHERE gauging_id = $1 ORDER BY number",
                                 {Param::of(*id.value)}, &rows)) {
        return {std::nullopt, p};
    }
    std::vector<Revision> revisions;
    for (std::size_t r = 0; r < rows.rows.size(); ++r) {
        revisions.push_back(revisionOf(rows, r, 0));
    }
    return {std::move(revisions), {}};
}

Problem Store::eachLatest(const Filter& filter, const std::function<bool(StoredGauging&&)>& each) {
    Filter living = filter;
    living.withDeleted = false;
    // One reading transaction: the list and the files fetched for it are of one moment, whatever
    // others save or delete meanwhile.
    return transaction(*engine_, false, [&]() -> Problem {
        std::vector<ListedGauging> listed;
        if (Problem p = listGaugings(*engine_, living, 0, listed)) {
            return p;
        }
        // The files are fetched a batch at a time: one round trip to a server for many of them,
        // and never the whole store in memory at once.
        constexpr std::size_t kBatch = 200;
        for (std::size_t from = 0; from < listed.size(); from += kBatch) {
            const std::size_t to = std::min(listed.size(), from + kBatch);
            std::vector<std::string> bytes;
            if (Problem p = latestBytes(*engine_, listed, from, to, bytes)) {
                return p;
            }
            for (std::size_t i = from; i < to; ++i) {
                StoredGauging stored;
                stored.entry = std::move(listed[i].entry);
                stored.revision = stored.entry.latest;
                stored.bytes = std::move(bytes[i - from]);
                if (!each(std::move(stored))) {
                    return {};
                }
            }
        }
        return {};
    });
}

Result<std::vector<Store::StationYears>> Store::stations() {
    Rows rows;
    if (Problem p =
            engine_->run("SELECT s.code, s.name, g.year FROM station s LEFT JOIN gauging g ON "
                         "g.station_id = s.id AND g.deleted = 0 GROUP BY s.code, s.name, g.year",
                         {}, &rows)) {
        return {std::nullopt, p};
    }
    std::vector<StationYears> out;
    for (const auto& row : rows.rows) {
        auto found = std::find_if(out.begin(), out.end(),
                                  [&](const StationYears& s) { return s.code == row[0].text; });
        if (found == out.end()) {
            out.push_back({row[0].text, row[1].text, {}});
            found = out.end() - 1;
        }
        if (!row[2].null) {
            found->years.push_back(static_cast<int>(row[2].number()));
        }
    }
    for (StationYears& s : out) {
        std::sort(s.years.begin(), s.years.end());
    }
    std::sort(out.begin(), out.end(),
              [](const StationYears& a, const StationYears& b) { return a.code < b.code; });
    return {std::move(out), {}};
}

Problem Store::setStationCode(std::string_view station, std::string_view code) {
    if (access_ == Access::ReadOnly) {
        return readOnlyProblem();
    }
    if (code.empty() || code.size() > 8 ||
        code.find_first_not_of("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") !=
            std::string_view::npos) {
        return {"站码应为 1 至 8 位字母或数字（测站编码，SL/T 324 的 STCD）。", {}};
    }
    if (code.size() > 2 && (code.substr(0, 2) == "TN" || code.substr(0, 2) == "tn") &&
        code.find_first_not_of("0123456789", 2) == std::string_view::npos) {
        return {"“TN”加数字的站码留给尚无站码的测站，请用本站的正式站码。", {}};
    }
    return transaction(*engine_, true, [&]() -> Problem {
        Rows found;
        if (Problem p = engine_->run("SELECT id FROM station WHERE code = $1 OR name = $1",
                                     {Param::of(station)}, &found)) {
            return p;
        }
        if (found.rows.size() != 1) {
            return {"数据库中没有测站“" + std::string(station) + "”。", {}};
        }
        if (Problem p = engine_->run("UPDATE station SET code = $1 WHERE id = $2",
                                     {Param::of(code), Param::of(found.at(0, 0).number())})) {
            return engine_->lastWasUniqueViolation()
                       ? Problem{"站码“" + std::string(code) + "”已属于另一个测站。", {}}
                       : p;
        }
        return Problem{};
    });
}

Problem gaugingNameProblem(std::string_view name) {
    return nameProblem(name);
}

bool engineAvailable(Location::Engine engine) {
    return engine == Location::Engine::SQLite ? sqliteBuiltIn() : postgresqlBuiltIn();
}

std::int64_t Cell::number() const {
    return isInteger ? integer : static_cast<std::int64_t>(num::numberOf(text));
}

} // namespace tarnelo::store
