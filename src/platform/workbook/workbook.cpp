#include "platform/workbook/workbook.hpp"

#include "platform/workbook/cell_text.hpp"
#include "platform/workbook/workbook_impl.hpp"
#include "platform/workbook/xml.hpp"
#include "window/program_paths.hpp"

#include <algorithm>
#include <cctype>
#include <map>
#include <unordered_set>

namespace tarnelo::xlsx {

namespace {

constexpr std::string_view kRelDocument =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument";
constexpr std::string_view kRelWorksheetSuffix = "/worksheet";
constexpr std::string_view kRelSharedStringsSuffix = "/sharedStrings";
constexpr std::string_view kRelCalcChainSuffix = "/calcChain";

// Children of <workbook> in the order the schema demands.
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

bool isVisible(const SheetEntry& entry) {
    const std::string_view state = entry.node.attribute("state").value();
    return state.empty() || state == "visible";
}

} // namespace

// ---- Loading ---------------------------------------------------------------------------------

const RawPart* Workbook::Impl::findPart(std::string_view name) const {
    for (const auto& p : parts) {
        if (p.name == name) {
            return &p;
        }
    }
    return nullptr;
}

void Workbook::Impl::removePart(std::string_view name) {
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
    bool stringsRead = false;
    for (pugi::xml_node r = workbookRels.document_element().first_child(); r;
         r = r.next_sibling()) {
        if (r.type() != pugi::node_element) {
            continue;
        }
        const std::string type = r.attribute("Type").value();
        const std::string part = resolvePart(workbookPart, r.attribute("Target").value());
        targets[r.attribute("Id").value()] = {type, part};
        // A workbook has one table of shared strings; further relationships to it are ignored.
        if (endsWith(type, kRelSharedStringsSuffix) && !stringsRead) {
            if (const RawPart* sst = findPart(part)) {
                stringsRead = true;
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
    // Each sheet has a part of its own. A part named by many sheets would be parsed once for
    // each (a small file could ask for gigabytes), and more sheets than a package may hold
    // entries cannot all have parts: either makes a damaged workbook.
    std::unordered_set<std::string> sheetParts;
    const pugi::xml_node list = child(workbook.document_element(), "sheets");
    for (pugi::xml_node node = list.first_child(); node; node = node.next_sibling()) {
        if (node.type() != pugi::node_element || localName(node.name()) != "sheet") {
            continue;
        }
        auto entry = std::make_unique<SheetEntry>();
        entry->id = nextId++;
        entry->node = node;
        entry->relId = relationId(node);
        if (auto it = targets.find(entry->relId); it != targets.end()) {
            entry->part = it->second.second;
            entry->worksheet = endsWith(it->second.first, kRelWorksheetSuffix);
        }
        if (sheets.size() >= kMaxEntries ||
            (!entry->part.empty() && !sheetParts.insert(entry->part).second)) {
            error = "工作簿已损坏";
            return false;
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

void Workbook::Impl::loadColumnStyles(SheetEntry& entry) {
    const pugi::xml_node cols = child(entry.doc.document_element(), "cols");
    for (pugi::xml_node col = cols.first_child(); col; col = col.next_sibling()) {
        const int style = parseInt(col.attribute("style").value(), 0);
        const int min = std::max(1, parseInt(col.attribute("min").value(), 0));
        const int max = std::min(kMaxColumn, parseInt(col.attribute("max").value(), 0));
        if (style > 0 && max - min < 64) {
            for (int c = min; c <= max; ++c) {
                entry.columnStyles[c] = style;
            }
        }
    }
}

// ---- Opening and saving ----------------------------------------------------------------------

Workbook::Workbook(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Workbook::~Workbook() = default;

std::unique_ptr<Workbook> Workbook::open(const std::filesystem::path& file, std::string& error) {
    std::vector<RawPart> parts;
    if (!readPackage(file, parts, error)) {
        return nullptr;
    }
    auto book = fromParts(std::move(parts), error);
    if (!book) {
        error += "：" + paths::toUtf8(file);
    }
    return book;
}

std::unique_ptr<Workbook> Workbook::fromParts(std::vector<RawPart> parts, std::string& error) {
    auto impl = std::make_unique<Impl>();
    impl->parts = std::move(parts);
    if (!impl->load(error)) {
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
    const WriteResult written = write(file);
    if (!written) {
        error = "无法写入文件：" + escapedName(file);
    }
    return written.ok;
}

WriteResult Workbook::write(const std::filesystem::path& file, AtLink atLink) {
    const std::optional<std::string> bytes = packageBytes();
    if (!bytes) {
        return {false, "无法生成工作簿", false};
    }
    WriteResult written = writeFileAtomic(file, *bytes, atLink);
    if (written) {
        modified_ = false;
    }
    return written;
}

std::optional<std::string> Workbook::packageBytes() {
    return zipPackage(parts());
}

std::vector<Workbook::PartView> Workbook::partViews() const {
    const Impl& d = *impl_;
    std::map<std::string_view, const pugi::xml_document*> trees{
        {"[Content_Types].xml", &d.contentTypes},
        {d.workbookPart, &d.workbook},
        {d.workbookRelsPart, &d.workbookRels}};
    for (const auto& sheet : d.sheets) {
        if (sheet->worksheet) {
            trees[sheet->part] = &sheet->doc;
        }
    }
    std::vector<PartView> views;
    views.reserve(d.parts.size());
    for (const RawPart& part : d.parts) {
        const auto it = trees.find(part.name);
        views.push_back({part.name, it == trees.end() ? nullptr : it->second,
                         it == trees.end() ? &part.bytes : nullptr});
    }
    return views;
}

std::vector<RawPart> Workbook::parts() {
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
    return out;
}

// ---- Sheets ----------------------------------------------------------------------------------

int Workbook::sheetCount() const {
    return static_cast<int>(impl_->sheets.size());
}

std::string Workbook::sheetName(int sheet) const {
    if (sheet < 0 || sheet >= sheetCount()) {
        return {};
    }
    return impl_->sheet(sheet).node.attribute("name").value();
}

int Workbook::sheetId(int sheet) const {
    return sheet >= 0 && sheet < sheetCount() ? impl_->sheet(sheet).id : 0;
}

int Workbook::indexOfId(int id) const {
    for (int i = 0; i < sheetCount(); ++i) {
        if (impl_->sheet(i).id == id) {
            return i;
        }
    }
    return -1;
}

bool Workbook::isWorksheet(int sheet) const {
    return sheet >= 0 && sheet < sheetCount() && impl_->sheet(sheet).worksheet;
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
    impl_->sheet(sheet).node.attribute("name").set_value(clean.c_str());
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
    if (!isVisible(impl_->sheet(sheet))) {
        error = "工作表已隐藏：" + sheetName(sheet);
        return false;
    }
    pugi::xml_node views =
        childInOrder(impl_->workbook.document_element(), "bookViews", kWorkbookOrder);
    pugi::xml_node view = child(views, "workbookView");
    if (!view) {
        view = views.append_child(tagLike(views, "workbookView").c_str());
    }
    attribute(view, "activeTab").set_value(std::to_string(sheet).c_str());
    if (parseInt(view.attribute("firstSheet").value(), 0) > sheet) {
        view.attribute("firstSheet").set_value(std::to_string(sheet).c_str());
    }
    for (int i = 0; i < sheetCount(); ++i) {
        auto& entry = impl_->sheet(i);
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
    const auto visible = std::count_if(d.sheets.begin(), d.sheets.end(),
                                       [](const auto& entry) { return isVisible(*entry); });
    SheetEntry& entry = d.sheet(sheet);
    if (sheetCount() == 1 || (visible == 1 && isVisible(entry))) {
        error = "工作簿至少要保留一个可见的工作表";
        return false;
    }
    const int active = activeSheet();
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
    entry.node.parent().remove_child(entry.node);
    // Names local to a sheet follow its position.
    pugi::xml_node names = child(d.workbook.document_element(), "definedNames");
    for (pugi::xml_node n = names.first_child(); n;) {
        const pugi::xml_node next = n.next_sibling();
        if (pugi::xml_attribute local = n.attribute("localSheetId")) {
            const int id = parseInt(local.value(), -1);
            if (id == sheet) {
                names.remove_child(n);
            } else if (id > sheet) {
                local.set_value(std::to_string(id - 1).c_str());
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

} // namespace tarnelo::xlsx
