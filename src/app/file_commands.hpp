// The commands that move a measurement between the window and its files: 清空, 打开, 保存, and
// the default coefficients (loaded at start-up, saved by 保存系数 "设为默认").
#pragma once

#include "files/gauging_file.hpp"
#include "files/raw_data_file.hpp"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tarnelo {

class Window;

// Empties every cell of the sheet (rows, widths and read-only marks stay), the result fields,
// 致谢框 and 编辑框当前操作数据, makes the record header blank and disables 导出Excel and 打印.
// Coefficients and the selected mode are left alone.
void clearCommand(Window& window);

// How opening a file went.
enum class OpenOutcome {
    Cancelled,  // the dialog was cancelled: nothing changed
    NotOpened,  // unreadable, or not a raw data file: nothing changed, a message said why
    Refused,    // a message said why; nothing changed
    Incomplete, // opened as far as it goes; a message said what was missing
    Opened,
};
struct OpenResult {
    OpenOutcome outcome = OpenOutcome::NotOpened;
    std::string message;
    // Read converted from another encoding or line end: the file is not the raw data file that
    // 保存 would write back.
    bool converted = false;
};

// Opens file into the window as the 打开 button does after its dialog. A path that is not a
// regular file is refused at once with a message naming what it is.
OpenResult openRawDataFile(Window& window, const std::filesystem::path& file);
// The same for the bytes of a raw data file called `name` (a store's gauging, "NAME.dat"):
// the window shows exactly what opening such a file shows.
OpenResult openRawDataBytes(Window& window, std::string_view bytes, const std::string& name);

// Button 打开.
OpenResult openCommand(Window& window);

// What 保存 did.
struct SaveOutcome {
    enum class Status {
        Saved,     // file holds the measurement
        Cancelled, // the dialog was cancelled: nothing written
        Refused,   // the input cannot be saved; message says why, nothing written
        Failed,    // the file could not be written; message says so, the old file is whole
    };
    Status status = Status::Cancelled;
    std::filesystem::path file;
    std::string message;
};

// Button 保存.
SaveOutcome saveCommand(Window& window);

// 保存 without its dialog: the measurement written over its own file.
SaveOutcome saveInPlace(Window& window, const std::filesystem::path& file);

// Shows a gauging in the window: its mode, its six coefficients and its typed rows (the sheet
// grows to them; cells already there stay unless the gauging types them).
void fillFromGauging(Window& window, const Gauging& gauging);

// What loading or saving the default coefficients did.
struct CoefficientOutcome {
    enum class Status {
        Done,       // loaded (all six) or saved
        NotLoaded,  // no file, or not a coefficient file: the fields are as they were
        Incomplete, // loaded as far as the file goes; a message said what was missing
        Refused,    // not saved: a field cannot be stored; a message said why
        Failed,     // not saved: no Data folder, or the file could not be written
    };
    Status status = Status::Done;
    std::string message;
};

// Reads the coefficient file at start-up and puts its values into the six coefficient fields.
// A missing or foreign file leaves the fields as they are; a short one fills what it holds and
// says so.
CoefficientOutcome loadCoefficientFile(Window& window);

// Button 保存系数 ("设为默认"): writes the six fields as the new defaults, in either mode.
CoefficientOutcome saveCoefficientFile(Window& window);

} // namespace tarnelo
