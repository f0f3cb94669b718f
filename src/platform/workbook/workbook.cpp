#include "platform/workbook/workbook.hpp"

#include "compute/numtext.hpp"
#include "files/file_io.hpp"

#include <pugixml.hpp>
#include <zip.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <system_error>

namespace tarnelo::xlsx {

namespace {

constexpr std::size_t kMaxPartBytes = std::size_t(256) << 20;
constexpr std::size_t kMaxPackageBytes = std::size_t(512) << 20;
constexpr std::size_t kMaxCellChars = 32767;

constexpr std::string_view kRelDocument =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument";
constexpr std::string_view kRelWorksheetSuffix = "/worksheet";
constexpr std::string_view kRelSharedStringsSuffix = "/sharedStrings";
constexpr std::string_view kRelCalcChainSuffix = "/calcChain";

constexpr unsigned kParseFlags =
    pugi::parse_default | pugi::parse_declaration | pugi::parse_ws_pcdata_single;

// Children of <worksheet> in the order the schema demands.
constexpr std::string_view kWorksheetOrder[] = {"sheetPr",
                                                "dimension",
                                                "sheetViews",
                                                "sheetFormatPr",
                                                "cols",
                                                "sheetData",
                                                "sheetCalcPr",
                                                "sheetProtection",
                                                "protectedRanges",
                                                "scenarios",
                                                "autoFilter",
                                                "sortState",
                                                "dataConsolidate",
                                                "customSheetViews",
                                                "mergeCells",
                                                "phoneticPr",
                                                "conditionalFormatting",
                                                "dataValidations",
                                                "hyperlinks",
                                                "printOptions",
                                                "pageMargins",
                                                "pageSetup",
                                                "headerFooter",
                                                "rowBreaks",
                                                "colBreaks",
                                                "customProperties",
                                                "cellWatches",
                                                "ignoredErrors",
                                                "smartTags",
                                                "drawing",
                                                "legacyDrawing",
                                                "legacyDrawingHF",
                                                "drawingHF",
                                                "picture",
                                                "oleObjects",
                                                "controls",
                                                "webPublishItems",
                                                "tableParts",
                                                "extLst"};

constexpr std::string_view kHeaderFooterOrder[] = {"oddHeader",  "oddFooter",   "evenHeader",
                                                   "evenFooter", "firstHeader", "firstFooter"};

constexpr std::string_view kWorkbookOrder[] = {"fileVersion",    "fileSharing",
                                               "workbookPr",     "workbookProtection",
                                               "bookViews",      "sheets",
                                               "functionGroups", "externalReferences",
                                               "definedNames",   "calcPr",
                                               "oleSize",        "customWorkbookViews",
                                               "pivotCaches",    "smartTagPr",
                                               "smartTagTypes",  "webPublishing",
                                               "fileRecoveryPr", "webPublishObjects",
                                               "extLst"};

std::string_view localName(std::string_view name) {
    const auto colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

// Finds a child by its local name (any namespace prefix).
pugi::xml_node child(pugi::xml_node node, std::string_view name) {
    for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_element && localName(c.name()) == name) {
            return c;
        }
    }
    return {};
}

template <std::size_t N> int orderOf(const std::string_view (&order)[N], std::string_view name) {
    for (std::size_t i = 0; i < N; ++i) {
        if (order[i] == name) {
            return static_cast<int>(i);
        }
    }
    return static_cast<int>(N);
}

// The child of that name, made at its place in the schema's order when missing.
template <std::size_t N>
pugi::xml_node childInOrder(pugi::xml_node parent, std::string_view name,
                            const std::string_view (&order)[N]) {
    if (pugi::xml_node found = child(parent, name)) {
        return found;
    }
    const int rank = orderOf(order, name);
    std::string prefix;
    if (const std::string_view own = parent.name(); own.find(':') != std::string_view::npos) {
        prefix = std::string(own.substr(0, own.find(':') + 1));
    }
    const std::string full = prefix + std::string(name);
    for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_element && orderOf(order, localName(c.name())) > rank) {
            return parent.insert_child_before(full.c_str(), c);
        }
    }
    return parent.append_child(full.c_str());
}

// A tag name in the namespace prefix of node ("x:row" beside "x:sheetData").
std::string tagLike(pugi::xml_node node, std::string_view name) {
    const std::string_view own = node.name();
    const auto colon = own.find(':');
    return (colon == std::string_view::npos ? std::string()
                                            : std::string(own.substr(0, colon + 1))) +
           std::string(name);
}

pugi::xml_attribute attribute(pugi::xml_node node, const char* name) {
    pugi::xml_attribute a = node.attribute(name);
    return a ? a : node.append_attribute(name);
}

// Attribute r:id, whatever prefix the relationships namespace has.
std::string relationId(pugi::xml_node node) {
    for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
        const std::string_view name = a.name();
        if (name.size() > 3 && name.substr(name.size() - 3) == ":id") {
            return a.value();
        }
    }
    return {};
}

bool endsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

int parseInt(std::string_view text, int fallback) {
    if (text.empty() || text.size() > 10) {
        return fallback;
    }
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return fallback;
        }
        value = value * 10 + (c - '0');
    }
    return value > 2147483647LL ? fallback : static_cast<int>(value);
}

std::string intText(long long value) {
    return num::plainText(static_cast<double>(value));
}

// "xl/worksheets/../x.xml" -> "xl/x.xml"; a leading "/" means the package root.
std::string resolvePart(std::string_view base, std::string_view target) {
    std::string joined;
    if (!target.empty() && target.front() == '/') {
        joined = std::string(target.substr(1));
    } else {
        const auto slash = base.rfind('/');
        joined = (slash == std::string_view::npos ? std::string()
                                                  : std::string(base.substr(0, slash + 1))) +
                 std::string(target);
    }
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= joined.size()) {
        auto end = joined.find('/', start);
        if (end == std::string::npos) {
            end = joined.size();
        }
        const std::string piece = joined.substr(start, end - start);
        if (piece == "..") {
            if (!parts.empty()) {
                parts.pop_back();
            }
        } else if (!piece.empty() && piece != ".") {
            parts.push_back(piece);
        }
        start = end + 1;
    }
    std::string out;
    for (const auto& p : parts) {
        if (!out.empty()) {
            out += '/';
        }
        out += p;
    }
    return out;
}

std::string relsPartOf(std::string_view part) {
    const auto slash = part.rfind('/');
    const std::string dir =
        slash == std::string_view::npos ? "" : std::string(part.substr(0, slash + 1));
    const std::string file =
        std::string(slash == std::string_view::npos ? part : part.substr(slash + 1));
    return dir + "_rels/" + file + ".rels";
}

// ---- Texts in cells ---------------------------------------------------------------------------

bool isHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

bool isEscapeAt(std::string_view s, std::size_t i) {
    return i + 7 <= s.size() && s[i] == '_' && s[i + 1] == 'x' && isHex(s[i + 2]) &&
           isHex(s[i + 3]) && isHex(s[i + 4]) && isHex(s[i + 5]) && s[i + 6] == '_';
}

