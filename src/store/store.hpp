// A store of gaugings: every raw data file as it was saved, every revision of it with who saved
// it, where and when, and the tables a bureau reads, in a SQLite file (one machine) or on a
// PostgreSQL server (a bureau). Both engines keep the same schema and behave alike; which one a
// store is follows from its location. Nothing here is ever deleted or overwritten: a save adds a
// revision, a deletion is a marked revision.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnelo::store {

// The schema this program writes. A store of an older version is upgraded when opened for
// writing; a newer one opens only for reading.
inline constexpr int kSchemaVersion = 1;

// Where a store is: "postgresql://…" or "postgres://…" (a libpq URL, which may name a service:
// "postgresql:///?service=bureau"), or a libpq connection string of key=value pairs
// ("host=db.bureau dbname=hydro", "service=bureau"); anything else is the path of a SQLite file
// (one whose name reads as key=value is named with its folder: "./a=b.db").
struct Location {
    enum class Engine { SQLite, PostgreSQL };
    Engine engine = Engine::SQLite;
    // The file's path (UTF-8) or the connection string as given.
    std::string text;
    // For messages and for remembering: the connection string without a password in it.
    std::string shown;
};
Location locationOf(std::string_view text);
// Whether two locations are one store: one SQLite file however its path is written, or one
// server connection as shown without its password.
bool sameLocation(const Location& a, const Location& b);

// Who saves: the system user, the machine and the program, as kept with every revision.
struct Author {
    std::string user;
    std::string machine;
    std::string program; // "Tarnelo 13.05"
};
// The user running this process and the machine it runs on.
Author thisAuthor();

// One revision of a gauging, as history lists it.
struct Revision {
    int number = 0; // 1, 2, … within its gauging
    std::string savedBy;
    std::string machine;
    std::string savedAt; // UTC, "2026-12-11 02:04:13"
    std::string program;
    bool deleted = false;
    std::size_t bytes = 0; // the size of the file saved
};

// A gauging as lists show it: its name and what its latest revision says.
struct GaugingEntry {
    std::string name;        // the file name it was imported or saved under, without ".dat"
    std::string stationCode; // STCD
    std::string stationName; // 测站名称
    int year = 0;            // from 施测时间; 0 when the file does not say
    std::string number;      // 施测号数
    std::string start;       // 施测时间, "2024-07-12 08:30" (or a date alone), empty if unread
    std::string end;
    std::string stage;     // 基本水尺水位 as the table shows it
    std::string discharge; // 断面流量 as the form prints it
    std::string status;    // "已计算", "不完整", "无法计算", "无法读取"
    int errors = 0;        // findings 错误
    int notices = 0;       // findings 注意
    Revision latest;
};

// What a read of one gauging gives: the latest revision (or the one asked for) and its bytes.
struct StoredGauging {
    GaugingEntry entry;
    Revision revision;
    std::string bytes; // the raw data file exactly as saved (GBK); empty for a deletion
};

// Why a call failed, in Chinese; empty when it did not.
struct Problem {
    std::string message;
    // A save refused because another revision came first: who saved it and when.
    std::optional<Revision> newer;
    explicit operator bool() const { return !message.empty(); }
};

template <typename T> struct Result {
    std::optional<T> value;
    Problem problem;
    explicit operator bool() const { return value.has_value(); }
};

// Which gaugings a list, an export or a station's year takes.
struct Filter {
    std::string station; // a station's code or name; empty for all
    std::optional<int> year;
    bool withDeleted = false; // lists show deleted gaugings too
};

// What an import did with each file.
struct ImportReport {
    struct Item {
        std::string file; // as named to the import
        std::string name; // the gauging it became
        enum class Outcome { Added, NewRevision, Unchanged, Refused } outcome;
        std::string reason; // for Refused
        // Refused because the store holds other bytes under the name: its latest revision.
        std::optional<Revision> held;
    };
    std::vector<Item> items;
    int count(Item::Outcome outcome) const;
};

class Engine;

class Store {
  public:
    enum class Access { ReadOnly, ReadWrite };

