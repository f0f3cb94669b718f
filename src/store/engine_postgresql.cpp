// A bureau's server through libpq. The connection string or URL is the user's: a password is
// taken from libpq's own ~/.pgpass or a service file, never asked for or kept by Tarnelo; TLS is
// used when the server offers it (libpq's sslmode=prefer) unless the string says otherwise. No
// call waits for ever: connecting gives up after 10 s, a lock after 15 s.
#include "store/engine.hpp"

#include <libpq-fe.h>

#include <array>
#include <cstring>
#include <optional>

namespace tarnelo::store {

namespace {

constexpr unsigned kInt8 = 20;
constexpr unsigned kBytea = 17;

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return c >= 'A' && c <= 'F' ? c - 'A' + 10 : 0;
}

// bytea in the text form the session asks for (bytea_output = hex): "\x" and two hex digits a
// byte; std::nullopt for anything else.
std::optional<std::string> bytesOfHex(const char* text, std::size_t size) {
    std::string out;
    if (size < 2 || size % 2 != 0 || text[0] != '\\' || text[1] != 'x') {
        return std::nullopt;
    }
    out.resize((size - 2) / 2);
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = static_cast<char>(hexValue(text[2 + 2 * i]) * 16 + hexValue(text[3 + 2 * i]));
    }
    return out;
}

std::string trimmed(const char* text) {
    std::string out = text != nullptr ? text : "";
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) {
        out.pop_back();
    }
    return out;
}

// The server's words for a refusal, in the user's terms where the cause is a common one.
Problem problemOf(PGconn* connection, const PGresult* result) {
    const char* state = result != nullptr ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    const std::string code = state != nullptr ? state : "";
    const std::string said =
        trimmed(result != nullptr ? PQresultErrorMessage(result) : PQerrorMessage(connection));
    if (PQstatus(connection) == CONNECTION_BAD) {
        return {"与数据库服务器的连接已断开：" + said, std::nullopt};
    }
    if (code == "42501") {
        return {"数据库服务器拒绝了这个操作：当前登录的角色没有这个权限。（" + said + "）",
                std::nullopt};
    }
    if (code == "55P03" || code == "57014") {
        return {"数据库服务器上的数据正被另一个用户写入，等待超时，未能完成。请稍后再试。",
                std::nullopt};
    }
    return {"数据库服务器出错：" + said, std::nullopt};
}

// Each session: no lock waited for over 15 s, no statement over 10 min, times in UTC, a file's
// bytes sent as hex.
constexpr const char* kSession = "SET lock_timeout = '15s'; SET statement_timeout = '600s'; "
                                 "SET TIME ZONE 'UTC'; SET bytea_output = 'hex'";

class PostgreSQLEngine final : public Engine {
  public:
    explicit PostgreSQLEngine(PGconn* connection) : connection_(connection) {}
    ~PostgreSQLEngine() override { PQfinish(connection_); }
    Location::Engine kind() const override { return Location::Engine::PostgreSQL; }

    Problem run(std::string_view sql, const std::vector<Param>& params, Rows* rows) override {
        if (Problem p = reconnectIfLost()) {
            return p;
        }
        std::vector<unsigned> types(params.size(), 0);
        std::vector<const char*> values(params.size(), nullptr);
        std::vector<int> lengths(params.size(), 0);
        std::vector<int> formats(params.size(), 0);
        std::vector<std::array<char, 8>> integers(params.size());
        std::vector<std::string> texts(params.size());
        for (std::size_t i = 0; i < params.size(); ++i) {
            const Param& p = params[i];
            if (p.kind == Param::Kind::Integer) {
                auto value = static_cast<std::uint64_t>(p.integer);
                for (int b = 7; b >= 0; --b, value >>= 8) {
                    integers[i][static_cast<std::size_t>(b)] = static_cast<char>(value & 0xff);
                }
                types[i] = kInt8;
                values[i] = integers[i].data();
                lengths[i] = 8;
                formats[i] = 1;
            } else if (p.kind == Param::Kind::Bytes) {
                types[i] = kBytea;
                values[i] = p.text.empty() ? "" : p.text.data();
                lengths[i] = static_cast<int>(p.text.size());
                formats[i] = 1;
            } else if (p.kind == Param::Kind::Text) {
                texts[i] = std::string(p.text); // libpq wants it ended by a zero
                values[i] = texts[i].c_str();
            }
        }
        PGresult* result =
            PQexecParams(connection_, std::string(sql).c_str(), static_cast<int>(params.size()),
                         types.data(), values.data(), lengths.data(), formats.data(), 0);
        Problem problem = checked(result);
        if (!problem && rows != nullptr && !read(result, *rows)) {
            problem = {"数据库服务器送来的文件内容格式不对（bytea_output 应为 hex），未读取。",
                       std::nullopt};
        }
        PQclear(result);
        return problem;
    }

    Problem script(std::string_view sql) override {
        PGresult* result = PQexec(connection_, std::string(sql).c_str());
        Problem problem = checked(result);
        PQclear(result);
        return problem;
    }

