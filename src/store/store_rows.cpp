#include "store/store_rows.hpp"

#include "measure/numtext.hpp"
#include "store/schema.hpp"

#include <algorithm>
#include <tuple>
#include <unordered_map>

namespace tarnelo::store {

namespace {

Param textOrNull(const std::string& text) {
    return text.empty() ? Param::null() : Param::of(std::string_view(text));
}

// The station named in the facts, added with a provisional code when new; 0 for none.
Problem stationOf(Engine& engine, const Facts& facts, std::int64_t& id) {
    id = 0;
    if (facts.stationName.empty()) {
        return {};
    }
    Rows rows;
    if (Problem p = engine.run("SELECT id FROM station WHERE name = $1",
                               {Param::of(facts.stationName)}, &rows)) {
        return p;
    }
    if (!rows.empty()) {
        id = rows.at(0, 0).number();
        return {};
    }
    // New: added under a placeholder, then given the provisional code its row's id makes.
    const std::string placeholder = "~" + facts.stationName;
    const Dialect& d = dialectOf(engine.kind());
    if (Problem p = engine.run("INSERT INTO station (code, name) VALUES ($1, $2) ON CONFLICT DO "
                               "NOTHING",
                               {Param::of(placeholder), Param::of(facts.stationName)})) {
        return p;
    }
    if (Problem p = engine.run(spelled("UPDATE station SET code = {code} WHERE code = $1", d),
                               {Param::of(placeholder)})) {
        return p;
    }
    if (Problem p = engine.run("SELECT id FROM station WHERE name = $1",
                               {Param::of(facts.stationName)}, &rows)) {
        return p;
    }
    id = rows.empty() ? 0 : rows.at(0, 0).number();
    return {};
}

Problem addResult(Engine& engine, std::int64_t revision, const Facts& f) {
    const std::vector<Param> params{Param::of(revision),
                                    Param::of(f.status),
                                    textOrNull(f.stationName),
                                    textOrNull(f.number),
                                    f.qobno ? Param::of(*f.qobno) : Param::null(),
                                    textOrNull(f.start),
                                    textOrNull(f.end),
                                    textOrNull(f.place),
                                    textOrNull(f.method),
                                    textOrNull(f.stage),
                                    textOrNull(f.results[0]),
                                    textOrNull(f.results[1]),
                                    textOrNull(f.results[2]),
                                    textOrNull(f.results[3]),
                                    textOrNull(f.results[4]),
                                    textOrNull(f.results[5]),
                                    textOrNull(f.results[6]),
                                    textOrNull(f.slope),
                                    textOrNull(f.roughness),
                                    textOrNull(f.remarks),
                                    Param::of(std::int64_t{f.errors}),
                                    Param::of(std::int64_t{f.notices})};
    return engine.run(
        "INSERT INTO revision_result (revision_id, status, station_name, number, qobno, "
        "start_time, end_time, place, method, stage, discharge, area, mean_velocity, "
        "max_velocity, width, mean_depth, max_depth, slope, roughness, remarks, errors, notices) "
        "VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13, $14, $15, $16, $17, $18, "
        "$19, $20, $21, $22)",
        params);
}

// Whether the latest revision holds bytes already (and is no deletion).
Problem sameAsLatest(Engine& engine, std::int64_t id, int latest, std::string_view bytes,
                     bool& same) {
    Revision revision;
    std::string held;
    if (Problem p = readRevision(engine, id, latest, revision, &held)) {
        return p;
    }
    same = !revision.deleted && held == bytes;
    return {};
}

Problem newerProblem(Engine& engine, std::int64_t id, int latest, std::string_view name) {
    Revision newer;
    if (Problem p = readRevision(engine, id, latest, newer, nullptr)) {
        return p;
    }
    std::string message = "“" + std::string(name) + "”";
    message += newer.deleted ? "已被 " : "已由 ";
    message += newer.savedBy + "（" + newer.machine + "）于 " + newer.savedAt + "（UTC）";
    message += newer.deleted ? "删除" : "保存了第 " + std::to_string(newer.number) + " 版";
    message += "，晚于你读取的版本；你的修改没有保存。可另存为在其之上的新版本，原有各版都会保留。";
    return {message, newer};
}

// An import's file that differs from what the store holds: the store's version stays latest.
Problem differsProblem(Engine& engine, std::int64_t id, int latest, std::string_view name) {
    Revision held;
    if (Problem p = readRevision(engine, id, latest, held, nullptr)) {
        return p;
    }
    return {"数据库中的“" + std::string(name) + "”第 " + std::to_string(held.number) + " 版（" +
                held.savedBy + "（" + held.machine + "）于 " + held.savedAt +
                "（UTC）保存）与此文件不同，未导入：库中的版本不被覆盖。",
            held};
}

bool validUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t length = c < 0x80         ? 1
                                   : (c >> 5) == 6  ? 2
                                   : (c >> 4) == 14 ? 3
                                   : (c >> 3) == 30 ? 4
                                                    : 0;
        if (length == 0 || i + length > text.size()) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) >> 6) != 2) {
                return false;
            }
        }
        i += length;
    }
    return true;
}