void appendUtf8(std::string& out, unsigned cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

const char kHexDigits[] = "0123456789ABCDEF";

// A text as a cell stores it: invalid UTF-8 becomes U+FFFD, characters XML cannot carry and a
// literal "_xHHHH_" are written in the _xHHHH_ escape of the format.
std::string encodeCellText(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) {
            if ((b < 0x20 && b != '\t' && b != '\n' && b != '\r') || b == 0x7F) {
                out += "_x00";
                out += kHexDigits[b >> 4];
                out += kHexDigits[b & 15];
                out += '_';
            } else if (isEscapeAt(s, i)) {
                out += "_x005F_";
            } else {
                out += static_cast<char>(b);
            }
            ++i;
            continue;
        }
        int length = 0;
        unsigned cp = 0;
        if (b >= 0xC2 && b <= 0xDF) {
            length = 2;
            cp = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            length = 3;
            cp = b & 0x0F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            length = 4;
            cp = b & 0x07;
        }
        bool valid = length > 0 && i + static_cast<std::size_t>(length) <= s.size();
        for (int k = 1; valid && k < length; ++k) {
            const auto cont = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
            valid = (cont & 0xC0) == 0x80;
            cp = (cp << 6) | (cont & 0x3F);
        }
        if (valid) {
            valid = !(length == 3 && cp < 0x800) &&
                    !(length == 4 && (cp < 0x10000 || cp > 0x10FFFF)) &&
                    !(cp >= 0xD800 && cp <= 0xDFFF) && cp != 0xFFFE && cp != 0xFFFF;
        }
        if (valid) {
            out.append(s.substr(i, static_cast<std::size_t>(length)));
            i += static_cast<std::size_t>(length);
        } else {
            appendUtf8(out, 0xFFFD);
            ++i;
        }
    }
    return out;
}

std::string decodeCellText(std::string_view s) {
    if (s.find("_x") == std::string_view::npos) {
        return std::string(s);
    }
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        if (isEscapeAt(s, i)) {
            unsigned cp = 0;
            for (std::size_t k = 2; k < 6; ++k) {
                const char c = s[i + k];
                cp = cp * 16 + static_cast<unsigned>(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
            }
            appendUtf8(out, cp);
            i += 7;
        } else {
            out += s[i++];
        }
    }
    return out;
}

std::size_t charCount(std::string_view s) {
    std::size_t n = 0;
    for (char c : s) {
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    }
    return n;
}

bool isXmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Text of a rich or plain string item: its <t>, or the <t> of its runs; phonetic runs skipped.
std::string itemText(pugi::xml_node item) {
    std::string text;
    for (pugi::xml_node c = item.first_child(); c; c = c.next_sibling()) {
        const std::string_view name = localName(c.name());
        if (name == "t") {
            text += c.text().get();
        } else if (name == "r") {
            text += child(c, "t").text().get();
        }
    }
    return decodeCellText(text);
}

std::string serialize(const pugi::xml_document& doc) {
    std::string out;
    struct Writer : pugi::xml_writer {
        std::string* target;
        void write(const void* data, std::size_t size) override {
            target->append(static_cast<const char*>(data), size);
        }
    } writer;
    writer.target = &out;
    doc.save(writer, "", pugi::format_raw, pugi::encoding_utf8);
    return out;
}

bool parseXml(pugi::xml_document& doc, const std::string& bytes) {
    if (!doc.load_buffer(bytes.data(), bytes.size(), kParseFlags)) {
        return false;
    }
    // Everything is written back as UTF-8, so the declaration must say so.
    for (pugi::xml_node n = doc.first_child(); n; n = n.next_sibling()) {
        if (n.type() == pugi::node_declaration && n.attribute("encoding")) {
            n.attribute("encoding").set_value("UTF-8");
        }
    }
    return static_cast<bool>(doc.document_element());
}

// ---- Minimal new workbook ---------------------------------------------------------------------

constexpr std::string_view kBlankContentTypes =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
    R"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
    R"(<Default Extension="xml" ContentType="application/xml"/>)"
    R"(<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>)"
    R"(<Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>)"
    R"(<Override PartName="/xl/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"/>)"
    R"(</Types>)";
constexpr std::string_view kBlankRootRels =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
    R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/>)"
    R"(</Relationships>)";
constexpr std::string_view kBlankWorkbook =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)"
    R"(<bookViews><workbookView activeTab="0"/></bookViews>)"
    R"(<sheets><sheet name="Sheet1" sheetId="1" r:id="rId1"/></sheets></workbook>)";
constexpr std::string_view kBlankWorkbookRels =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
    R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>)"
    R"(<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="styles.xml"/>)"
    R"(</Relationships>)";
constexpr std::string_view kBlankSheet =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)"
    R"(<dimension ref="A1"/><sheetViews><sheetView tabSelected="1" workbookViewId="0"/></sheetViews>)"
    R"(<sheetData/><pageMargins left="0.7" right="0.7" top="0.75" bottom="0.75" header="0.3" footer="0.3"/></worksheet>)";
constexpr std::string_view kBlankStyles =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
    R"(<fonts count="1"><font><sz val="11"/><name val="宋体"/><family val="2"/></font></fonts>)"
    R"(<fills count="2"><fill><patternFill patternType="none"/></fill><fill><patternFill patternType="gray125"/></fill></fills>)"
    R"(<borders count="1"><border><left/><right/><top/><bottom/><diagonal/></border></borders>)"
    R"(<cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs>)"
    R"(<cellXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/></cellXfs>)"
    R"(<cellStyles count="1"><cellStyle name="Normal" xfId="0" builtinId="0"/></cellStyles>)"
    R"(</styleSheet>)";

// ---- Zip ----------------------------------------------------------------------------------------

struct RawPart {
    std::string name;
    std::string bytes;
};

