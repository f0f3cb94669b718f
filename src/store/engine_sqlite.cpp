// The embedded engine: one SQLite file, written in WAL mode so that readers never wait for the
// writer, and writers queue for up to a quarter of a minute before they give up.
#include "store/engine.hpp"

#include <sqlite3.h>

#include <chrono>
#include <unordered_map>

namespace tarnelo::store {

namespace {

constexpr int kBusyMilliseconds = 15000;

// "$12" becomes "?12" outside quotes: SQLite's numbered parameters.
std::string sqliteText(std::string_view sql) {
    std::string out(sql);
    char quote = 0;
    for (char& c : out) {
        if (quote != 0) {
            quote = c == quote ? 0 : quote;
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == '$') {
            c = '?';
        }
    }
    return out;
}

class SQLiteEngine final : public Engine {
  public:
    explicit SQLiteEngine(sqlite3* db) : db_(db) {}
    ~SQLiteEngine() override {
        for (auto& [sql, statement] : statements_) {
            sqlite3_finalize(statement);
        }
        sqlite3_close_v2(db_);
    }
    Location::Engine kind() const override { return Location::Engine::SQLite; }

    Problem run(std::string_view sql, const std::vector<Param>& params, Rows* rows) override {
        sqlite3_stmt* statement = prepared(sql);
        if (statement == nullptr) {
            return failed();
        }
        for (std::size_t i = 0; i < params.size(); ++i) {
            bind(statement, static_cast<int>(i) + 1, params[i]);
        }
        int status = SQLITE_ROW;
        while ((status = sqlite3_step(statement)) == SQLITE_ROW) {
            if (rows != nullptr) {
                rows->rows.push_back(rowOf(statement));
            }
        }
        unique_ = (sqlite3_extended_errcode(db_) == SQLITE_CONSTRAINT_UNIQUE ||
                   sqlite3_extended_errcode(db_) == SQLITE_CONSTRAINT_PRIMARYKEY);
        sqlite3_reset(statement);
        sqlite3_clear_bindings(statement);
        return status == SQLITE_DONE ? Problem{} : failed(status);
    }

    Problem script(std::string_view sql) override {
        char* error = nullptr;
        const int status = sqlite3_exec(db_, std::string(sql).c_str(), nullptr, nullptr, &error);
        if (status == SQLITE_OK) {
            return {};
        }
        std::string message = error != nullptr ? error : sqlite3_errstr(status);
        sqlite3_free(error);
        return {"数据库出错：" + message, std::nullopt};
    }

    Problem begin(bool writing) override { return script(writing ? "BEGIN IMMEDIATE" : "BEGIN"); }
    Problem commit() override { return script("COMMIT"); }
    void rollback() override {
        if (sqlite3_get_autocommit(db_) == 0) {
            script("ROLLBACK");
        }
    }
    void setDurable(bool durable) override {
        script(durable ? "PRAGMA synchronous=FULL" : "PRAGMA synchronous=NORMAL");
        if (durable) {
            // What the quicker commits left in the log reaches the file now.
            script("PRAGMA wal_checkpoint(FULL)");
        }
    }
    bool lastWasUniqueViolation() const override { return unique_; }

  private:
    sqlite3_stmt* prepared(std::string_view sql) {
        const std::string key(sql);
        if (const auto found = statements_.find(key); found != statements_.end()) {
            return found->second;
        }
        sqlite3_stmt* statement = nullptr;
        const std::string text = sqliteText(sql);
        if (sqlite3_prepare_v3(db_, text.c_str(), static_cast<int>(text.size()),
                               SQLITE_PREPARE_PERSISTENT, &statement, nullptr) != SQLITE_OK) {
            return nullptr;
        }
        statements_.emplace(key, statement);
        return statement;
    }