// CON, PRN, AUX, NUL, COM1…9 and LPT1…9, with any extension: devices, not files, on Windows.
bool deviceName(std::string_view name) {
    std::string stem(name.substr(0, name.find('.')));
    while (!stem.empty() && stem.back() == ' ') {
        stem.pop_back();
    }
    for (char& c : stem) {
        c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    }
    if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL") {
        return true;
    }
    return stem.size() == 4 && (stem.rfind("COM", 0) == 0 || stem.rfind("LPT", 0) == 0) &&
           stem[3] >= '1' && stem[3] <= '9';
}

} // namespace

Problem writeRevision(Engine& engine, const WriteRequest& request, Written& written) {
    const Dialect& d = dialectOf(engine.kind());
    const Param name = Param::of(request.name);
    // Names that differ only in case would be one file where names ignore it (Windows).
    Rows alike;
    if (Problem p = engine.run("SELECT name FROM gauging WHERE lower(name) = lower($1) AND name "
                               "<> $1 AND latest > 0",
                               {name}, &alike)) {
        return p;
    }
    if (!alike.empty()) {
        return {"数据库中已有只差大小写的测次“" + alike.at(0, 0).text + "”，请换一个名称。", {}};
    }
    if (Problem p =
            engine.run("INSERT INTO gauging (name) VALUES ($1) ON CONFLICT DO NOTHING", {name})) {
        return p;
    }
    Rows rows;
    if (Problem p = engine.run(spelled("SELECT id, latest FROM gauging WHERE name = $1{lock}", d),
                               {name}, &rows)) {
        return p;
    }
    const std::int64_t id = rows.at(0, 0).number();
    const int latest = static_cast<int>(rows.at(0, 1).number());
    written.added = latest == 0;
    if (request.onTop && latest > 0) {
        if (Problem p = sameAsLatest(engine, id, latest, request.bytes, written.unchanged)) {
            return p;
        }
        if (written.unchanged) {
            written.number = latest;
            return {};
        }
        if (!request.overLatest) {
            return differsProblem(engine, id, latest, request.name);
        }
    } else if (!request.onTop && latest != request.basedOn) {
        return newerProblem(engine, id, latest, request.name);
    }
    written.number = latest + 1;
    const bool deletion = request.facts == nullptr;
    Rows added;
    if (Problem p = engine.run(
            spelled("INSERT INTO revision (gauging_id, number, bytes, saved_by, machine, saved_at, "
                    "program, deleted) VALUES ($1, $2, $3, $4, $5, {now}, $6, $7) RETURNING id",
                    d),
            {Param::of(id), Param::of(std::int64_t{written.number}), Param::bytes(request.bytes),
             Param::of(request.author.user), Param::of(request.author.machine),
             Param::of(request.author.program), Param::of(std::int64_t{deletion ? 1 : 0})},
            &added)) {
        return p;
    }
    if (deletion) {
        return engine.run("UPDATE gauging SET latest = $2, deleted = 1 WHERE id = $1",
                          {Param::of(id), Param::of(std::int64_t{written.number})});
    }
    const Facts& f = *request.facts;
    std::int64_t station = 0;
    if (Problem p = stationOf(engine, f, station)) {
        return p;
    }
    if (Problem p = addResult(engine, added.at(0, 0).number(), f)) {
        return p;
    }
    return engine.run(
        "UPDATE gauging SET station_id = $2, year = $3, number = $4, start_time = $5, "
        "latest = $6, deleted = 0 WHERE id = $1",
        {Param::of(id), station != 0 ? Param::of(station) : Param::null(),
         f.year ? Param::of(std::int64_t{*f.year}) : Param::null(), textOrNull(f.number),
         textOrNull(f.start), Param::of(std::int64_t{written.number})});
}