bool readPackage(const std::filesystem::path& file, std::vector<RawPart>& parts,
                 std::string& error) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(file, ec);
    if (ec || !std::filesystem::is_regular_file(file, ec)) {
        error = "找不到文件：" + file.string();
        return false;
    }
    if (size > kMaxPackageBytes) {
        error = "文件太大：" + file.string();
        return false;
    }
    std::ifstream in(file, std::ios::binary);
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
        error = "无法读取文件：" + file.string();
        return false;
    }
    if (data.size() >= 4 && static_cast<unsigned char>(data[0]) == 0xD0 &&
        static_cast<unsigned char>(data[1]) == 0xCF &&
        static_cast<unsigned char>(data[2]) == 0x11 &&
        static_cast<unsigned char>(data[3]) == 0xE0) {
        error = "工作簿受密码保护或是旧的 xls 格式，无法打开：" + file.string();
        return false;
    }
    zip_error_t zerr;
    zip_error_init(&zerr);
    zip_source_t* source = zip_source_buffer_create(data.data(), data.size(), 0, &zerr);
    if (source == nullptr) {
        zip_error_fini(&zerr);
        error = "无法读取文件：" + file.string();
        return false;
    }
    zip_t* archive = zip_open_from_source(source, ZIP_RDONLY, &zerr);
    zip_error_fini(&zerr);
    if (archive == nullptr) {
        zip_source_free(source);
        error = "不是有效的 xlsx 工作簿：" + file.string();
        return false;
    }
    bool ok = true;
    std::size_t total = 0;
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; ok && i < count; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        const auto index = static_cast<zip_uint64_t>(i);
        if (zip_stat_index(archive, index, 0, &st) != 0 || st.name == nullptr ||
            (st.valid & ZIP_STAT_SIZE) == 0) {
            ok = false;
            break;
        }
        const std::string name = st.name;
        if (name.empty() || name.back() == '/') {
            continue;
        }
        total += st.size;
        if (st.size > kMaxPartBytes || total > kMaxPackageBytes) {
            ok = false;
            break;
        }
        zip_file_t* entry = zip_fopen_index(archive, index, 0);
        if (entry == nullptr) {
            ok = false;
            break;
        }
        std::string bytes(static_cast<std::size_t>(st.size), '\0');
        zip_int64_t got = 0;
        while (got < static_cast<zip_int64_t>(bytes.size())) {
            const zip_int64_t n =
                zip_fread(entry, bytes.data() + got, bytes.size() - static_cast<std::size_t>(got));
            if (n <= 0) {
                break;
            }
            got += n;
        }
        zip_fclose(entry);
        if (got != static_cast<zip_int64_t>(bytes.size())) {
            ok = false;
            break;
        }
        const bool duplicate = std::any_of(parts.begin(), parts.end(),
                                           [&](const RawPart& p) { return p.name == name; });
        if (!duplicate) {
            parts.push_back({name, std::move(bytes)});
        }
    }
    zip_discard(archive);
    if (!ok) {
        error = "工作簿已损坏：" + file.string();
    }
    return ok;
}

constexpr zip_uint32_t kDeflateLevel = 6;

// The package zipped in memory; std::nullopt when libzip fails.
std::optional<std::string> zipPackage(const std::vector<RawPart>& parts) {
    zip_error_t zerr;
    zip_error_init(&zerr);
    zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &zerr);
    zip_error_fini(&zerr);
    if (buffer == nullptr) {
        return std::nullopt;
    }
    // Kept past zip_close, which writes the archive into it.
    zip_source_keep(buffer);
    zip_error_init(&zerr);
    zip_t* archive = zip_open_from_source(buffer, ZIP_TRUNCATE, &zerr);
    zip_error_fini(&zerr);
    if (archive == nullptr) {
        zip_source_free(buffer);
        zip_source_free(buffer);
        return std::nullopt;
    }
    bool ok = true;
    for (const RawPart& part : parts) {
        // The bytes stay alive in parts until zip_close has written them.
        zip_source_t* source = zip_source_buffer(archive, part.bytes.data(), part.bytes.size(), 0);
        if (source == nullptr) {
            ok = false;
            break;
        }
        const zip_int64_t index =
            zip_file_add(archive, part.name.c_str(), source, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
        if (index < 0) {
            zip_source_free(source);
            ok = false;
            break;
        }
        // Deflate at a moderate level: libzip's default (the strongest) costs a third more time
        // for a few dozen bytes.
        if (zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE,
                                     kDeflateLevel) != 0) {
            ok = false;
            break;
        }
    }
    if (!ok || zip_close(archive) != 0) {
        zip_discard(archive);
        zip_source_free(buffer);
        return std::nullopt;
    }
    std::string bytes;
    if (zip_source_open(buffer) == 0) {
        if (zip_source_seek(buffer, 0, SEEK_END) == 0) {
            const zip_int64_t size = zip_source_tell(buffer);
            if (size >= 0 && zip_source_seek(buffer, 0, SEEK_SET) == 0) {
                bytes.resize(static_cast<std::size_t>(size));
                ok = zip_source_read(buffer, bytes.data(), bytes.size()) == size;
            } else {
                ok = false;
            }
        } else {
            ok = false;
        }
        zip_source_close(buffer);
    } else {
        ok = false;
    }
    zip_source_free(buffer);
    return ok ? std::optional<std::string>(std::move(bytes)) : std::nullopt;
}

// Zipped in memory, then written by the one atomic writer: a crash leaves the old workbook,
// and a workbook reached through a symbolic link is written where the link points.
bool writePackage(const std::filesystem::path& file, const std::vector<RawPart>& parts,
                  std::string& error) {
    const auto bytes = zipPackage(parts);
    if (!bytes || !writeFileAtomic(file, *bytes)) {
        error = "无法写入文件：" + file.string();
        return false;
    }
    return true;
}

} // namespace

// ---- Names and addresses ----------------------------------------------------------------------

int columnNumber(std::string_view letters) {
    if (letters.empty() || letters.size() > 3) {
        return 0;
    }
    int n = 0;
    for (char c : letters) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
        if (c < 'A' || c > 'Z') {
            return 0;
        }
        n = n * 26 + (c - 'A' + 1);
    }
    return n <= kMaxColumn ? n : 0;
}

std::string columnName(int column) {
    std::string name;
    while (column > 0) {
        const int d = (column - 1) % 26;
        name.insert(name.begin(), static_cast<char>('A' + d));
        column = (column - 1) / 26;
    }
    return name;
}

std::string cellName(int row, int column) {
    return columnName(column) + intText(row);
}

namespace {

// "B3" or "$B$3": row and column; std::nullopt otherwise.
std::optional<std::pair<int, int>> parseCell(std::string_view s) {
    std::size_t i = 0;
    if (i < s.size() && s[i] == '$') {
        ++i;
    }
    const std::size_t letters = i;
    while (i < s.size() && ((s[i] >= 'A' && s[i] <= 'Z') || (s[i] >= 'a' && s[i] <= 'z'))) {
        ++i;
    }
    const int column = columnNumber(s.substr(letters, i - letters));
    if (i < s.size() && s[i] == '$') {
        ++i;
    }
    const int row = parseInt(s.substr(i), 0);
    if (column == 0 || row < 1 || row > kMaxRow) {
        return std::nullopt;
    }
    return std::pair{row, column};
}

} // namespace

std::optional<Area> parseArea(std::string_view address) {
    const auto colon = address.find(':');
    const auto first = parseCell(address.substr(0, colon));
    if (!first) {
        return std::nullopt;
    }
    auto second = first;
    if (colon != std::string_view::npos) {
        second = parseCell(address.substr(colon + 1));
        if (!second) {
            return std::nullopt;
        }
    }
    return Area{std::min(first->first, second->first), std::min(first->second, second->second),
                std::max(first->first, second->first), std::max(first->second, second->second)};
}

std::string areaName(const Area& area) {
    std::string name = cellName(area.top, area.left);
    if (area.rows() > 1 || area.columns() > 1) {
        name += ":" + cellName(area.bottom, area.right);
    }
    return name;
}

