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
        NotOpened,  // unreadable, or not a raw data file
        Refused,    // message says why; the gauging is the one given
        Incomplete, // read as far as it goes; message says what was missing
        Opened,
    };
    Status status = Status::NotOpened;
    std::string message;
    // The file's own mode (Unknown when it names none: the gauging then keeps its mode and
    // gets no rows).
    RawData::Mode fileMode = RawData::Mode::Unknown;
    // What a short or damaged file lacks, in words for the user.
    std::vector<std::string> problems;
    // Whether the file has a record header part at all.
    bool hasHeader = false;
    // Refused because the question about a foreign form was answered no.
    bool conversionDeclined = false;
    // Refused because the path names a folder, a pipe, a device or a socket.
    bool notAFile = false;
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

// The same from a file: a path that is not a regular file or is too large is refused at once.
GaugingFile readGaugingFile(const std::filesystem::path& file, Gauging start = {},
                            const ConvertQuestion& convert = {});

// What 打开 says of an incomplete file: "文件“m.dat”不完整，已读入能读入的部分：…。"
std::string incompleteFileMessage(std::string_view name, const std::vector<std::string>& problems);

// The raw data file's bytes for a gauging (GBK, CR LF): the input part, the blank line and the
// header part. std::nullopt when a text cannot be carried (rawDataProblem says why).
std::optional<std::string> gaugingFileBytes(const Gauging& gauging);

} // namespace tarnelo
