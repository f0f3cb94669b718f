// An Office Open XML workbook (.xlsx) held in memory: its package parts, its sheets as XML
// trees, and the operations the record form's fill and the tests make on them. Parts it does not
// understand are kept byte for byte; the sheets it touches are written back in order.
#pragma once

#include "files/file_io.hpp"
#include "platform/workbook/cell_address.hpp"
#include "platform/workbook/package.hpp"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pugi {
class xml_document;
}

namespace tarnelo::xlsx {

enum class CellKind { Empty, Text, Number, Boolean, Error };
struct CellValue {
    CellKind kind = CellKind::Empty;
    std::string text;  // Text and Error
    double number = 0; // Number; Boolean as 0 or 1
};

enum class Margin { Left, Right, Top, Bottom, Header, Footer };

class Workbook {
  public:
    ~Workbook();
    Workbook(const Workbook&) = delete;
    Workbook& operator=(const Workbook&) = delete;

    // Reads a workbook file; nullptr and a reason when it is not a readable .xlsx package.
    static std::unique_ptr<Workbook> open(const std::filesystem::path& file, std::string& error);
    // The workbook of package parts already read (readPackage); nullptr and a reason when they
    // are no workbook.
    static std::unique_ptr<Workbook> fromParts(std::vector<RawPart> parts, std::string& error);
    // A new workbook with one empty sheet "Sheet1" and no file.
    static std::unique_ptr<Workbook> blank();

    // Builds the whole package in memory and writes it to file in one step (temporary file
    // beside it, flushed, renamed over it): the old file stays as it was when anything fails,
    // and a symbolic link at file stays a link to the file it names.
    bool save(const std::filesystem::path& file, std::string& error);
    // The same, saying why not as the atomic writer does; atLink as writeFileAtomic takes it.
    WriteResult write(const std::filesystem::path& file, AtLink atLink = AtLink::WriteThrough);
    // The package's parts as save writes them, in memory and not zipped: what a reader of the
    // workbook lays out without a file.
    std::vector<RawPart> parts();
    // The bytes of the .xlsx file save writes; std::nullopt when they cannot be made.
    std::optional<std::string> packageBytes();

    // A part as the model holds it now: the XML tree it keeps and writes (the workbook, its
    // relationships, the content types, each worksheet), or else the bytes it was read with.
    struct PartView {
        std::string_view name;
        const pugi::xml_document* tree = nullptr;
        const std::string* bytes = nullptr;
    };
    // Every part, in package order, for a reader of the workbook as it stands (the page
    // renderer): no part is written out or parsed again. The views hold until the workbook next
    // changes; parts(), packageBytes(), write() and save() change it (they drop the calculation
    // chain and set each sheet's dimension), so none of them may run while a reader holds views.
    std::vector<PartView> partViews() const;

    int sheetCount() const;
    // Sheets are addressed by their position, 0 to sheetCount() - 1, and have a stable id.
    std::string sheetName(int sheet) const;
    int sheetId(int sheet) const;
    int indexOfId(int id) const; // -1 when that sheet no longer exists
    bool isWorksheet(int sheet) const;
    bool renameSheet(int sheet, std::string_view name, std::string& error);
    bool deleteSheet(int sheet, std::string& error);
    int activeSheet() const;
    bool activateSheet(int sheet, std::string& error);

    CellValue cell(int sheet, int row, int column) const;
    // The formula of a cell without its "=", std::nullopt when it holds none.
    std::optional<std::string> formula(int sheet, int row, int column) const;
    // The style index (attribute s) of a cell, std::nullopt when the cell has none.
    std::optional<int> styleOf(int sheet, int row, int column) const;

    // Writing keeps the cell's style; an empty text clears the value.
    bool setText(int sheet, int row, int column, std::string_view text, std::string& error);
    bool setNumber(int sheet, int row, int column, double value, std::string& error);
    bool setBoolean(int sheet, int row, int column, bool value, std::string& error);
    bool setFormula(int sheet, int row, int column, std::string_view formula, std::string& error);

    // The block from the first to the last cell the sheet holds (A1 alone when it holds none).
    Area usedRange(int sheet) const;
    std::vector<Area> merges(int sheet) const;
    bool merge(int sheet, const Area& area, std::string& error);

    // Header or footer section text: position 0 left, 1 centre, 2 right.
    std::string headerFooter(int sheet, bool footer, int position) const;
    void setHeaderFooter(int sheet, bool footer, int position, std::string_view text);
    // Margins in inches.
    double margin(int sheet, Margin which) const;
    void setMargin(int sheet, Margin which, double inches);
    int paperSize(int sheet) const;
    void setPaperSize(int sheet, int size);
    bool landscape(int sheet) const;
    void setLandscape(int sheet, bool landscape);

    bool modified() const { return modified_; }

  private:
    struct Impl;
    explicit Workbook(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
    bool modified_ = false;
};

} // namespace tarnelo::xlsx