// ---- The workbook
// ---------------------------------------------------------------------------------

struct SheetEntry {
    int id = 0;
    std::string part; // empty for a sheet whose part is missing
    std::string relId;
    bool worksheet = false;
    pugi::xml_document doc;
    std::map<int, int> columnStyles; // column -> style from <cols>
};

struct Workbook::Impl {
    std::vector<RawPart> parts; // in package order; XML parts below replace their bytes on save
    std::string workbookPart;
    std::string workbookRelsPart;
    pugi::xml_document contentTypes;
    pugi::xml_document workbook;
    pugi::xml_document workbookRels;
    std::vector<std::string> sharedStrings;
    std::vector<std::unique_ptr<SheetEntry>> sheets;
    int nextId = 1;
    bool formulasWritten = false;

    pugi::xml_node sheetsNode() { return child(workbook.document_element(), "sheets"); }
    std::vector<pugi::xml_node> sheetNodes() {
        std::vector<pugi::xml_node> nodes;
        for (pugi::xml_node n = sheetsNode().first_child(); n; n = n.next_sibling()) {
            if (n.type() == pugi::node_element && localName(n.name()) == "sheet") {
                nodes.push_back(n);
            }
        }
        return nodes;
    }
    const RawPart* findPart(std::string_view name) const {
        for (const auto& p : parts) {
            if (p.name == name) {
                return &p;
            }
        }
        return nullptr;
    }
    void removePart(std::string_view name) {
        std::erase_if(parts, [&](const RawPart& p) { return p.name == name; });
        for (pugi::xml_node n = contentTypes.document_element().first_child(); n;) {
            const pugi::xml_node next = n.next_sibling();
            if (localName(n.name()) == "Override" &&
                n.attribute("PartName").value() == "/" + std::string(name)) {
                contentTypes.document_element().remove_child(n);
            }
            n = next;
        }
    }
    bool load(std::string& error);
    void loadColumnStyles(SheetEntry& sheet);
};

bool Workbook::Impl::load(std::string& error) {
    const RawPart* types = findPart("[Content_Types].xml");
    const RawPart* rootRels = findPart("_rels/.rels");
    pugi::xml_document root;
    if (types == nullptr || rootRels == nullptr || !parseXml(contentTypes, types->bytes) ||
        !parseXml(root, rootRels->bytes)) {
        error = "不是有效的 xlsx 工作簿";
        return false;
    }
    for (pugi::xml_node r = root.document_element().first_child(); r; r = r.next_sibling()) {
        if (std::string_view(r.attribute("Type").value()) == kRelDocument) {
            workbookPart = resolvePart("", r.attribute("Target").value());
        }
    }
    const RawPart* book = findPart(workbookPart);
    if (workbookPart.empty() || book == nullptr || !parseXml(workbook, book->bytes) ||
        localName(workbook.document_element().name()) != "workbook") {
        error = "工作簿缺少 workbook.xml";
        return false;
    }
    workbookRelsPart = relsPartOf(workbookPart);
    const RawPart* rels = findPart(workbookRelsPart);
    if (rels == nullptr || !parseXml(workbookRels, rels->bytes)) {
        error = "工作簿缺少关系部件";
        return false;
    }
    std::map<std::string, std::pair<std::string, std::string>> targets; // id -> type, part
    for (pugi::xml_node r = workbookRels.document_element().first_child(); r;
         r = r.next_sibling()) {
        if (r.type() != pugi::node_element) {
            continue;
        }
        const std::string type = r.attribute("Type").value();
        const std::string part = resolvePart(workbookPart, r.attribute("Target").value());
        targets[r.attribute("Id").value()] = {type, part};
        if (endsWith(type, kRelSharedStringsSuffix)) {
            if (const RawPart* sst = findPart(part)) {
                pugi::xml_document doc;
                if (parseXml(doc, sst->bytes)) {
                    for (pugi::xml_node si = doc.document_element().first_child(); si;
                         si = si.next_sibling()) {
                        if (si.type() == pugi::node_element && localName(si.name()) == "si") {
                            sharedStrings.push_back(itemText(si));
                        }
                    }
                }
            }
        }
    }
    for (pugi::xml_node node : sheetNodes()) {
        auto entry = std::make_unique<SheetEntry>();
        entry->id = nextId++;
        entry->relId = relationId(node);
        if (auto it = targets.find(entry->relId); it != targets.end()) {
            entry->part = it->second.second;
            entry->worksheet = endsWith(it->second.first, kRelWorksheetSuffix);
        }
        if (entry->worksheet) {
            const RawPart* bytes = findPart(entry->part);
            if (bytes == nullptr || !parseXml(entry->doc, bytes->bytes) ||
                localName(entry->doc.document_element().name()) != "worksheet") {
                error = "工作表已损坏：" + std::string(node.attribute("name").value());
                return false;
            }
            loadColumnStyles(*entry);
        }
        sheets.push_back(std::move(entry));
    }
    if (sheets.empty()) {
        error = "工作簿中没有工作表";
        return false;
    }
    return true;
}

void Workbook::Impl::loadColumnStyles(SheetEntry& sheet) {
    const pugi::xml_node cols = child(sheet.doc.document_element(), "cols");
    for (pugi::xml_node col = cols.first_child(); col; col = col.next_sibling()) {
        const int style = parseInt(col.attribute("style").value(), 0);
        const int min = std::max(1, parseInt(col.attribute("min").value(), 0));
        const int max = std::min(kMaxColumn, parseInt(col.attribute("max").value(), 0));
        if (style > 0 && max - min < 64) {
            for (int c = min; c <= max; ++c) {
                sheet.columnStyles[c] = style;
            }
        }
    }
}

namespace {

// Fills in missing r attributes (previous + 1) so that every row and cell can be found.
void numberRowsAndCells(pugi::xml_node sheetData) {
    int lastRow = 0;
    for (pugi::xml_node row = sheetData.first_child(); row; row = row.next_sibling()) {
        if (row.type() != pugi::node_element || localName(row.name()) != "row") {
            continue;
        }
        int r = parseInt(row.attribute("r").value(), 0);
        if (r < 1 || r > kMaxRow) {
            r = std::min(lastRow + 1, kMaxRow);
            attribute(row, "r").set_value(intText(r).c_str());
        }
        lastRow = r;
        int lastColumn = 0;
        for (pugi::xml_node c = row.first_child(); c; c = c.next_sibling()) {
            if (c.type() != pugi::node_element || localName(c.name()) != "c") {
                continue;
            }
            const auto at = parseArea(c.attribute("r").value());
            int column = at ? at->left : 0;
            if (!at || at->top != r) {
                column = std::min(lastColumn + 1, kMaxColumn);
                attribute(c, "r").set_value(cellName(r, column).c_str());
            }
            lastColumn = column;
        }
    }
}

int rowOf(pugi::xml_node row) {
    return parseInt(row.attribute("r").value(), 0);
}
int columnOf(pugi::xml_node c) {
    const auto at = parseArea(c.attribute("r").value());
    return at ? at->left : 0;
}

} // namespace

