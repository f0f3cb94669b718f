#include "platform/workbook/package.hpp"

#include "files/file_io.hpp"
#include "files/gbk.hpp"

#include <zip.h>

#include <algorithm>
#include <cctype>
#include <system_error>
#include <unordered_set>

namespace tarnelo::xlsx {

namespace {

bool isOleFile(std::string_view data) {
    return data.size() >= 4 && static_cast<unsigned char>(data[0]) == 0xD0 &&
           static_cast<unsigned char>(data[1]) == 0xCF &&
           static_cast<unsigned char>(data[2]) == 0x11 &&
           static_cast<unsigned char>(data[3]) == 0xE0;
}

// Whether an entry name may be a part name: not empty, relative, UTF-8, without ".." segments,
// backslashes or NUL. A folder entry ("xl/") ends in "/". (libzip itself turns a NUL in a name
// into a space as it reads the directory.)
bool isSafeEntryName(std::string_view name) {
    if (name.empty() || name.front() == '/' || !isUtf8(name) ||
        name.find_first_of(std::string_view("\\\0", 2)) != std::string_view::npos) {
        return false;
    }
    std::size_t start = 0;
    while (start <= name.size()) {
        const std::size_t end = std::min(name.find('/', start), name.size());
        if (name.substr(start, end - start) == "..") {
            return false;
        }
        start = end + 1;
    }
    return true;
}

// An entry chosen to be read: its index and the size its directory declares.
struct Entry {
    zip_uint64_t index = 0;
    std::size_t size = 0;
    std::string name;
};

std::string mebibytes(std::size_t bytes) {
    return std::to_string((bytes + (std::size_t(1) << 20) - 1) >> 20) + " MiB";
}

// Checks every entry against the limits before anything is decompressed, so that a bomb is
// refused from its directory alone. Duplicates after the first and folders are left out. An
// entry beyond the limits is said in `beyond`.
bool listEntries(zip_t* archive, std::vector<Entry>& entries, const PackageLimits& limits,
                 std::string& beyond) {
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    if (count >= 0 && static_cast<zip_uint64_t>(count) > limits.entries) {
        beyond = "部件 " + std::to_string(count) + " 个，超过可读取的 " +
                 std::to_string(limits.entries) + " 个";
        return false;
    }
    if (count < 0) {
        return false;
    }
    std::unordered_set<std::string> seen;
    std::size_t total = 0;
    for (zip_uint64_t index = 0; index < static_cast<zip_uint64_t>(count); ++index) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(archive, index, ZIP_FL_ENC_RAW, &st) != 0 || st.name == nullptr ||
            (st.valid & ZIP_STAT_SIZE) == 0 || (st.valid & ZIP_STAT_COMP_SIZE) == 0) {
            return false;
        }
        std::string name = st.name;
        if (!isSafeEntryName(name)) {
            return false;
        }
        if (name.back() == '/') {
            continue;
        }
        if (st.size > limits.part) {
            beyond = "部件 " + name + " 解压后 " + mebibytes(st.size) + "，超过可读取的 " +
                     mebibytes(limits.part);
            return false;
        }
        if (limits.ratioChecked && st.size > kRatioCheckedFrom &&
            st.comp_size < (st.size + kMaxRatio - 1) / kMaxRatio) {
            return false;
        }
        total += static_cast<std::size_t>(st.size);
        if (total > limits.total) {
            beyond =
                "解压后共 " + mebibytes(total) + " 以上，超过可读取的 " + mebibytes(limits.total);
            return false;
        }
        if (seen.insert(name).second) {
            entries.push_back({index, static_cast<std::size_t>(st.size), std::move(name)});
        }
    }
    return true;
}