    static void bind(sqlite3_stmt* statement, int index, const Param& param) {
        switch (param.kind) {
        case Param::Kind::Null:
            sqlite3_bind_null(statement, index);
            break;
        case Param::Kind::Integer:
            sqlite3_bind_int64(statement, index, param.integer);
            break;
        // An empty view may have no data at all, which SQLite would take for NULL.
        case Param::Kind::Text:
            sqlite3_bind_text64(statement, index, param.text.empty() ? "" : param.text.data(),
                                param.text.size(), SQLITE_STATIC, SQLITE_UTF8);
            break;
        case Param::Kind::Bytes:
            if (param.text.empty()) {
                sqlite3_bind_zeroblob(statement, index, 0);
            } else {
                sqlite3_bind_blob64(statement, index, param.text.data(), param.text.size(),
                                    SQLITE_STATIC);
            }
            break;
        }
    }

    static std::vector<Cell> rowOf(sqlite3_stmt* statement) {
        std::vector<Cell> row(static_cast<std::size_t>(sqlite3_column_count(statement)));
        for (std::size_t c = 0; c < row.size(); ++c) {
            const int i = static_cast<int>(c);
            Cell& cell = row[c];
            const int type = sqlite3_column_type(statement, i);
            cell.null = type == SQLITE_NULL;
            if (type == SQLITE_INTEGER) {
                cell.isInteger = true;
                cell.integer = sqlite3_column_int64(statement, i);
            } else if (!cell.null) {
                const void* data = type == SQLITE_BLOB ? sqlite3_column_blob(statement, i)
                                                       : sqlite3_column_text(statement, i);
                const int size = sqlite3_column_bytes(statement, i);
                if (data != nullptr) {
                    cell.text.assign(static_cast<const char*>(data),
                                     static_cast<std::size_t>(size));
                }
            }
        }
        return row;
    }

    Problem failed(int status = SQLITE_ERROR) const {
        const int code = sqlite3_errcode(db_);
        if (code == SQLITE_BUSY || status == SQLITE_BUSY) {
            return {"数据库正被另一个程序写入，等待超过 15 秒，未能完成。请稍后再试。",
                    std::nullopt};
        }
        if (code == SQLITE_NOTADB) {
            return {"这个文件不是 Tarnelo 的数据库（SQLite）。", std::nullopt};
        }
        if (code == SQLITE_READONLY) {
            return {"数据库以只读方式打开，或文件不可写，未能写入。", std::nullopt};
        }
        if (code == SQLITE_FULL) {
            return {"磁盘已满，数据库未能写入。", std::nullopt};
        }
        return {std::string("数据库出错：") + sqlite3_errmsg(db_), std::nullopt};
    }

    sqlite3* db_;
    std::unordered_map<std::string, sqlite3_stmt*> statements_;
    bool unique_ = false;
};

} // namespace

std::unique_ptr<Engine> openSQLite(const std::string& path, bool create, bool readOnly,
                                   Problem& problem) {
    sqlite3* db = nullptr;
    int flags = readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    if (create && !readOnly) {
        flags |= SQLITE_OPEN_CREATE;
    }
    const int status = sqlite3_open_v2(path.c_str(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (status != SQLITE_OK) {
        const std::string reason = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(status);
        sqlite3_close_v2(db);
        problem = {status == SQLITE_CANTOPEN
                       ? "无法打开数据库文件（不存在，或所在文件夹不可读写）：" + reason
                       : "无法打开数据库文件：" + reason,
                   std::nullopt};
        return nullptr;
    }
    sqlite3_busy_timeout(db, kBusyMilliseconds);
    sqlite3_extended_result_codes(db, 1);
    auto engine = std::make_unique<SQLiteEngine>(db);
    // A file that is no database says so at its first read.
    Rows mode;
    if (Problem p = engine->run("PRAGMA schema_version", {}, &mode)) {
        problem = p;
        return nullptr;
    }
    if (!readOnly) {
        if (Problem p = engine->script("PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL")) {
            problem = p;
            return nullptr;
        }
    }
    engine->script("PRAGMA foreign_keys=ON");
    return engine;
}

} // namespace tarnelo::store

namespace tarnelo::store {
bool sqliteBuiltIn() {
    return true;
}
} // namespace tarnelo::store