Workbook::Workbook(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Workbook::~Workbook() = default;

std::unique_ptr<Workbook> Workbook::open(const std::filesystem::path& file, std::string& error) {
    auto impl = std::make_unique<Impl>();
    if (!readPackage(file, impl->parts, error)) {
        return nullptr;
    }
    if (!impl->load(error)) {
        error += "：" + file.string();
        return nullptr;
    }
    for (auto& sheet : impl->sheets) {
        if (sheet->worksheet) {
            numberRowsAndCells(child(sheet->doc.document_element(), "sheetData"));
        }
    }
    return std::unique_ptr<Workbook>(new Workbook(std::move(impl)));
}

std::unique_ptr<Workbook> Workbook::blank() {
    auto impl = std::make_unique<Impl>();
    impl->parts = {{"[Content_Types].xml", std::string(kBlankContentTypes)},
                   {"_rels/.rels", std::string(kBlankRootRels)},
                   {"xl/workbook.xml", std::string(kBlankWorkbook)},
                   {"xl/_rels/workbook.xml.rels", std::string(kBlankWorkbookRels)},
                   {"xl/worksheets/sheet1.xml", std::string(kBlankSheet)},
                   {"xl/styles.xml", std::string(kBlankStyles)}};
    std::string error;
    impl->load(error);
    return std::unique_ptr<Workbook>(new Workbook(std::move(impl)));
}

bool Workbook::save(const std::filesystem::path& file, std::string& error) {
    Impl& d = *impl_;
    // Cached results of formulas and the calculation chain may no longer hold after the host
    // wrote cells: drop the chain and let the reader recalculate.
    std::string calcChain;
    for (pugi::xml_node r = d.workbookRels.document_element().first_child(); r;) {
        const pugi::xml_node next = r.next_sibling();
        if (endsWith(r.attribute("Type").value(), kRelCalcChainSuffix)) {
            calcChain = resolvePart(d.workbookPart, r.attribute("Target").value());
            d.workbookRels.document_element().remove_child(r);
        }
        r = next;
    }
    if (!calcChain.empty()) {
        d.removePart(calcChain);
    }
    if (d.formulasWritten) {
        attribute(childInOrder(d.workbook.document_element(), "calcPr", kWorkbookOrder),
                  "fullCalcOnLoad")
            .set_value("1");
    }
    std::map<std::string, const pugi::xml_document*> docs{{"[Content_Types].xml", &d.contentTypes},
                                                          {d.workbookPart, &d.workbook},
                                                          {d.workbookRelsPart, &d.workbookRels}};
    for (auto& sheet : d.sheets) {
        if (!sheet->worksheet) {
            continue;
        }
        const pugi::xml_node ws = sheet->doc.document_element();
        const Area used = usedRange(indexOfId(sheet->id));
        attribute(childInOrder(ws, "dimension", kWorksheetOrder), "ref")
            .set_value(areaName(used).c_str());
        docs[sheet->part] = &sheet->doc;
    }
    std::vector<RawPart> out;
    out.reserve(d.parts.size());
    // Content types first, as Office writes them.
    for (int pass = 0; pass < 2; ++pass) {
        for (const RawPart& part : d.parts) {
            if ((part.name == "[Content_Types].xml") != (pass == 0)) {
                continue;
            }
            auto it = docs.find(part.name);
            out.push_back({part.name, it == docs.end() ? part.bytes : serialize(*it->second)});
        }
    }
    if (!writePackage(file, out, error)) {
        return false;
    }
    modified_ = false;
    return true;
}

int Workbook::sheetCount() const {
    return static_cast<int>(impl_->sheets.size());
}

std::string Workbook::sheetName(int sheet) const {
    if (sheet < 0 || sheet >= sheetCount()) {
        return {};
    }
    return impl_->sheetNodes()[static_cast<std::size_t>(sheet)].attribute("name").value();
}

int Workbook::sheetId(int sheet) const {
    return sheet >= 0 && sheet < sheetCount() ? impl_->sheets[static_cast<std::size_t>(sheet)]->id
                                              : 0;
}

int Workbook::indexOfId(int id) const {
    for (int i = 0; i < sheetCount(); ++i) {
        if (impl_->sheets[static_cast<std::size_t>(i)]->id == id) {
            return i;
        }
    }
    return -1;
}

bool Workbook::isWorksheet(int sheet) const {
    return sheet >= 0 && sheet < sheetCount() &&
           impl_->sheets[static_cast<std::size_t>(sheet)]->worksheet;
}

bool Workbook::renameSheet(int sheet, std::string_view name, std::string& error) {
    if (sheet < 0 || sheet >= sheetCount()) {
        error = "没有这个工作表";
        return false;
    }
    const std::string clean = encodeCellText(name);
    if (clean.empty() || charCount(clean) > 31 || clean != name ||
        clean.find_first_of("[]:*?/\\") != std::string::npos || clean.front() == '\'' ||
        clean.back() == '\'') {
        error = "工作表名称无效：" + clean;
        return false;
    }
    for (int i = 0; i < sheetCount(); ++i) {
        std::string other = sheetName(i);
        if (i != sheet && other.size() == clean.size() &&
            std::equal(other.begin(), other.end(), clean.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) ==
                       std::tolower(static_cast<unsigned char>(b));
            })) {
            error = "工作表名称已被使用：" + clean;
            return false;
        }
    }
    impl_->sheetNodes()[static_cast<std::size_t>(sheet)].attribute("name").set_value(clean.c_str());
    modified_ = true;
    return true;
}

int Workbook::activeSheet() const {
    const pugi::xml_node view =
        child(child(impl_->workbook.document_element(), "bookViews"), "workbookView");
    const int tab = parseInt(view.attribute("activeTab").value(), 0);
    return tab >= 0 && tab < sheetCount() ? tab : 0;
}

bool Workbook::activateSheet(int sheet, std::string& error) {
    if (sheet < 0 || sheet >= sheetCount()) {
        error = "没有这个工作表";
        return false;
    }
    const std::string state =
        impl_->sheetNodes()[static_cast<std::size_t>(sheet)].attribute("state").value();
    if (!state.empty() && state != "visible") {
        error = "工作表已隐藏：" + sheetName(sheet);
        return false;
    }
    pugi::xml_node views =
        childInOrder(impl_->workbook.document_element(), "bookViews", kWorkbookOrder);
    pugi::xml_node view = child(views, "workbookView");
    if (!view) {
        view = views.append_child(tagLike(views, "workbookView").c_str());
    }
    attribute(view, "activeTab").set_value(intText(sheet).c_str());
    if (parseInt(view.attribute("firstSheet").value(), 0) > sheet) {
        view.attribute("firstSheet").set_value(intText(sheet).c_str());
    }
    for (int i = 0; i < sheetCount(); ++i) {
        auto& entry = *impl_->sheets[static_cast<std::size_t>(i)];
        if (!entry.worksheet) {
            continue;
        }
        pugi::xml_node sheetView =
            child(child(entry.doc.document_element(), "sheetViews"), "sheetView");
        if (!sheetView) {
            continue;
        }
        if (i == sheet) {
            attribute(sheetView, "tabSelected").set_value("1");
        } else {
            sheetView.remove_attribute("tabSelected");
        }
    }
    modified_ = true;
    return true;
}

