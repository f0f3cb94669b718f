// A raw data file read into a gauging, as 打开 reads it: the mode, the coefficients the file
// holds over the ones the gauging had, the typed rows and the record header part.
#pragma once

#include "files/raw_data_file.hpp"
#include "gauging/gauging.hpp"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnelo {

// What a path names when it exists but is not a regular file ("命名管道", "文件夹", "设备",
// "套接字"); std::nullopt for a regular or missing file. Checked without opening anything.
std::optional<std::string> notARegularFile(const std::filesystem::path& file);

// A raw data file of the largest sheet is well under a megabyte; anything far larger is no
// measurement and is refused before it is read.
inline constexpr std::size_t kLargestRawDataFile = std::size_t(16) << 20;

struct GaugingFile {
    enum class Status {
        NotOpened,  // missing, not a file, unreadable, or not a raw data file; message says which
        Refused,    // message says why; the gauging is the one given
        Incomplete, // read as far as it goes; message says what was missing
        Opened,
    };
    Status status = Status::NotOpened;
    // Why not opened ("文件不存在。", without the file's name), why refused or what is
    // missing (both naming the file); empty when opened whole.
    std::string message;
    // The file's own mode (Unknown when it names none: the gauging then keeps its mode and
    // gets no rows).
    EntryMode fileMode = EntryMode::Unknown;
    // What a short or damaged file lacks, in words for the user.
    std::vector<std::string> problems;
    // Whether the file has a record header part at all.
    bool hasHeader = false;
    // What the file was when it was read converted; empty in the program's own form.
    std::string foreignForm;
    // Refused because the question about a foreign form was answered no.
    bool conversionDeclined = false;
    Gauging gauging;
};

// The gauging a raw data file gives: the mode it names, the coefficients it holds (the others
// as `start` had them), its rows (at most kMostRawDataRows) and its header part.
// The texts are moved out of `data`: a large file is never held twice.
Gauging gaugingFromRawData(RawData data, Gauging start = {});

// Asked, with what the file is ("文件“m.dat”文件是 UTF-8 编码，…"), whether a file in a
// foreign form is to be read converted; no question means yes.
using ConvertQuestion = std::function<bool(const std::string& what)>;

// Reads the bytes of a file named `name` (UTF-8, for messages) as 打开 does, over `start`. A
// file in a foreign form (another encoding, other line ends) is read converted when it can be
// converted without loss and `convert` agrees, and refused otherwise.
GaugingFile readGaugingBytes(std::string_view bytes, std::string_view name, Gauging start = {},
                             const ConvertQuestion& convert = {});

// The same from a file: a path that is missing or not a regular file is not opened, one that is
// too large is refused, at once.
GaugingFile readGaugingFile(const std::filesystem::path& file, Gauging start = {},
                            const ConvertQuestion& convert = {});

// What 打开 says of an incomplete file: "文件“m.dat”不完整，已读入能读入的部分：…。"
std::string incompleteFileMessage(std::string_view name, const std::vector<std::string>& problems);

// A raw data file's bytes, or why the gauging cannot be written.
struct GaugingFileBytes {
    // GBK, CR LF: the input part, the blank line and the header part; std::nullopt when
    // refused.
    std::optional<std::string> bytes;
    // Why not (rawDataProblem's words: the field or cell that cannot be carried, or no mode);
    // empty when written.
    std::string problem;
};

// The one writer of a raw data file: the gauging's input part and, after the blank line,
// headerPart byte for byte (the gauging's own headerPart, or the header the window saves with
// it). What 保存, the command line, the tools and the tests write.
GaugingFileBytes gaugingFileBytes(const Gauging& gauging, std::string_view headerPart);

} // namespace tarnelo
