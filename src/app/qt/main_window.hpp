// The main window "Tarnelo 13.05": every control under its template name, the bindings of
// buttons, radio boxes, menu and grid to their commands, and the Window interface the commands
// work through.
#pragma once

#include "app/compute_state.hpp"
#include "app/file_commands.hpp"
#include "app/qt/findings_view.hpp"
#include "app/shell.hpp"
#include "app/window_form.hpp"
#include "document/document.hpp"
#include "report/record_form.hpp"
#include "sheet/sheet.hpp"
#include "store/store.hpp"
#include "window/window.hpp"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QRect>

#include <functional>
#include <map>
#include <optional>
#include <vector>

class QButtonGroup;
class QDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QSettings;
class QUrl;

namespace tarnelo {

class StoreDialog;

class RowNumbers;
class SectionPlotWindow;
class StationTableDialog;
class SheetEditing;
class SheetModel;
class SheetView;

// The title of every message box and question of the window.
inline constexpr std::string_view kBoxTitle = "Tarnelo";

class MainWindow : public QMainWindow, public Window {
    Q_OBJECT

  public:
    // Client area below the menu bar (958 by 589 with the frame, caption and menu bar).
    static constexpr int kClientWidth = 952;
    static constexpr int kClientHeight = 545;
    // How much lower than the default the client may be before it scrolls: the room below
    // 更多 and 设为默认 in 计算系数 (66) and most of the gap under it (12).
    static constexpr int kCompactBy = 78;

    enum class CloseChoice { Save, Discard, Cancel };

    // Stand-ins for the modal parts of the window, for tests: when one is set it answers in
    // place of the real message box, question, file dialog or browser. `modal` receives the
    // record-header dialog shown without its own event loop; whatever it leaves open is closed
    // as by the close box.
    struct Answerer {
        std::function<void(const std::string& text, const std::string& title, MessageIcon icon)>
            message;
        std::function<bool(const std::string& text, const std::string& title)> question;
        // A text prompt: the typed text, or std::nullopt for 取消.
        std::function<std::optional<std::string>(const std::string& prompt,
                                                 const std::string& title)>
            text;
        std::function<std::optional<std::filesystem::path>(
            const FileDialogSpec& dialog, const std::filesystem::path& initialFolder)>
            file;
        // The question before closing with unsaved input: 保存, 不保存 or 取消. Unset, the
        // yes-or-no question answers (yes: close without saving; no: stay).
        std::function<CloseChoice(const std::string& text)> closing;
        std::function<void(QDialog& dialog)> modal;
        std::function<void(const QUrl& url)> url;
    };