// The bytes of an entry, which must be exactly as many as declared: reading stops one byte
// beyond, since libzip goes on decompressing past a declared size that is too small.
bool readEntry(zip_t* archive, const Entry& entry, std::string& bytes) {
    zip_file_t* file = zip_fopen_index(archive, entry.index, 0);
    if (file == nullptr) {
        return false;
    }
    bytes.assign(entry.size + 1, '\0');
    std::size_t got = 0;
    bool failed = false;
    while (got < bytes.size()) {
        const zip_int64_t n = zip_fread(file, bytes.data() + got, bytes.size() - got);
        if (n <= 0) {
            failed = n < 0;
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    zip_fclose(file);
    bytes.resize(entry.size);
    return !failed && got == entry.size;
}

bool readArchive(std::string_view data, std::vector<RawPart>& parts, const PackageLimits& limits,
                 std::string& beyond) {
    zip_error_t zerr;
    zip_error_init(&zerr);
    zip_source_t* source = zip_source_buffer_create(data.data(), data.size(), 0, &zerr);
    zip_t* archive = source == nullptr ? nullptr : zip_open_from_source(source, ZIP_RDONLY, &zerr);
    zip_error_fini(&zerr);
    if (archive == nullptr) {
        zip_source_free(source);
        return false;
    }
    std::vector<Entry> entries;
    bool ok = listEntries(archive, entries, limits, beyond);
    for (std::size_t i = 0; ok && i < entries.size(); ++i) {
        std::string bytes;
        ok = readEntry(archive, entries[i], bytes);
        if (ok) {
            parts.push_back({std::move(entries[i].name), std::move(bytes)});
        }
    }
    zip_discard(archive);
    return ok;
}

// The whole content of a source that libzip has finished writing.
std::optional<std::string> sourceBytes(zip_source_t* source) {
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_source_stat(source, &st) != 0 || (st.valid & ZIP_STAT_SIZE) == 0 ||
        zip_source_open(source) != 0) {
        return std::nullopt;
    }
    std::string bytes(static_cast<std::size_t>(st.size), '\0');
    std::size_t got = 0;
    while (got < bytes.size()) {
        const zip_int64_t n = zip_source_read(source, bytes.data() + got, bytes.size() - got);
        if (n <= 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    zip_source_close(source);
    if (got != bytes.size()) {
        return std::nullopt;
    }
    return bytes;
}

bool addParts(zip_t* archive, const std::vector<RawPart>& parts) {
    for (const RawPart& part : parts) {
        // The bytes stay alive in parts until zip_close has written them.
        zip_source_t* source = zip_source_buffer(archive, part.bytes.data(), part.bytes.size(), 0);
        if (source == nullptr) {
            return false;
        }
        if (zip_file_add(archive, part.name.c_str(), source, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE) <
            0) {
            zip_source_free(source);
            return false;
        }
    }
    return true;
}

} // namespace

namespace {

std::string lowerCase(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

// Whether XML text holds an element of the given local name, with or without a prefix.
bool holdsElement(std::string_view xml, std::string_view name) {
    for (std::size_t at = xml.find(name); at != std::string_view::npos;
         at = xml.find(name, at + 1)) {
        const std::size_t end = at + name.size();
        const bool ends =
            end < xml.size() && (xml[end] == '>' || xml[end] == ' ' || xml[end] == '/' ||
                                 xml[end] == '\t' || xml[end] == '\r' || xml[end] == '\n');
        if (!ends || at == 0) {
            continue;
        }
        if (xml[at - 1] == '<') {
            return true;
        }
        // A prefixed name: "<x:f>".
        if (xml[at - 1] == ':') {
            const std::size_t open = xml.rfind('<', at);
            if (open != std::string_view::npos &&
                xml.substr(open + 1, at - open - 2).find_first_of(" />") ==
                    std::string_view::npos) {
                return true;
            }
        }
    }
    return false;
}

// The texts of every element of the given local name (with or without a prefix): the formulas
// of cells, conditional formats and data validations, and the defined names.
std::vector<std::string_view> elementTexts(std::string_view xml, std::string_view name) {
    std::vector<std::string_view> texts;
    for (std::size_t at = xml.find(name); at != std::string_view::npos;
         at = xml.find(name, at + 1)) {
        const std::size_t end = at + name.size();
        if (at == 0 || end >= xml.size() || (xml[at - 1] != '<' && xml[at - 1] != ':')) {
            continue;
        }
        const std::size_t open = xml.rfind('<', at);
        if (open == std::string_view::npos ||
            xml.substr(open + 1, at - open - 1).find_first_of(" />\t\r\n") !=
                std::string_view::npos ||
            (xml[end] != '>' && xml[end] != ' ' && xml[end] != '\t' && xml[end] != '\r' &&
             xml[end] != '\n')) {
            continue;
        }
        const std::size_t start = xml.find('>', end);
        if (start == std::string_view::npos || xml[start - 1] == '/') {
            continue;
        }
        const std::size_t close = xml.find('<', start + 1);
        texts.push_back(xml.substr(
            start + 1, (close == std::string_view::npos ? xml.size() : close) - start - 1));
    }
    return texts;
}

// A function that reaches outside the workbook (the web, other programs, other files) named in
// a formula text, or a DDE reference ("cmd|' /c …'!A1"); empty when there is none.
std::string outsideReachIn(std::string_view formula) {
    const std::string lower = lowerCase(formula);
    if (lower.find('|') != std::string::npos) {
        return "DDE";
    }
    static constexpr std::string_view kNames[] = {"webservice", "filterxml", "hyperlink", "dde",
                                                  "ddeauto",    "call",      "register",  "exec"};
    for (const std::string_view name : kNames) {
        for (std::size_t at = lower.find(name); at != std::string::npos;
             at = lower.find(name, at + 1)) {
            const bool startsWord =
                at == 0 || !(std::isalnum(static_cast<unsigned char>(lower[at - 1])) != 0 ||
                             lower[at - 1] == '_');
            std::size_t after = at + name.size();
            while (after < lower.size() && (lower[after] == ' ' || lower[after] == '\t')) {
                ++after;
            }
            if (startsWord && after < lower.size() && lower[after] == '(') {
                std::string upper(name);
                std::transform(upper.begin(), upper.end(), upper.begin(),
                               [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
                return upper;
            }
        }
    }
    return {};
}

// Whether the bytes are a picture by their first bytes: PNG, JPEG, GIF, BMP, TIFF, EMF or WMF.
bool isImage(std::string_view data) {
    const auto starts = [&](std::string_view magic) { return data.starts_with(magic); };
    using namespace std::string_view_literals;
    return starts("\x89PNG\r\n\x1a\n"sv) || starts("\xff\xd8\xff"sv) || starts("GIF87a"sv) ||
           starts("GIF89a"sv) || starts("BM"sv) || starts("II*\0"sv) || starts("MM\0*"sv) ||
           starts("\xd7\xcd\xc6\x9a"sv) || starts("\x01\0\x09\0"sv) ||
           (data.size() >= 44 && data.substr(40, 4) == " EMF"sv);
}

// Whether a part holds text a workbook reads as XML (its parts, relationships, drawings).
bool isXmlPart(std::string_view lowerName) {
    return lowerName.ends_with(".xml") || lowerName.ends_with(".rels") ||
           lowerName.ends_with(".vml");
}

} // namespace

std::optional<std::string> activeContentIn(const std::vector<RawPart>& parts) {
    for (const RawPart& part : parts) {
        const std::string name = lowerCase(part.name);
        if (name.find("vbaproject") != std::string::npos || name.find("macrosheets/") == 3 ||
            name.find("activex") != std::string::npos) {
            return "含有宏（" + part.name + "）";
        }
        if (name.find("externallinks/") != std::string::npos || name.starts_with("xl/links/")) {
            return "含有外部链接（" + part.name + "）";
        }
        if (!isXmlPart(name)) {
            if (!isImage(part.bytes)) {
                return "含有不是图片的二进制部件（" + part.name + "）";
            }
            continue;
        }
        const std::string lower = lowerCase(part.bytes);
        if (name.ends_with(".rels") &&
            (lower.find("targetmode=\"external\"") != std::string::npos ||
             lower.find("targetmode='external'") != std::string::npos)) {
            return "含有指向外部的链接（" + part.name + "）";
        }
        for (const std::string_view element :
             {"f", "formula", "formula1", "formula2", "definedName"}) {
            for (const std::string_view formula : elementTexts(part.bytes, element)) {
                if (const std::string reach = outsideReachIn(formula); !reach.empty()) {
                    return "含有读取外部内容的公式 " + reach + "（" + part.name + "）";
                }
            }
        }
        if (holdsElement(part.bytes, "ddeLink")) {
            return "含有 DDE 链接（" + part.name + "）";
        }
        if (name == "[content_types].xml" &&
            lowerCase(part.bytes).find("macroenabled") != std::string::npos) {
            return "是启用宏的工作簿";
        }
        if (name.starts_with("xl/worksheets/") && holdsElement(part.bytes, "f")) {
            return "含有公式（" + part.name + "）";
        }
    }
    return std::nullopt;
}

bool readPackage(const std::filesystem::path& file, std::vector<RawPart>& parts, std::string& error,
                 const PackageLimits& limits) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(file, ec);
    if (ec || !std::filesystem::is_regular_file(file, ec)) {
        error = "找不到文件：" + escapedName(file);
        return false;
    }
    if (size > limits.total) {
        error = "文件太大（超过 " + mebibytes(limits.total) + "）：" + escapedName(file);
        return false;
    }
    const std::optional<std::string> data = readFileBytes(file, limits.total);
    if (!data) {
        error = "无法读取文件：" + escapedName(file);
        return false;
    }
    if (isOleFile(*data)) {
        error = "工作簿受密码保护或是旧的 xls 格式，无法打开：" + escapedName(file);
        return false;
    }
    std::string beyond;
    if (!readArchive(*data, parts, limits, beyond)) {
        parts.clear();
        error = beyond.empty() ? "工作簿已损坏：" + escapedName(file)
                               : "工作簿太大，无法读取（" + beyond + "）：" + escapedName(file);
        return false;
    }
    return true;
}

std::optional<std::string> zipPackage(const std::vector<RawPart>& parts) {
    zip_error_t zerr;
    zip_error_init(&zerr);
    zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &zerr);
    zip_t* archive = buffer == nullptr
                         ? nullptr
                         : zip_open_from_source(buffer, ZIP_CREATE | ZIP_TRUNCATE, &zerr);
    zip_error_fini(&zerr);
    if (archive == nullptr) {
        zip_source_free(buffer);
        return std::nullopt;
    }
    // The archive lets go of its source when it is closed; the finished bytes are read after.
    zip_source_keep(buffer);
    std::optional<std::string> bytes;
    if (!addParts(archive, parts) || zip_close(archive) != 0) {
        zip_discard(archive);
    } else {
        bytes = sourceBytes(buffer);
    }
    zip_source_free(buffer);
    return bytes;
}

bool writePackage(const std::filesystem::path& file, const std::vector<RawPart>& parts,
                  std::string& error) {
    const std::optional<std::string> bytes = zipPackage(parts);
    if (!bytes || !writeFileAtomic(file, *bytes)) {
        error = "无法写入文件：" + escapedName(file);
        return false;
    }
    return true;
}

} // namespace tarnelo::xlsx