bool Workbook::deleteSheet(int sheet, std::string& error) {
    Impl& d = *impl_;
    if (sheet < 0 || sheet >= sheetCount()) {
        error = "没有这个工作表";
        return false;
    }
    int visible = 0;
    for (pugi::xml_node n : d.sheetNodes()) {
        const std::string_view state = n.attribute("state").value();
        visible += state.empty() || state == "visible" ? 1 : 0;
    }
    const pugi::xml_node node = d.sheetNodes()[static_cast<std::size_t>(sheet)];
    const std::string_view state = node.attribute("state").value();
    if (sheetCount() == 1 || (visible == 1 && (state.empty() || state == "visible"))) {
        error = "工作簿至少要保留一个可见的工作表";
        return false;
    }
    const int active = activeSheet();
    SheetEntry& entry = *d.sheets[static_cast<std::size_t>(sheet)];
    for (pugi::xml_node r = d.workbookRels.document_element().first_child(); r;) {
        const pugi::xml_node next = r.next_sibling();
        if (entry.relId == r.attribute("Id").value()) {
            d.workbookRels.document_element().remove_child(r);
        }
        r = next;
    }
    if (!entry.part.empty()) {
        d.removePart(entry.part);
        d.removePart(relsPartOf(entry.part));
    }
    d.sheetsNode().remove_child(node);
    // Names local to a sheet follow its position.
    pugi::xml_node names = child(d.workbook.document_element(), "definedNames");
    for (pugi::xml_node n = names.first_child(); n;) {
        const pugi::xml_node next = n.next_sibling();
        if (pugi::xml_attribute local = n.attribute("localSheetId")) {
            const int id = parseInt(local.value(), -1);
            if (id == sheet) {
                names.remove_child(n);
            } else if (id > sheet) {
                local.set_value(intText(id - 1).c_str());
            }
        }
        n = next;
    }
    if (names && !child(names, "definedName")) {
        d.workbook.document_element().remove_child(names);
    }
    d.sheets.erase(d.sheets.begin() + sheet);
    pugi::xml_node view = child(child(d.workbook.document_element(), "bookViews"), "workbookView");
    if (pugi::xml_attribute first = view.attribute("firstSheet");
        first && parseInt(first.value(), 0) >= sheetCount()) {
        first.set_value("0");
    }
    int next = active > sheet ? active - 1 : std::min(active, sheetCount() - 1);
    std::string ignored;
    for (int tries = 0; tries < sheetCount() && !activateSheet(next, ignored); ++tries) {
        next = (next + 1) % sheetCount();
    }
    modified_ = true;
    return true;
}

namespace {

pugi::xml_node findRow(pugi::xml_node sheetData, int row) {
    for (pugi::xml_node r = sheetData.first_child(); r; r = r.next_sibling()) {
        if (r.type() == pugi::node_element && rowOf(r) == row) {
            return r;
        }
    }
    return {};
}

pugi::xml_node findCell(pugi::xml_node rowNode, int column) {
    for (pugi::xml_node c = rowNode.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_element && localName(c.name()) == "c" && columnOf(c) == column) {
            return c;
        }
    }
    return {};
}

} // namespace

CellValue Workbook::cell(int sheet, int row, int column) const {
    CellValue value;
    if (!isWorksheet(sheet)) {
        return value;
    }
    const auto& entry = *impl_->sheets[static_cast<std::size_t>(sheet)];
    const pugi::xml_node c =
        findCell(findRow(child(entry.doc.document_element(), "sheetData"), row), column);
    if (!c) {
        return value;
    }
    const std::string_view type = c.attribute("t").value();
    const pugi::xml_node v = child(c, "v");
    if (type == "inlineStr") {
        value.kind = CellKind::Text;
        value.text = itemText(child(c, "is"));
    } else if (!v) {
        return value;
    } else if (type == "s") {
        const int index = parseInt(v.text().get(), -1);
        if (index >= 0 && static_cast<std::size_t>(index) < impl_->sharedStrings.size()) {
            value.kind = CellKind::Text;
            value.text = impl_->sharedStrings[static_cast<std::size_t>(index)];
        }
    } else if (type == "str") {
        value.kind = CellKind::Text;
        value.text = decodeCellText(v.text().get());
    } else if (type == "b") {
        value.kind = CellKind::Boolean;
        value.number = std::string_view(v.text().get()) == "1" ? 1 : 0;
    } else if (type == "e") {
        value.kind = CellKind::Error;
        value.text = v.text().get();
    } else {
        value.kind = CellKind::Number;
        value.number = num::numberOf(v.text().get());
    }
    return value;
}

std::optional<std::string> Workbook::formula(int sheet, int row, int column) const {
    if (!isWorksheet(sheet)) {
        return std::nullopt;
    }
    const auto& entry = *impl_->sheets[static_cast<std::size_t>(sheet)];
    const pugi::xml_node c =
        findCell(findRow(child(entry.doc.document_element(), "sheetData"), row), column);
    const pugi::xml_node f = child(c, "f");
    if (!f || std::string_view(f.text().get()).empty()) {
        return std::nullopt;
    }
    return std::string(f.text().get());
}

std::optional<int> Workbook::styleOf(int sheet, int row, int column) const {
    if (!isWorksheet(sheet)) {
        return std::nullopt;
    }
    const auto& entry = *impl_->sheets[static_cast<std::size_t>(sheet)];
    const pugi::xml_node c =
        findCell(findRow(child(entry.doc.document_element(), "sheetData"), row), column);
    if (!c.attribute("s")) {
        return std::nullopt;
    }
    return parseInt(c.attribute("s").value(), 0);
}