    // Creates the schema in an empty store (a new SQLite file, or an empty PostgreSQL
    // database), or upgrades an older one; a store already at this version is left as it is.
    static Result<Store> init(const Location& where);
    // Opens a store made by init. ReadWrite upgrades an older schema in one transaction (kept as
    // it was when the upgrade fails) and refuses a newer one; ReadOnly opens either.
    static Result<Store> open(const Location& where, Access access = Access::ReadWrite);

    Store(Store&&) noexcept;
    Store& operator=(Store&&) noexcept;
    ~Store();

    const Location& location() const;
    Access access() const;
    int schemaVersion() const;

    // Saves bytes (a raw data file) as the next revision of the gauging name. basedOn is the
    // revision the saver read (0 for a gauging new to the store); when another revision has come
    // since, nothing is saved and the problem names it (Problem::newer), so the caller can offer
    // to save as a revision of its own on top of it (basedOn = that revision's number). The
    // revision's number, or why not. One transaction.
    Result<int> save(std::string_view name, std::string_view bytes, int basedOn,
                     const Author& author);
    // Marks the gauging deleted by a revision of its own; the same rule for basedOn.
    Result<int> remove(std::string_view name, int basedOn, const Author& author);

    // Imports files (raw data files, or the .dat files directly in folders), each in its own
    // transaction: a file new to the store becomes a gauging named by its file name, and one the
    // store holds already with the same bytes is left. One whose name the store holds with other
    // bytes is refused, naming who saved the store's version (an old copy must not undo a newer
    // save), unless revise: then it becomes the next revision. progress(done, total) is called
    // after each file; stopped() is asked before each and ends the import between two files.
    ImportReport importFiles(const std::vector<std::string>& paths, const Author& author,
                             const std::function<void(std::size_t, std::size_t)>& progress = {},
                             const std::function<bool()>& stopped = {}, bool revise = false);

    // The gaugings, ordered by station, year, 施测时间 and name.
    Result<std::vector<GaugingEntry>> list(const Filter& filter = {});
    // A gauging by its name, or by "STATION/YEAR/施测号数" (a station's code or name); its
    // latest revision, or revision when given.
    Result<StoredGauging> read(std::string_view gauging, std::optional<int> revision = {});
    // Every revision of a gauging, oldest first.
    Result<std::vector<Revision>> history(std::string_view gauging);
    // The latest revision of every gauging the filter takes that is not deleted, with its bytes,
    // one at a time in list order; each(stored) returns false to stop.
    Problem eachLatest(const Filter& filter, const std::function<bool(StoredGauging&&)>& each);
    // Writes the latest revision of each gauging the filter takes, not deleted, to folder (made
    // when missing) as NAME.dat, byte for byte as saved, each through the atomic writer. Unless
    // replace, a file already there with other bytes stops the export before anything is
    // written, and the problem names the files. The number written, or why not.
    Result<int> exportTo(const Filter& filter, const std::string& folder,
                         const std::function<void(std::size_t, std::size_t)>& progress = {},
                         bool replace = true);

    // The stations the store holds (code, name) and the years of each.
    struct StationYears {
        std::string code;
        std::string name;
        std::vector<int> years;
    };
    Result<std::vector<StationYears>> stations();
    // Gives the station (named by its code or its name) the code a bureau knows it by (STCD,
    // eight characters); until then a station has a provisional code "TN" and six digits.
    Problem setStationCode(std::string_view station, std::string_view code);

  private:
    explicit Store(std::unique_ptr<Engine> engine, Location where, Access access, int version);
    std::unique_ptr<Engine> engine_;
    Location where_;
    Access access_ = Access::ReadWrite;
    int version_ = 0;
};

// Why name cannot name a gauging (it becomes the file NAME.dat on every system); empty when it
// can.
Problem gaugingNameProblem(std::string_view name);

// Whether this build can reach the engine (a build without libpq has no PostgreSQL).
bool engineAvailable(Location::Engine engine);

// The SQL a bureau's administrator runs once on its PostgreSQL database: the schema, and the
// roles tarnelo_staff (reads, and adds revisions) and tarnelo_reader (reads); neither may delete.
std::string postgresqlSetupSql();

} // namespace tarnelo::store