    // A reading transaction sees one moment of the database throughout (a list and the files of
    // it agree); a writing one locks the rows it changes.
    Problem begin(bool writing) override {
        if (Problem p = reconnectIfLost()) {
            return p;
        }
        return script(writing ? "BEGIN" : "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
    }
    Problem commit() override {
        PGresult* result = PQexec(connection_, "COMMIT");
        Problem problem = checked(result);
        // A transaction that had failed answers COMMIT with ROLLBACK, and no error.
        if (!problem && std::strcmp(PQcmdStatus(result), "ROLLBACK") == 0) {
            problem = {"数据库服务器撤销了这次写入。", std::nullopt};
        }
        PQclear(result);
        return problem;
    }
    void rollback() override {
        if (PQtransactionStatus(connection_) != PQTRANS_IDLE) {
            PQclear(PQexec(connection_, "ROLLBACK"));
        }
    }
    void setDurable(bool durable) override {
        // Commits without waiting for the server's disk keep their order and are never torn; the
        // next commit that waits makes them durable too.
        script(durable ? "SET synchronous_commit = on" : "SET synchronous_commit = off");
        if (durable) {
            // A commit that writes and waits for the disk takes every commit before it there.
            script("BEGIN; SELECT txid_current(); COMMIT");
        }
    }
    bool lastWasUniqueViolation() const override { return unique_; }

  private:
    // A connection the network dropped is made again, once, outside a transaction (inside one,
    // what it did is gone and the caller hears so).
    Problem reconnectIfLost() {
        if (PQstatus(connection_) != CONNECTION_BAD) {
            return {};
        }
        PQreset(connection_);
        if (PQstatus(connection_) != CONNECTION_OK) {
            return {"与数据库服务器的连接已断开，重新连接未成功：" +
                        trimmed(PQerrorMessage(connection_)),
                    std::nullopt};
        }
        return script(kSession);
    }

    Problem checked(const PGresult* result) {
        const ExecStatusType status = PQresultStatus(result);
        unique_ = false;
        if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) {
            return {};
        }
        const char* state =
            result != nullptr ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
        unique_ = state != nullptr && std::strcmp(state, "23505") == 0;
        return problemOf(connection_, result);
    }

    // False when a file's bytes came in a form not asked for.
    static bool read(const PGresult* result, Rows& rows) {
        const int columns = PQnfields(result);
        for (int r = 0; r < PQntuples(result); ++r) {
            std::vector<Cell> row(static_cast<std::size_t>(columns));
            for (int c = 0; c < columns; ++c) {
                Cell& cell = row[static_cast<std::size_t>(c)];
                cell.null = PQgetisnull(result, r, c) != 0;
                if (cell.null) {
                    continue;
                }
                const char* text = PQgetvalue(result, r, c);
                const auto size = static_cast<std::size_t>(PQgetlength(result, r, c));
                if (PQftype(result, c) != kBytea) {
                    cell.text.assign(text, size);
                } else if (std::optional<std::string> bytes = bytesOfHex(text, size)) {
                    cell.text = std::move(*bytes);
                } else {
                    return false;
                }
            }
            rows.rows.push_back(std::move(row));
        }
        return true;
    }

    PGconn* connection_;
    bool unique_ = false;
};

void quiet(void*, const char*) {}

std::string connectionProblem(PGconn* connection) {
    const std::string said = trimmed(PQerrorMessage(connection));
    if (said.find("password") != std::string::npos &&
        said.find("no password supplied") != std::string::npos) {
        return "数据库服务器要求密码。Tarnelo 不询问也不保存密码：请把它写入 libpq 的密码文件 "
               "~/.pgpass（Windows 为 %APPDATA%\\postgresql\\pgpass.conf），或用服务文件"
               "（PGSERVICE）。（" +
               said + "）";
    }
    if (said.find("timeout") != std::string::npos) {
        return "连接数据库服务器超时（10 秒）：" + said;
    }
    return "无法连接数据库服务器：" + said;
}

} // namespace

std::unique_ptr<Engine> openPostgreSQL(const std::string& conninfo, Problem& problem) {
    // The caller's string comes after these and so overrides any of them; the encoding is always
    // UTF-8.
    // A server that stops answering is given up after about a minute, not the system's hours.
    const std::array<const char*, 10> keys{"connect_timeout",  "keepalives",
                                           "keepalives_idle",  "keepalives_interval",
                                           "keepalives_count", "tcp_user_timeout",
                                           "application_name", "dbname",
                                           "client_encoding",  nullptr};
    const std::array<const char*, 10> values{
        "10", "1", "20", "10", "3", "60000", "Tarnelo", conninfo.c_str(), "UTF8", nullptr};
    PGconn* connection = PQconnectdbParams(keys.data(), values.data(), 1);
    if (connection == nullptr || PQstatus(connection) != CONNECTION_OK) {
        problem = {connection != nullptr ? connectionProblem(connection)
                                         : std::string("无法连接数据库服务器：内存不足"),
                   std::nullopt};
        PQfinish(connection);
        return nullptr;
    }
    PQsetNoticeProcessor(connection, quiet, nullptr);
    auto engine = std::make_unique<PostgreSQLEngine>(connection);
    if (Problem p = engine->script(kSession)) {
        problem = p;
        return nullptr;
    }
    return engine;
}

} // namespace tarnelo::store

namespace tarnelo::store {
bool postgresqlBuiltIn() {
    return true;
}
} // namespace tarnelo::store