namespace {

// The cell element at (row, column), made in order when missing. A new cell takes the style
// of its row or column, as the spreadsheet shows an empty cell there.
pugi::xml_node makeCell(SheetEntry& entry, int row, int column) {
    pugi::xml_node ws = entry.doc.document_element();
    pugi::xml_node data = childInOrder(ws, "sheetData", kWorksheetOrder);
    pugi::xml_node rowNode = findRow(data, row);
    if (!rowNode) {
        pugi::xml_node after;
        for (pugi::xml_node r = data.first_child(); r; r = r.next_sibling()) {
            if (r.type() == pugi::node_element && rowOf(r) > row) {
                after = r;
                break;
            }
        }
        const std::string rowName = tagLike(data, "row");
        rowNode = after ? data.insert_child_before(rowName.c_str(), after)
                        : data.append_child(rowName.c_str());
        rowNode.append_attribute("r").set_value(intText(row).c_str());
    }
    pugi::xml_node c = findCell(rowNode, column);
    if (c) {
        return c;
    }
    pugi::xml_node after;
    for (pugi::xml_node n = rowNode.first_child(); n; n = n.next_sibling()) {
        if (n.type() == pugi::node_element && localName(n.name()) == "c" && columnOf(n) > column) {
            after = n;
            break;
        }
    }
    const std::string cellTag = tagLike(rowNode, "c");
    c = after ? rowNode.insert_child_before(cellTag.c_str(), after)
              : rowNode.append_child(cellTag.c_str());
    c.append_attribute("r").set_value(cellName(row, column).c_str());
    int style = 0;
    if (std::string_view(rowNode.attribute("customFormat").value()) == "1") {
        style = parseInt(rowNode.attribute("s").value(), 0);
    } else if (auto it = entry.columnStyles.find(column); it != entry.columnStyles.end()) {
        style = it->second;
    }
    if (style > 0) {
        c.append_attribute("s").set_value(intText(style).c_str());
    }
    return c;
}

// Empties a cell but keeps its place and style. A shared formula that has its master here
// loses it, so the cells that follow it keep their last results as plain values.
void clearCell(pugi::xml_node sheetData, pugi::xml_node c) {
    const pugi::xml_node f = child(c, "f");
    if (f && std::string_view(f.attribute("t").value()) == "shared" && f.attribute("ref")) {
        const std::string si = f.attribute("si").value();
        for (pugi::xml_node r = sheetData.first_child(); r; r = r.next_sibling()) {
            for (pugi::xml_node other = r.first_child(); other; other = other.next_sibling()) {
                const pugi::xml_node of = child(other, "f");
                if (of && other != c && std::string_view(of.attribute("t").value()) == "shared" &&
                    si == of.attribute("si").value()) {
                    other.remove_child(of);
                }
            }
        }
    }
    c.remove_attribute("t");
    c.remove_attribute("cm");
    c.remove_attribute("vm");
    while (c.first_child()) {
        c.remove_child(c.first_child());
    }
}

bool checkPlace(const Workbook& book, int sheet, int row, int column, std::string& error) {
    if (!book.isWorksheet(sheet)) {
        error = "没有这个工作表";
        return false;
    }
    if (row < 1 || row > kMaxRow || column < 1 || column > kMaxColumn) {
        error = "单元格位置超出范围";
        return false;
    }
    return true;
}

} // namespace

bool Workbook::setText(int sheet, int row, int column, std::string_view text, std::string& error) {
    if (!checkPlace(*this, sheet, row, column, error)) {
        return false;
    }
    const std::string stored = encodeCellText(text);
    if (charCount(stored) > kMaxCellChars) {
        error = "文本太长，单元格最多容纳 32767 个字符";
        return false;
    }
    auto& entry = *impl_->sheets[static_cast<std::size_t>(sheet)];
    pugi::xml_node c = makeCell(entry, row, column);
    clearCell(child(entry.doc.document_element(), "sheetData"), c);
    if (!stored.empty()) {
        c.append_attribute("t").set_value("inlineStr");
        pugi::xml_node is = c.append_child(tagLike(c, "is").c_str());
        pugi::xml_node t = is.append_child(tagLike(c, "t").c_str());
        if (isXmlSpace(stored.front()) || isXmlSpace(stored.back())) {
            t.append_attribute("xml:space").set_value("preserve");
        }
        t.text().set(stored.c_str());
    }
    modified_ = true;
    return true;
}

bool Workbook::setNumber(int sheet, int row, int column, double value, std::string& error) {
    if (!checkPlace(*this, sheet, row, column, error)) {
        return false;
    }
    if (!std::isfinite(value)) {
        error = "数值无效";
        return false;
    }
    auto& entry = *impl_->sheets[static_cast<std::size_t>(sheet)];
    pugi::xml_node c = makeCell(entry, row, column);
    clearCell(child(entry.doc.document_element(), "sheetData"), c);
    c.append_child(tagLike(c, "v").c_str()).text().set(num::plainText(value).c_str());
    modified_ = true;
    return true;
}

bool Workbook::setBoolean(int sheet, int row, int column, bool value, std::string& error) {
    if (!checkPlace(*this, sheet, row, column, error)) {
        return false;
    }
    auto& entry = *impl_->sheets[static_cast<std::size_t>(sheet)];
    pugi::xml_node c = makeCell(entry, row, column);
    clearCell(child(entry.doc.document_element(), "sheetData"), c);
    c.append_attribute("t").set_value("b");
    c.append_child(tagLike(c, "v").c_str()).text().set(value ? "1" : "0");
    modified_ = true;
    return true;
}

bool Workbook::setFormula(int sheet, int row, int column, std::string_view formula,
                          std::string& error) {
    if (!checkPlace(*this, sheet, row, column, error)) {
        return false;
    }
    std::string stored = encodeCellText(formula);
    if (stored != formula || stored.empty() || charCount(stored) > 8192) {
        error = "公式无效";
        return false;
    }
    auto& entry = *impl_->sheets[static_cast<std::size_t>(sheet)];
    pugi::xml_node c = makeCell(entry, row, column);
    clearCell(child(entry.doc.document_element(), "sheetData"), c);
    // No cached value: a reader that shows cached results would show a stale one.
    c.append_child(tagLike(c, "f").c_str()).text().set(stored.c_str());
    impl_->formulasWritten = true;
    modified_ = true;
    return true;
}

Area Workbook::usedRange(int sheet) const {
    if (!isWorksheet(sheet)) {
        return {};
    }
    const auto& entry = *impl_->sheets[static_cast<std::size_t>(sheet)];
    const pugi::xml_node data = child(entry.doc.document_element(), "sheetData");
    bool any = false;
    Area used;
    for (pugi::xml_node r = data.first_child(); r; r = r.next_sibling()) {
        const int row = rowOf(r);
        for (pugi::xml_node c = r.first_child(); c; c = c.next_sibling()) {
            if (c.type() != pugi::node_element || localName(c.name()) != "c") {
                continue;
            }
            const int column = columnOf(c);
            if (row < 1 || column < 1) {
                continue;
            }
            if (!any) {
                used = {row, column, row, column};
                any = true;
            } else {
                used = {std::min(used.top, row), std::min(used.left, column),
                        std::max(used.bottom, row), std::max(used.right, column)};
            }
        }
    }
    return used;
}

std::vector<Area> Workbook::merges(int sheet) const {
    std::vector<Area> areas;
    if (!isWorksheet(sheet)) {
        return areas;
    }
    const auto& entry = *impl_->sheets[static_cast<std::size_t>(sheet)];
    const pugi::xml_node node = child(entry.doc.document_element(), "mergeCells");
    for (pugi::xml_node m = node.first_child(); m; m = m.next_sibling()) {
        if (auto area = parseArea(m.attribute("ref").value())) {
            areas.push_back(*area);
        }
    }
    return areas;
}

