#include "app/proposed_names.hpp"

#include "window/program_paths.hpp"

#include <algorithm>
#include <cctype>

namespace tarnelo {

namespace {

// The part of a name that a file system takes on every platform: no control characters, no
// \ / : * ? " < > |, no leading or trailing spaces or dots.
std::string fileNamePart(std::string_view text) {
    std::string part;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F ||
            std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos) {
            continue;
        }
        part += c;
    }
    const auto keep = [](char c) { return c != ' ' && c != '.'; };
    const auto first = std::find_if(part.begin(), part.end(), keep);
    const auto last = std::find_if(part.rbegin(), part.rend(), keep).base();
    return first < last ? std::string(first, last) : std::string();
}

// The date of a measurement time such as "2023年7月1日8时30分": up to and with "日".
std::string datePart(const std::string& when) {
    const std::size_t day = when.find("日");
    return day == std::string::npos ? when : when.substr(0, day + std::string_view("日").size());
}

std::string valueOf(const RecordHeader& header, int line, int pos) {
    const std::string field = headerField(header, line, pos);
    return hasValue(field) ? field : std::string();
}

} // namespace

std::string proposedFileName(const RecordHeader& header, std::string_view extension) {
    const std::string station = fileNamePart(valueOf(header, 1, 1));
    if (station.empty()) {
        return {};
    }
    std::string name = station;
    std::string second = fileNamePart(valueOf(header, 4, 3));
    if (second.empty()) {
        second = fileNamePart(datePart(valueOf(header, 1, 2)));
    }
    if (!second.empty()) {
        name += "_" + second;
    }
    return name + "." + std::string(extension);
}

bool inExamplesFolder(const std::filesystem::path& folder) {
    const auto named = [](const std::filesystem::path& path) {
        for (const std::filesystem::path& part : path) {
            std::string name = paths::toUtf8(part);
            std::transform(name.begin(), name.end(), name.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            if (name == "examples") {
                return true;
            }
        }
        return false;
    };
    std::error_code error;
    const std::filesystem::path real = std::filesystem::weakly_canonical(folder, error);
    return named(folder.lexically_normal()) || (!error && named(real));
}

std::string freshFileName(const std::filesystem::path& folder, std::string_view extension) {
    const std::string suffix = "." + std::string(extension);
    for (int n = 1;; ++n) {
        const std::string name =
            "新测次" + (n == 1 ? std::string() : " " + std::to_string(n)) + suffix;
        std::error_code error;
        if (!std::filesystem::exists(folder / paths::fromUtf8(name), error) || n >= 999) {
            return name;
        }
    }
}

std::string exportDoneStatus(const std::filesystem::path& file) {
    const std::u8string text = file.u8string();
    return "记载表已导出：" + std::string(text.begin(), text.end());
}

std::string printDoneStatus(std::string_view printer, bool twoPages) {
    std::string text = "记载表已送往打印机";
    if (!printer.empty()) {
        text += " " + std::string(printer);
    }
    return text + "（共 " + std::string(twoPages ? "2" : "1") + " 页）";
}

} // namespace tarnelo
