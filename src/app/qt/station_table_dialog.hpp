// The view 查看 → 实测流量成果表…: the gaugings of a folder as the station's table, sortable;
// a double-click opens a gauging in the main window and brings that forward; the table is
// exported as a workbook and the stage–discharge relation is shown with its tests and picture.
// A folder is read with progress shown and may be cancelled; the folder dialog starts in the
// folder read last. The station's class (kept in the settings) sets the
// precision the relation is judged by; a gauging is left out of the relation by unticking its
// 施测号数, with a reason, and the list is kept for the station's year.
#pragma once

#include "app/qt/rating_window.hpp"
#include "report/station_workbook.hpp"
#include "station/rating_review.hpp"
#include "station/station_table.hpp"
#include "store/store.hpp"
#include "window/window.hpp"

#include <QDialog>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

class QComboBox;
class QHBoxLayout;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSettings;
class QTableWidget;
class QTableWidgetItem;

namespace tarnelo {

// Where the settings keep the station's class (1, 2 or 3): the relation's verdict and the
// spacing check of 计算 both apply it.
inline constexpr auto kStationClassSetting = "rating/class";

// Where the settings keep how the station weighs 三点法: "4" for ISO 748's (V0.2+2V0.6+V0.8)/4,
// anything else the equal weights of (V0.2+V0.6+V0.8)/3. 计算 and the station's year apply it.
inline constexpr auto kThreePointSetting = "compute/three_point";
ThreePointRule threePointSetting();
ThreePointRule threePointSetting(const QSettings& settings);

namespace dlg {
inline constexpr FileDialogSpec 成果表{"成果表对话框", true, "Excel 工作簿（*.xlsx）", "xlsx"};
} // namespace dlg

class StationTableDialog : public QDialog {
    Q_OBJECT

  public:
    // `owner` answers file dialogs and messages; `open` opens a gauging in the main window (it
    // asks first when the window holds unsaved input).
    StationTableDialog(Window& owner, std::function<void(const std::filesystem::path&)> open,
                       QWidget* parent);

    // Reads every .dat file of the folder with progress shown and keeps the folder for the
    // next start; false when cancelled.
    bool loadFolder(const std::filesystem::path& folder);
    // Reads the folder read last, in this run or an earlier one, when it is still there; false
    // when there is none or it was cancelled.
    bool loadKeptFolder();
    // Reads the station's year the filter names from the store at `location`
    // (station_table_store.cpp), with progress shown; false when it could not be read (a message
    // said why) or was cancelled. A double-click then opens the gauging from the store.
    bool loadStore(const std::string& location, const store::Filter& filter);
    // 从数据库读入...: the store, the station and the year chosen in a dialog, then loadStore.
    bool chooseStore();
    // Tests see the store's dialog here instead of its running modally.
    std::function<void(QDialog& dialog)> storeDialogShown;
    // Opens a store's gauging in the main window (it asks first about unsaved input).
    std::function<void(const std::string& location, const std::string& gauging)> openStored;
    // The store the table was read from; empty when it was read from a folder.
    const std::string& storeLocation() const { return storeLocation_; }
    // Where 选择文件夹... starts: the folder read last, else the measurements' folder.
    std::filesystem::path startFolder() const;
    const station::StationTable& table() const { return table_; }
    QTableWidget& grid() { return *grid_; }

    // 导出成果表…: asks for a file name (proposed from the station and year) and writes the
    // workbook; false when nothing was written.
    bool exportTable();
    // Opens the gauging of a row in the main window, brings that forward and says so.
    void openRow(int row);
    // 打印成果表: the table's pages in the print preview, from which they print.
    bool printTable();
    // Tests see the preview here instead of its running modally.
    std::function<void(QDialog& preview)> previewShown;
    // 水位流量关系…: the relation, its tests and picture in a window of its own.
    void showRelation();
    // The relation of the table now loaded, for the chosen class and without the gaugings
    // left out.
    RatingReport relation() const;
    RatingWindow* relationWindow() const { return relationWindow_; }

    // 测站类别: the class whose 定线精度指标 the relation must meet.
    station::StationClass stationClass() const;
    // The gaugings left out of the relation (unticked in the table), and those kept in it after
    // review (复核保留 in the relation window), with the reasons.
    const std::vector<station::Exclusion>& exclusions() const { return exclusions_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void makeGrid();
    QHBoxLayout* makeButtons();
    void fill();
    // The year's kept exclusions; those of labels the year no longer has are dropped and said.
    void loadExclusions();
    void saveExclusions() const;
    // A 施测号数 ticked or unticked.
    void participationChanged(QTableWidgetItem& item);
    // Greys a row left out of the relation and gives its reason as the tooltip.
    void markRow(int row);
    void showProblems();
    // Builds the relation window anew; shown and raised only when asked.
    void buildRelation();
    // Gaugings reviewed and kept in the relation, replacing what was decided of them before.
    void keepInRelation(const std::vector<station::Exclusion>& given);
    // The relation window, when open, follows a change of class or exclusions.
    void relationChanged();

    Window& owner_;
    std::function<void(const std::filesystem::path&)> open_;
    station::StationTable table_;
    QLabel* title_ = nullptr;
    // What was last done: read, opened, exported.
    QLabel* status_ = nullptr;
    QTableWidget* grid_ = nullptr;
    QPlainTextEdit* problems_ = nullptr;
    QPushButton* export_ = nullptr;
    QPushButton* print_ = nullptr;
    QPushButton* relation_ = nullptr;
    QComboBox* class_ = nullptr;
    RatingWindow* relationWindow_ = nullptr;
    std::vector<station::Exclusion> exclusions_;
    // Kept exclusions dropped on loading because the year has no such 施测号数 any more.
    std::vector<std::string> dropped_;
    std::string storeLocation_;
    // Set while the program itself changes cells, whose changes are then no user's ticks.
    bool marking_ = false;
};

} // namespace tarnelo