bool Workbook::merge(int sheet, const Area& area, std::string& error) {
    if (!isWorksheet(sheet)) {
        error = "没有这个工作表";
        return false;
    }
    if (area.rows() == 1 && area.columns() == 1) {
        return true;
    }
    auto& entry = *impl_->sheets[static_cast<std::size_t>(sheet)];
    pugi::xml_node node = childInOrder(entry.doc.document_element(), "mergeCells", kWorksheetOrder);
    for (pugi::xml_node m = node.first_child(); m;) {
        const pugi::xml_node next = m.next_sibling();
        if (auto existing = parseArea(m.attribute("ref").value());
            existing && existing->overlaps(area)) {
            const bool inside = area.contains(existing->top, existing->left) &&
                                area.contains(existing->bottom, existing->right);
            if (!inside) {
                error = "与已合并的区域 " + areaName(*existing) + " 部分重叠";
                return false;
            }
        }
        m = next;
    }
    int count = 0;
    for (pugi::xml_node m = node.first_child(); m;) {
        const pugi::xml_node next = m.next_sibling();
        if (auto existing = parseArea(m.attribute("ref").value());
            existing && existing->overlaps(area)) {
            node.remove_child(m);
        } else if (m.type() == pugi::node_element) {
            ++count;
        }
        m = next;
    }
    const std::string tag = tagLike(node, "mergeCell");
    node.append_child(tag.c_str()).append_attribute("ref").set_value(areaName(area).c_str());
    attribute(node, "count").set_value(intText(count + 1).c_str());
    modified_ = true;
    return true;
}

namespace {

// Splits "&Lleft&Ccentre&Rright" into its three sections; text before any code is centred.
std::array<std::string, 3> sectionsOf(std::string_view text) {
    std::array<std::string, 3> sections;
    std::size_t current = 1;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) {
            const char code = text[i + 1];
            if (code == 'L' || code == 'C' || code == 'R') {
                current = code == 'L' ? 0 : code == 'C' ? 1 : 2;
                ++i;
                continue;
            }
            sections[current] += text.substr(i, 2);
            ++i;
            continue;
        }
        sections[current] += text[i];
    }
    return sections;
}

} // namespace

std::string Workbook::headerFooter(int sheet, bool footer, int position) const {
    if (!isWorksheet(sheet) || position < 0 || position > 2) {
        return {};
    }
    const auto& entry = *impl_->sheets[static_cast<std::size_t>(sheet)];
    const pugi::xml_node hf = child(entry.doc.document_element(), "headerFooter");
    return sectionsOf(child(hf, footer ? "oddFooter" : "oddHeader")
                          .text()
                          .get())[static_cast<std::size_t>(position)];
}

void Workbook::setHeaderFooter(int sheet, bool footer, int position, std::string_view text) {
    if (!isWorksheet(sheet) || position < 0 || position > 2) {
        return;
    }
    auto& entry = *impl_->sheets[static_cast<std::size_t>(sheet)];
    pugi::xml_node hf = childInOrder(entry.doc.document_element(), "headerFooter", kWorksheetOrder);
    pugi::xml_node node = childInOrder(hf, footer ? "oddFooter" : "oddHeader", kHeaderFooterOrder);
    auto sections = sectionsOf(node.text().get());
    sections[static_cast<std::size_t>(position)] = encodeCellText(text);
    std::string joined;
    const char* codes[] = {"&L", "&C", "&R"};
    for (std::size_t i = 0; i < 3; ++i) {
        if (!sections[i].empty()) {
            joined += codes[i] + sections[i];
        }
    }
    if (joined.empty()) {
        hf.remove_child(node);
    } else {
        node.text().set(joined.c_str());
    }
    modified_ = true;
}

namespace {

const char* marginAttribute(Margin which) {
    switch (which) {
    case Margin::Left:
        return "left";
    case Margin::Right:
        return "right";
    case Margin::Top:
        return "top";
    case Margin::Bottom:
        return "bottom";
    case Margin::Header:
        return "header";
    case Margin::Footer:
        return "footer";
    }
    return "left";
}

} // namespace

double Workbook::margin(int sheet, Margin which) const {
    static constexpr double kDefaults[] = {0.7, 0.7, 0.75, 0.75, 0.3, 0.3};
    const double fallback = kDefaults[static_cast<int>(which)];
    if (!isWorksheet(sheet)) {
        return fallback;
    }
    const auto& entry = *impl_->sheets[static_cast<std::size_t>(sheet)];
    const pugi::xml_attribute a =
        child(entry.doc.document_element(), "pageMargins").attribute(marginAttribute(which));
    return a ? num::numberOf(a.value()) : fallback;
}

void Workbook::setMargin(int sheet, Margin which, double inches) {
    if (!isWorksheet(sheet) || !std::isfinite(inches) || inches < 0 || inches > 100) {
        return;
    }
    auto& entry = *impl_->sheets[static_cast<std::size_t>(sheet)];
    pugi::xml_node node = child(entry.doc.document_element(), "pageMargins");
    if (!node) {
        node = childInOrder(entry.doc.document_element(), "pageMargins", kWorksheetOrder);
        for (Margin m : {Margin::Left, Margin::Right, Margin::Top, Margin::Bottom, Margin::Header,
                         Margin::Footer}) {
            node.append_attribute(marginAttribute(m))
                .set_value(num::plainText(margin(sheet, m)).c_str());
        }
    }
    attribute(node, marginAttribute(which)).set_value(num::plainText(inches).c_str());
    modified_ = true;
}

int Workbook::paperSize(int sheet) const {
    if (!isWorksheet(sheet)) {
        return 0;
    }
    const auto& entry = *impl_->sheets[static_cast<std::size_t>(sheet)];
    return parseInt(child(entry.doc.document_element(), "pageSetup").attribute("paperSize").value(),
                    1);
}

void Workbook::setPaperSize(int sheet, int size) {
    if (!isWorksheet(sheet) || size < 1) {
        return;
    }
    auto& entry = *impl_->sheets[static_cast<std::size_t>(sheet)];
    attribute(childInOrder(entry.doc.document_element(), "pageSetup", kWorksheetOrder), "paperSize")
        .set_value(intText(size).c_str());
    modified_ = true;
}

bool Workbook::landscape(int sheet) const {
    if (!isWorksheet(sheet)) {
        return false;
    }
    const auto& entry = *impl_->sheets[static_cast<std::size_t>(sheet)];
    return std::string_view(
               child(entry.doc.document_element(), "pageSetup").attribute("orientation").value()) ==
           "landscape";
}

void Workbook::setLandscape(int sheet, bool landscape) {
    if (!isWorksheet(sheet)) {
        return;
    }
    auto& entry = *impl_->sheets[static_cast<std::size_t>(sheet)];
    attribute(childInOrder(entry.doc.document_element(), "pageSetup", kWorksheetOrder),
              "orientation")
        .set_value(landscape ? "landscape" : "portrait");
    modified_ = true;
}

} // namespace tarnelo::xlsx
