#include "files/gauging_file.hpp"

#include "files/file_io.hpp"
#include "files/gbk.hpp"
#include "window/program_paths.hpp"

#include <algorithm>

namespace tarnelo {

namespace {

std::string inQuotes(std::string_view text) {
    return "“" + escapedName(text) + "”";
}

} // namespace

std::optional<std::string> notARegularFile(const std::filesystem::path& file) {
    std::error_code error;
    const auto status = std::filesystem::status(file, error);
    switch (status.type()) {
    case std::filesystem::file_type::directory:
        return "文件夹";
    case std::filesystem::file_type::fifo:
        return "命名管道";
    case std::filesystem::file_type::socket:
        return "套接字";
    case std::filesystem::file_type::block:
    case std::filesystem::file_type::character:
        return "设备";
    default:
        return std::nullopt;
    }
}

Gauging gaugingFromRawData(RawData data, Gauging start) {
    Gauging gauging = std::move(start);
    if (data.header) {
        gauging.headerPart = std::move(*data.header);
    }
    if (data.mode == EntryMode::Unknown) {
        return gauging;
    }
    gauging.mode = data.mode;
    for (std::size_t i = 0; i < data.coefficients.size() && i < kCoefficientCount; ++i) {
        gauging.coefficients[i] = std::move(data.coefficients[i]);
    }
    const std::size_t rows = std::min(data.rows, kMostRawDataRows);
    gauging.rows.assign(rows, GaugingRow{});
    const auto columns = typedColumns(data.mode);
    for (std::size_t k = 0; k < data.columns.size() && k < columns.size(); ++k) {
        auto& values = data.columns[k];
        const std::size_t filled = std::min(values.size(), rows);
        for (std::size_t r = 0; r < filled; ++r) {
            if (values[r] != "*") {
                setTypedText(gauging.rows[r], columns[k], std::move(values[r]));
            }
        }
        // Each column is let go once it is in the rows.
        std::vector<std::string>().swap(values);
    }
    return gauging;
}

std::string incompleteFileMessage(std::string_view name, const std::vector<std::string>& problems) {
    std::string message = "文件" + inQuotes(name) + "不完整，已读入能读入的部分：";
    for (std::size_t i = 0; i < problems.size(); ++i) {
        message += (i == 0 ? "\n" : "；\n") + problems[i];
    }
    return message + "。";
}

GaugingFile readGaugingBytes(std::string_view bytes, std::string_view name, Gauging start,
                             const ConvertQuestion& convert) {
    GaugingFile file;
    file.gauging = std::move(start);
    std::string converted;
    // Another encoding or other line ends are read converted when nothing is lost.
    if (ForeignForm foreign = recogniseForeignForm(bytes); !foreign.description.empty()) {
        const std::string what = "文件" + inQuotes(name) + foreign.description;
        if (!foreign.converted) {
            file.status = GaugingFile::Status::Refused;
            file.message = what + "，其中有 GBK 无法表示的字符，无法转换，未打开。";
            return file;
        }
        if (convert && !convert(what)) {
            file.status = GaugingFile::Status::Refused;
            file.conversionDeclined = true;
            file.message = what + "，未打开。";
            return file;
        }
        converted = std::move(*foreign.converted);
        bytes = converted;
        file.foreignForm = std::move(foreign.description);
    }
    RawDataRead read = parseRawData(bytes);
    if (!read.tagged) {
        file.message = "不是流速仪原始数据文件（开头没有“流速仪原始数据”）。";
        return file;
    }
    if (!read.refusal.empty()) {
        file.status = GaugingFile::Status::Refused;
        file.message = "文件" + inQuotes(name) + read.refusal;
        return file;
    }
    file.fileMode = read.data.mode;
    file.problems = read.data.problems;
    file.hasHeader = read.data.header.has_value();
    // A file without a mode leaves the gauging's mode and gets no rows.
    Gauging emptied = std::move(file.gauging);
    emptied.rows.clear();
    emptied.headerPart.clear();
    file.gauging = gaugingFromRawData(std::move(read.data), std::move(emptied));
    if (file.problems.empty()) {
        file.status = GaugingFile::Status::Opened;
        return file;
    }
    file.status = GaugingFile::Status::Incomplete;
    file.message = incompleteFileMessage(name, file.problems);
    return file;
}

GaugingFile readGaugingFile(const std::filesystem::path& path, Gauging start,
                            const ConvertQuestion& convert) {
    const std::string name = paths::toUtf8(path.filename());
    GaugingFile file;
    file.gauging = std::move(start);
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        file.message = "文件不存在。";
        return file;
    }
    if (const auto kind = notARegularFile(path)) {
        file.message = "是" + *kind + "，不是文件。";
        return file;
    }
    const auto size = std::filesystem::file_size(path, error);
    if (!error && size > kLargestRawDataFile) {
        file.status = GaugingFile::Status::Refused;
        file.message = "文件" + inQuotes(name) + "太大，不是流速仪原始数据文件，未打开。";
        return file;
    }
    const auto bytes = readFileBytes(path, kLargestRawDataFile);
    if (!bytes) {
        file.message = "无法读取文件。";
        return file;
    }
    return readGaugingBytes(*bytes, name, std::move(file.gauging), convert);
}

GaugingFileBytes gaugingFileBytes(const Gauging& gauging, std::string_view headerPart) {
    GaugingFileBytes written;
    if (auto problem = rawDataProblem(gauging)) {
        written.problem = std::move(*problem);
        return written;
    }
    // Every carried text was checked to be GBK above.
    const auto input = utf8ToGbk(rawDataText(gauging));
    if (!input) {
        written.problem = "原始数据无法以 GBK 编码保存。";
        return written;
    }
    written.bytes = *input + std::string(kRawDataSeparator) + std::string(headerPart);
    return written;
}

} // namespace tarnelo
