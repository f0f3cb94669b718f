// Placeholder until the engines land: every call says the store is not built yet.
#include "store/store.hpp"

namespace tarnelo::store {

class Engine {};

namespace {
Problem notYet() {
    return {"数据库存储尚未完成", std::nullopt};
}
} // namespace

Location locationOf(std::string_view text) {
    Location where;
    where.text = std::string(text);
    where.shown = where.text;
    if (text.starts_with("postgresql:") || text.starts_with("postgres:")) {
        where.engine = Location::Engine::PostgreSQL;
    }
    return where;
}

Author thisAuthor() {
    return {"user", "machine", "Tarnelo 13.05"};
}

int ImportReport::count(Item::Outcome outcome) const {
    int n = 0;
    for (const Item& item : items) {
        n += item.outcome == outcome ? 1 : 0;
    }
    return n;
}

Result<Store> Store::init(const Location&) {
    return {std::nullopt, notYet()};
}
Result<Store> Store::open(const Location&, Access) {
    return {std::nullopt, notYet()};
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
Result<int> Store::save(std::string_view, std::string_view, int, const Author&) {
    return {std::nullopt, notYet()};
}
Result<int> Store::remove(std::string_view, int, const Author&) {
    return {std::nullopt, notYet()};
}
ImportReport Store::importFiles(const std::vector<std::string>&, const Author&,
                                const std::function<void(std::size_t, std::size_t)>&,
                                const std::function<bool()>&) {
    return {};
}
Result<std::vector<GaugingEntry>> Store::list(const Filter&) {
    return {std::nullopt, notYet()};
}
Result<StoredGauging> Store::read(std::string_view, std::optional<int>) {
    return {std::nullopt, notYet()};
}
Result<std::vector<Revision>> Store::history(std::string_view) {
    return {std::nullopt, notYet()};
}
Problem Store::eachLatest(const Filter&, const std::function<bool(StoredGauging&&)>&) {
    return notYet();
}
Result<int> Store::exportTo(const Filter&, const std::string&,
                            const std::function<void(std::size_t, std::size_t)>&) {
    return {std::nullopt, notYet()};
}
Result<std::vector<Store::StationYears>> Store::stations() {
    return {std::nullopt, notYet()};
}
bool engineAvailable(Location::Engine) {
    return false;
}
std::string postgresqlSetupSql() {
    return {};
}

} // namespace tarnelo::store

namespace tarnelo::store {
Problem Store::setStationCode(std::string_view, std::string_view) {
    return notYet();
}
} // namespace tarnelo::store