Problem nameProblem(std::string_view name) {
    const std::string shown = "“" + std::string(name) + "”";
    if (name.empty() || name == "." || name == "..") {
        return {"测验的名称不能为空，也不能是“.”或“..”。", {}};
    }
    if (name.size() > 200) {
        return {"测验的名称太长（至多 200 字节）。", {}};
    }
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7f ||
            std::string_view("/\\:*?\"<>|").find(static_cast<char>(c)) != std::string_view::npos) {
            return {"测验的名称" + shown +
                        "含有不能用于文件名的字符（/ \\ : * ? \" < > | 或控制字符）。",
                    {}};
        }
    }
    if (!validUtf8(name)) {
        return {"测验的名称不是有效的 UTF-8 文字（文件名的编码有误），请改名后再存入。", {}};
    }
    if (deviceName(name)) {
        return {"测验的名称" + shown + "在 Windows 上是设备名，不能用作文件名。", {}};
    }
    if (name.back() == '.' || name.back() == ' ' || name.front() == ' ') {
        return {"测验的名称" + shown + "不能以空格开头，也不能以空格或“.”结尾。", {}};
    }
    return {};
}

Result<std::int64_t> findGauging(Engine& engine, std::string_view gauging) {
    Rows rows;
    if (Problem p = engine.run("SELECT id FROM gauging WHERE name = $1 AND latest > 0",
                               {Param::of(gauging)}, &rows)) {
        return {std::nullopt, p};
    }
    if (!rows.empty()) {
        return {rows.at(0, 0).number(), {}};
    }
    const std::size_t first = gauging.find('/');
    const std::size_t second = gauging.find('/', first == std::string_view::npos ? 0 : first + 1);
    const std::string notFound =
        "数据库中没有测验“" + std::string(gauging) + "”（按文件名，或按“测站/年/施测号数”查找）。";
    if (second == std::string_view::npos || gauging.find('/', second + 1) != std::string::npos) {
        return {std::nullopt, {notFound, {}}};
    }
    const std::string_view station = gauging.substr(0, first);
    const std::string_view year = gauging.substr(first + 1, second - first - 1);
    const std::string_view number = gauging.substr(second + 1);
    if (year.size() != 4 || year.find_first_not_of("0123456789") != std::string_view::npos) {
        return {std::nullopt, {notFound, {}}};
    }
    if (Problem p = engine.run(
            "SELECT g.id FROM gauging g JOIN station s ON s.id = g.station_id WHERE (s.code = $1 "
            "OR s.name = $1) AND g.year = $2 AND g.number = $3 AND g.deleted = 0",
            {Param::of(station), Param::of(static_cast<std::int64_t>(num::numberOf(year))),
             Param::of(number)},
            &rows)) {
        return {std::nullopt, p};
    }
    if (rows.rows.size() > 1) {
        return {
            std::nullopt,
            {"“" + std::string(gauging) + "”对应多份测验（施测号数重复），请按文件名指定。", {}}};
    }
    if (rows.empty()) {
        return {std::nullopt, {notFound, {}}};
    }
    return {rows.at(0, 0).number(), {}};
}

