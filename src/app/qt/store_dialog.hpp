// The dialog that chooses a store of gaugings (a SQLite file chosen with the file dialog, or a
// postgresql:// URL typed) and, in it, the gauging to open, the name to save under, or the
// station's year to read. It lists the stations, years and gaugings the store holds and finds
// a gauging by its 施测号数 or date. The store last used is kept in the settings, without a
// password.
#pragma once

#include "store/store.hpp"

#include <QDialog>

#include <optional>
#include <string>

class QComboBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace tarnelo {

// Where the settings keep the store used last (Location::shown: never a password).
inline constexpr auto kLastStoreSetting = "store/last";

// The wait cursor while a call on a store runs (a server may take its time).
class BusyCursor {
  public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

    // The arrow while a box asks the user something in the middle of such a call.
    class Paused {
      public:
        Paused();
        ~Paused();
        Paused(const Paused&) = delete;
        Paused& operator=(const Paused&) = delete;

      private:
        int lifted_ = 0;
    };
};

class StoreDialog : public QDialog {
    Q_OBJECT

  public:
    enum class Purpose {
        Open,        // a gauging to open: its latest revision
        Save,        // the store and the name to save under (a gauging listed, or a new name)
        StationYear, // a station and a year
    };

    StoreDialog(Purpose purpose, QWidget* parent);

    // The name proposed to save under.
    void setProposedName(const QString& name);
    // Opens the store the location field names and lists what it holds; false, with the
    // store's problem shown in the dialog, when it cannot be opened. A SQLite file that does
    // not exist yet is made when saving.
    bool connectStore();
    // The store opened, or nullptr.
    store::Store* store() { return store_ ? &*store_ : nullptr; }
    std::optional<store::Store> takeStore();
    // The gauging chosen (Open) or the name typed (Save).
    std::string gauging() const;
    // The station and year chosen (empty and none for 全部).
    store::Filter filter() const;
    // What the dialog says under its list: what it holds, or why not.
    QString statusText() const;

  public slots:
    void accept() override;

  protected:
    // The store used last is listed at once when it is a file (a server is asked only when
    // the user says so: it may keep the dialog waiting).
    void showEvent(QShowEvent* event) override;

  private:
    // The rows of the dialog: the store's location; the station, year and find field; the list.
    QHBoxLayout* locationRow();
    QHBoxLayout* choiceRow();
    void buildList();
    void chooseFile();
    void listStations();
    void listYears();
    void listGaugings();
    // Shows only the rows whose 施测号数, date or name hold what the find field holds.
    void find();
    void say(const QString& text);

    Purpose purpose_;
    std::optional<store::Store> store_;
    // A SQLite file that is not there yet, which a second 连接 makes into a new store.
    std::string confirmedNew_;
    std::vector<store::Store::StationYears> stations_;
    QLineEdit* location_ = nullptr;
    QComboBox* station_ = nullptr;
    QComboBox* year_ = nullptr;
    QLineEdit* find_ = nullptr;
    QTableWidget* list_ = nullptr;
    QLineEdit* name_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* ok_ = nullptr;
    bool shown_ = false;
};

} // namespace tarnelo
