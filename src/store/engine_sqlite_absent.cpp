// A build without SQLite's library: a SQLite store cannot be opened, and says so.
#include "store/store_rows.hpp"

namespace tarnelo::store {

bool sqliteBuiltIn() {
    return false;
}

std::unique_ptr<Engine> openSQLite(const std::string&, bool, bool, Problem& problem) {
    problem = {"此版本的 Tarnelo 不含 SQLite 数据库支持。", {}};
    return nullptr;
}

} // namespace tarnelo::store