Problem listGaugings(Engine& engine, const Filter& filter, std::int64_t onlyId,
                     std::vector<ListedGauging>& out) {
    Rows rows;
    if (Problem p = engine.run(
            "SELECT g.id, g.name, s.code, s.name, g.year, g.number, g.start_time, x.end_time, "
            "x.stage, x.discharge, x.status, x.errors, x.notices, r.number, r.saved_by, "
            "r.machine, r.saved_at, r.program, r.deleted, length(r.bytes) "
            "FROM gauging g LEFT JOIN station s ON s.id = g.station_id "
            "JOIN revision r ON r.gauging_id = g.id AND r.number = g.latest "
            "LEFT JOIN revision_result x ON x.revision_id = r.id "
            "WHERE ($1 = '' OR s.code = $1 OR s.name = $1) AND ($2 = 0 OR g.year = $2) "
            "AND ($3 = 1 OR g.deleted = 0) AND ($4 = 0 OR g.id = $4)",
            {Param::of(std::string_view(filter.station)),
             Param::of(std::int64_t{filter.year.value_or(0)}),
             Param::of(std::int64_t{filter.withDeleted ? 1 : 0}), Param::of(onlyId)},
            &rows)) {
        return p;
    }
    out.reserve(rows.rows.size());
    for (std::size_t r = 0; r < rows.rows.size(); ++r) {
        const auto& row = rows.rows[r];
        ListedGauging one;
        one.id = row[0].number();
        GaugingEntry& e = one.entry;
        e.name = row[1].text;
        e.stationCode = row[2].text;
        e.stationName = row[3].text;
        e.year = row[4].null ? 0 : static_cast<int>(row[4].number());
        e.number = row[5].text;
        e.start = row[6].text;
        e.end = row[7].text;
        e.stage = row[8].text;
        e.discharge = row[9].text;
        e.status = row[10].null ? std::string("已删除") : statusWords(row[10].text);
        e.errors = static_cast<int>(row[11].number());
        e.notices = static_cast<int>(row[12].number());
        e.latest = revisionOf(rows, r, 13);
        out.push_back(std::move(one));
    }
    std::sort(out.begin(), out.end(), [](const ListedGauging& a, const ListedGauging& b) {
        return std::tie(a.entry.stationCode, a.entry.year, a.entry.start, a.entry.name) <
               std::tie(b.entry.stationCode, b.entry.year, b.entry.start, b.entry.name);
    });
    return {};
}

Problem latestBytes(Engine& engine, const std::vector<ListedGauging>& listed, std::size_t from,
                    std::size_t to, std::vector<std::string>& bytes) {
    std::string sql = "SELECT r.gauging_id, r.bytes FROM revision r JOIN gauging g ON g.id = "
                      "r.gauging_id AND r.number = g.latest WHERE r.gauging_id IN (";
    std::vector<Param> ids;
    for (std::size_t i = from; i < to; ++i) {
        ids.push_back(Param::of(listed[i].id));
        sql += (i == from ? "$" : ", $") + std::to_string(i - from + 1);
    }
    sql += ")";
    Rows rows;
    if (Problem p = engine.run(sql, ids, &rows)) {
        return p;
    }
    std::unordered_map<std::int64_t, std::string*> byId;
    bytes.assign(to - from, {});
    for (std::size_t i = from; i < to; ++i) {
        byId[listed[i].id] = &bytes[i - from];
    }
    for (auto& row : rows.rows) {
        if (const auto found = byId.find(row[0].number()); found != byId.end()) {
            *found->second = std::move(row[1].text);
            byId.erase(found);
        }
    }
    // Listed and fetched in one transaction, every one is there; if not, say so rather than
    // hand on an empty file.
    if (!byId.empty()) {
        return {"数据库中有测次的文件未能读出，请重试。", {}};
    }
    return {};
}

Problem readRevision(Engine& engine, std::int64_t gauging, int number, Revision& revision,
                     std::string* bytes) {
    Rows rows;
    const std::string sql = "SELECT " + std::string(kRevisionColumns) +
                            (bytes != nullptr ? ", bytes" : "") +
                            " FROM revision WHERE gauging_id = $1 AND number = $2";
    if (Problem p = engine.run(sql, {Param::of(gauging), Param::of(std::int64_t{number})}, &rows)) {
        return p;
    }
    if (rows.empty()) {
        return {"这份测验没有第 " + std::to_string(number) + " 版。", {}};
    }
    revision = revisionOf(rows, 0, 0);
    if (bytes != nullptr) {
        *bytes = std::move(rows.rows[0][7].text);
    }
    return {};
}

Revision revisionOf(const Rows& rows, std::size_t row, std::size_t first) {
    const auto& r = rows.rows[row];
    Revision revision;
    revision.number = static_cast<int>(r[first].number());
    revision.savedBy = r[first + 1].text;
    revision.machine = r[first + 2].text;
    revision.savedAt = r[first + 3].text;
    revision.program = r[first + 4].text;
    revision.deleted = r[first + 5].number() != 0;
    revision.bytes = static_cast<std::size_t>(r[first + 6].number());
    return revision;
}

} // namespace tarnelo::store