    explicit MainWindow(std::filesystem::path programFolder, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The creation step: skin, sheet layout, coefficient file, record-header reset.
    void create();

    // Opens a raw data file as 打开 does after its dialog (a file named on the command line).
    OpenResult openFile(const std::filesystem::path& file);

    // A file handed over by a second start (a double-click while the window runs): opened as
    // 打开 opens it, after asking when input is unsaved; a running command finishes first.
    void openHandedOver(const std::filesystem::path& file);

    // Where the dialogs' "Text data" and "excel" folders are, when not in the program folder.
    void setDocumentFolder(std::filesystem::path folder) { documentFolder_ = std::move(folder); }

    // The export and print commands (tests may put others in their place): the form of the
    // computation at hand, with its findings. 打印 is handed the window's keepWaiting for its
    // waits on other programs.
    std::function<FormOutcome(Window&)> exportAction = [this](Window& window) {
        return computed_.run() ? exportComputedForm(window, formContextOf(window), computedForm(),
                                                    computed_.findings())
                               : exportCommand(window);
    };
    std::function<FormOutcome(Window&, const sys::KeepWaiting&)> printAction =
        [this](Window& window, const sys::KeepWaiting& keepWaiting) {
            return computed_.run()
                       ? printComputedForm(window, formContextOf(window), computedForm(),
                                           computed_.findings(), keepWaiting)
                       : printCommand(window, keepWaiting);
        };

    void setAnswerer(Answerer answerer) { answerer_ = std::move(answerer); }

    SheetModel& sheetModel() { return *model_; }
    const ComputedState& computedState() const { return computed_; }
    // The list of all findings of the last computation (F8 or the status bar button).
    void showFindings();
    FindingsDialog& findingsDialog() { return *findingsDialog_; }
    SheetView& grid() { return *grid_; }
    SheetEditing& sheetEditing() { return *editing_; }
    // The window 断面图 (menu 查看, F9), made on first use.
    void showSectionPlot();
    SectionPlotWindow& sectionPlotWindow();
    // The record form's pages as they will print (menu 查看 → 打印预览), after a computation.
    void showPrintPreview();
    // The view 实测流量成果表 (menu 查看), made on first use.
    StationTableDialog& showStationTable();

    // 数据库 → 从数据库打开…: a store's gauging, its latest revision, after asking about unsaved
    // input (main_window_store.cpp).
    bool openFromStore();
    // Opens the latest revision (or `revision`) of the gauging of the store at `location` as
    // 打开 opens a file; the measurement then remembers the store, the gauging and the revision.
    bool openStored(const std::string& location, const std::string& gauging,
                    std::optional<int> revision = {});
    // 数据库 → 保存到数据库…: the store and the name (proposed from the file or 施测号数).
    bool saveIntoStore();
    // 数据库 → 修订历史…: every revision of the open gauging of a store; 打开此版 opens one.
    void showHistory();

    // The window's size is remembered between runs (QSettings of the application): saved when
    // the window closes, brought back by start-up. Never smaller than the compact size.
    void restoreWindowSize();
    void saveWindowSize() const;
    // Keeps the window on its screen's free area: a screen too small for the compact size (a
    // laptop at 125 % or more) lowers the least size, and the controls scroll instead. Called
    // before the window is first shown; again by itself when it moves to another screen.
    void fitToItsScreen();

    // Window
    std::string text(std::string_view control) const override;
    void setText(std::string_view control, std::string_view text) override;
    bool isSelected(std::string_view radio) const override;
    void setSelected(std::string_view radio, bool selected) override;
    bool isEnabled(std::string_view control) const override;
    void setEnabled(std::string_view control, bool enabled) override;
    int textColour(std::string_view label) const override;
    void setTextColour(std::string_view label, int colour) override;
    Sheet& sheet() override { return sheet_; }
    const Sheet& sheet() const override { return sheet_; }
    int progress() const override;
    void setProgress(int value) override;
    void setStatus(std::string_view text) override;
    FileChoice chooseFile(const FileDialogSpec& dialog,
                          const std::filesystem::path& initialFolder) override;
    void showMessage(std::string_view text, std::string_view title,
                     MessageIcon icon = MessageIcon::None) override;
    bool ask(std::string_view text, std::string_view title) override;
    std::optional<std::string> askText(std::string_view prompt, std::string_view title) override;
    int stationClass() const override;
    ThreePointRule threePointRule() const override;
    void openRecordHeaderDialog() override;
    std::string recordHeader() const override;
    void setRecordHeader(std::string_view headerPart) override;
    // The open measurement: its record header, its file and whether it is saved.
    const Document& document() const { return document_; }
    const MeasurementHeader& measurementHeader() const { return document_.header(); }
    void openUrl(std::string_view address) override;
    void pause(int milliseconds) override;
    std::filesystem::path programFolder() const override { return programFolder_; }
    std::filesystem::path documentFolder() const override {
        return documentFolder_.empty() ? programFolder_ : documentFolder_;
    }

  protected:
    void closeEvent(QCloseEvent* event) override;
    // Every key command (a shortcut, a button's Alt key, a menu's key) first writes the cell
    // being edited into the sheet (main_window_keys.cpp).
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // The file name a dialog keeps from its last choice.
    struct Choice {
        std::filesystem::path path;
    };

    void buildControls();
    // The parts of buildControls, in the order they are made: the sheet and its heading band,
    // the section results under it, 计算系数, 程序控制, then the status bar and the menu.
    void buildSheet(QGroupBox* sheetGroup, QWidget* client);
    void buildResultsPanel(QGroupBox* sheetGroup);
    void buildCoefficientPanel(QGroupBox* coefficientGroup);
    void buildProgramControlPanel(QGroupBox* controlGroup);
    void buildStatusBarAndMenu();
    void bindCommands();
    // 计算, 清空, 打开 and 保存; 导出Excel and 打印.
    void bindFileCommands();
    void bindFormCommands();
    // 清空: after asking about unsaved input, a new measurement with the coefficients kept (the
    // user's own again after an opened file).
    void clearMeasurement();
    // The commands' keys (main_window_keys.cpp).
    void buildShortcuts();
    // Writes the cell being edited into the sheet before a command, so that the command works
    // on the input as typed and finds the results outdated when they are.
    void settleEdit();
    // The status bar when 打印 or 导出Excel was asked for while the results are outdated.
    void sayOutdated(std::string_view button);
    // settleEdit, then whether the button is still enabled (the form is made of the results:
    // none of input that changed since); when not, sayOutdated.
    bool settledFor(std::string_view button);
    QWidget* control(std::string_view name) const;
    QLabel* addLabel(QWidget* parent, std::string_view name, int x, int y, int w, int h);
    QLineEdit* addEdit(QWidget* parent, std::string_view name, int x, int y, int w, int h,
                       int maxLength);
    QPushButton* addButton(QWidget* parent, std::string_view name, int x, int y, int w, int h);
    void restyleHeading(QLabel* label, int colour);
    // Places the controls for the window's size: at the default size as the template has
    // them; larger, the sheet takes the extra room and the right-hand panels keep to the edge;
    // lower (down to kCompactBy), the sheet shows fewer rows and 计算系数 loses its empty foot.
    void relayout();
    // The scrolled area under the menu that holds every control (main_window_layout.cpp).
    QWidget* makeClient();
    void bindSheetEditing();
    // The menu 数据库 and the title that names a store's gauging (main_window_store.cpp).
    void buildStoreMenu();
    // 保存 of a measurement from a store: the next revision of its gauging there.
    bool saveToItsStore();
    bool saveStored(store::Store& store, const std::string& name, int basedOn);
    // The store at `location`, opened once for what is asked; nullptr when it cannot be, and a
    // message said why.
    store::Store* storeAt(const std::string& location, store::Store::Access access);
    void showSource();
    // Runs a dialog of the window to its end (or hands it to the tests' answerer); whether it
    // was accepted.
    bool runModal(QDialog& dialog);
    // Runs the store's dialog; true when a store was chosen, which the window then keeps.
    bool keepChosenStore(StoreDialog& dialog);
    // The store last opened.
    std::unique_ptr<store::Store> store_;
    // 保存: true when the measurement is in its file, or in its store as a new revision.
    bool saveMeasurement();
    // 另存为 (and 保存 of a measurement of no store): a file chosen in the dialog.
    bool saveAsFile();
    // Ctrl+S: over the measurement's own file without a dialog, as editors save, when it has
    // one that may be written (see ownFileToSave); else as 保存.
    bool saveToOwnFile();
    // The file Ctrl+S writes over: opened whole and unconverted, or saved, by this window;
    // still a file that may be written, and not in a folder of examples. Empty when none.
    std::filesystem::path ownFileToSave() const;
    // Before input that is not saved would be dropped (清空, 打开, closing): one question,
    // 保存 / 不保存 / 取消, naming the measurement. True when the action may go on: saved, given
    // up, or nothing to lose. `before` says when ("清空前", "退出前").
    bool mayDropInput(std::string_view before);
    std::string unsavedQuestion(std::string_view before) const;
    // Whether closing would lose anything: typed input (a coefficient field's text included)
    // or the record header.
    bool unsaved();
    // The measurement as it stands was written into `file`: the document is saved there.
    void takeAsSaved(const std::filesystem::path& file);
    // The window holds a measurement opened from `file` (empty: a new one): the document starts
    // over from the window's input, saved, with a new history.
    void startOver(const std::filesystem::path& file);
    CloseChoice askSaving(const std::string& question);
    // The window a message box, question or file dialog belongs to: the program's window in
    // use (the station table, the relation), else the main window.
    QWidget* boxParent();
    // A file was opened (打开, a file at start, a handed-over file, 实测流量成果表): nothing
    // computed stands, its input counts as saved, a new history starts and 保存 proposes it.
    void afterOpened(const std::filesystem::path& file, const OpenResult& opened);
    // The coefficients as start-up or 保存系数 left them, which 清空 brings back after a file.
    void keepDefaultCoefficients();
    // After 打开: the sheet from its first row, the cursor on its first distance.
    void showFromFirstRow();
    // Runs a command to its end with the grid's change notices gathered into one.
    void run(const std::function<void(Window&)>& command);
    // Called while a renderer runs: keeps the window painted, shows how long it has waited for
    // the subject, and gives up when the window is being closed.
    bool keepWaiting(const std::string& subject);
    // The status bar after 导出Excel or 打印 did not finish: cancelled, or why not.
    static std::string unfinishedStatus(std::string_view action, const FormOutcome& outcome);
    // Shows the marks, counts and picture of the computation at hand; true when results that
    // were shown as outdated are shown as current again.
    bool showComputedState();

    // The findings and the stale state of the last computation (main_window_checks.cpp).
    void buildFindingsControls();
    void bindStaleTracking();
    void afterCompute(const ComputeOutcome& outcome);
    void forgetComputation();
    // Shows results computed from input with errors as unusable, or as final again.
    void showResultsUnusable(const std::vector<Finding>& findings);
    // Rows were inserted or removed: marks and findings no longer sit on their rows.
    void rowsMoved();
    // The first edit after a run takes the run's finding count off the status bar.
    void dropRunStatus();
    void refreshStale();
    void showResultsStale(bool stale);
    // The look of the result fields for the stale and unusable states.
    void styleResults();
    // 完成情况 takes a smaller font when its text would not fit.
    void fitCompletionText();
    void showFindingCounts();
    // What the findings list says when it is empty.
    QString emptyFindingsReason() const;
    // Rows were inserted or removed since the last 计算: its findings were dropped.
    bool rowsMovedSince_ = false;
    void goToFinding(const Finding& finding);

    // 打印 through the system's print dialog and 打印预览 (main_window_print.cpp).
    void buildPrintControls();
    FormOutcome printThroughDialog(Window& window, const sys::KeepWaiting& keepWaiting);
    // 查看 → 打印方式: the spreadsheet program instead of the program's own renderer.
    bool printViaSpreadsheet_ = false;

    // The document's history in the window (main_window_undo.cpp).
    // 计算 as one step of the document's history.
    void computeAsStep();
    // The document's 计算 after the mode-switch question, with its results shown.
    ComputeOutcome computeDocument();
    // The mode switch as a step, and the window's keys of undo and redo.
    void bindUndoSteps();
    // Undo (true) or redo of the document's last step; false when there was none.
    bool stepBack(bool undo);
    // The window follows the document's input: the sheet, the mode and the coefficients, each
    // only where the document changed since it was last shown.
    void showInput();
    // A coefficient field's text, once typed, is a command on the document.
    void commitCoefficients();
    // The results, 完成情况, marks, findings and form buttons follow the document's last
    // computation: shown when it changed (a 计算, its undo or redo, a file opened).
    void showRun();
    std::shared_ptr<const ComputedRun> shownRun_;
    // The mode and coefficients of the document as last shown.
    EntryMode shownMode_ = EntryMode::Unknown;
    std::array<std::string, kCoefficientCount> shownCoefficients_;

    // The section picture and the uncertainty (main_window_plot.cpp).
    void buildSectionPlotControls();
    // 查看 → 三点法: the station's rule, kept between runs.
    void buildThreePointMenu(QMenu* menu);
    void refreshSectionPlot();
    // The record form of the computation at hand, with the record header as it stands.
    FormSheet computedForm() const;
    // The section the uncertainty and the picture show: the window's, or while the results are
    // outdated the last computation's.
    MeasuredSection shownSection() const;

    std::filesystem::path programFolder_;
    std::filesystem::path documentFolder_;
    // The application's settings, opened once: the station's class and 三点法 rule are read at
    // every 计算 and keystroke, and a settings object of its own would read the file each time.
    QSettings* settings_ = nullptr;
    Sheet sheet_;
    SheetModel* model_ = nullptr;
    QWidget* client_ = nullptr;
    bool screenWatched_ = false;
    SheetView* grid_ = nullptr;
    RowNumbers* rowNumbers_ = nullptr;
    SheetEditing* editing_ = nullptr;
    QButtonGroup* modes_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    std::map<std::string, QWidget*, std::less<>> controls_;
    std::map<std::string, int, std::less<>> colours_;
    std::map<std::string, int, std::less<>> maxLengths_;
    std::map<std::string, Choice, std::less<>> choices_;
    Answerer answerer_;
    ComputedState computed_;
    CellMarks marks_;
    FindingsDialog* findingsDialog_ = nullptr;
    QPushButton* findingsButton_ = nullptr;
    SectionPlotWindow* plotWindow_ = nullptr;
    StationTableDialog* stationTable_ = nullptr;
    QLabel* uncertaintyLabel_ = nullptr;
    int commandDepth_ = 0;
    // Closed while a command ran: the command gives up its wait and the window closes after.
    bool closeRequested_ = false;
    QElapsedTimer waitClock_;
    qint64 waitShown_ = -1;
    bool shownStale_ = false;
    bool shownUnusable_ = false;
    // The open measurement: its input, its record header (from its file, blank, or as 更多 left
    // it), its file (opened or last saved, until 清空; 保存 proposes it), whether it is saved,
    // its last computation and its history. The sheet and the fields show it.
    Document document_;
    // The record header came from an opened file (until 清空): no 施测时间 is proposed.
    bool headerFromFile_ = false;
    // The document's file holds exactly this measurement as 保存 writes it: Ctrl+S may write
    // over it.
    bool fileIsOwn_ = false;
    // The store's revision the document came from was read whole and in the program's own form:
    // 保存 adds the next revision without asking.
    bool storedAsRead_ = false;
    std::array<std::string, kCoefficientCount> defaultCoefficients_;
    // Every 测点流速 in the sheet came from a computation in 垂线模式 (no switch since): a vertical
    // whose N and T are then emptied drops its velocity without asking.
    bool velocitiesComputed_ = false;
    QString unusableReason_;
    // The last run of 计算's finding count is still on the status bar (no edit since).
    bool runStatusShown_ = false;
    // Unit labels inside the result boxes.
    std::vector<QLabel*> unitLabels_;
    // Where the result fields stand at the default size.
    std::map<QWidget*, QRect> defaultPlaces_;
};

} // namespace tarnelo
