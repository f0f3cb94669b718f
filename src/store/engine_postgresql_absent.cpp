// A build without libpq: a PostgreSQL store cannot be opened, and says so.
#include "store/store_rows.hpp"

namespace tarnelo::store {

bool postgresqlBuiltIn() {
    return false;
}

std::unique_ptr<Engine> openPostgreSQL(const std::string&, Problem& problem) {
    problem = {"此版本的 Tarnelo 不含 PostgreSQL 数据库支持。", {}};
    return nullptr;
}

} // namespace tarnelo::store
