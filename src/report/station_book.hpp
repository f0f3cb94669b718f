// What the station's workbooks share: a workbook written through libxlsxwriter into a scratch
// file and finished into its target by the atomic writer, row heights for wrapped texts, and
// the page set-up.
#pragma once

#include "files/file_io.hpp"
#include "measure/numtext.hpp"
#include "platform/system/scratch.hpp"
#include "report/svg_text.hpp"

#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace tarnelo::sheets {

inline constexpr std::uint8_t kA4 = 9;

// A workbook being written into a scratch file; finished into its target by the atomic writer.
// Rowwise, each row goes to the scratch folder as soon as the next one starts, so that a sheet
// of many thousand rows is never held whole: its rows must then be written top to bottom, and
// its texts are kept in the cells rather than in a table of shared strings.
class Book {
  public:
    explicit Book(bool rowwise = false) : scratch_("tarnelo-xlsx") {
        if (scratch_.valid()) {
            path_ = scratch_.path() / "book.xlsx";
            // libxlsxwriter takes names as UTF-8 on every system; its own temporary files go
            // into the same private folder.
            const std::u8string name = path_.u8string();
            const std::u8string folder = scratch_.path().u8string();
            std::string tmpdir(folder.begin(), folder.end());
            lxw_workbook_options options{};
            options.constant_memory = rowwise ? LXW_TRUE : LXW_FALSE;
            options.tmpdir = tmpdir.data();
            book_ = workbook_new_opt(reinterpret_cast<const char*>(name.c_str()), &options);
        }
    }
    Book(const Book&) = delete;
    Book& operator=(const Book&) = delete;
    ~Book() {
        if (book_ != nullptr) {
            workbook_close(book_);
        }
    }

    lxw_workbook* get() const { return book_; }

    lxw_format* format(bool bold, bool border, bool centre, bool wrap, double size = 10) {
        lxw_format* f = workbook_add_format(book_);
        format_set_font_name(f, "SimSun");
        format_set_font_size(f, size);
        if (bold) {
            format_set_bold(f);
        }
        if (border) {
            format_set_border(f, LXW_BORDER_THIN);
        }
        if (centre) {
            format_set_align(f, LXW_ALIGN_CENTER);
        }
        format_set_align(f, LXW_ALIGN_VERTICAL_CENTER);
        if (wrap) {
            format_set_text_wrap(f);
        }
        return f;
    }

    // A number cell that shows the digits of its text ("12.30" as 12.30), or the text itself;
    // a marked number is in bold (the rating table's extended discharges).
    void write(lxw_worksheet* sheet, int row, int column, const std::string& text,
               bool marked = false) {
        const auto r = static_cast<lxw_row_t>(row);
        const auto c = static_cast<lxw_col_t>(column);
        if (!text.empty() && num::isWholeNumber(text) &&
            text.find_first_of("eE") == std::string::npos) {
            const auto point = text.find('.');
            const int decimals =
                point == std::string::npos ? 0 : static_cast<int>(text.size() - point - 1);
            worksheet_write_number(sheet, r, c, num::numberOf(text),
                                   numberFormat(decimals, marked));
        } else {
            worksheet_write_string(sheet, r, c, text.c_str(), text_);
        }
    }

    void setText(lxw_format* text) { text_ = text; }

    std::optional<std::string> finish(const std::filesystem::path& file) {
        if (book_ == nullptr) {
            return "无法建立临时文件夹";
        }
        const lxw_error error = workbook_close(book_);
        const int cause = errno;
        book_ = nullptr;
        if (error != LXW_NO_ERROR) {
            // The scratch copy is made in the temporary folder, not at the target: a full disk
            // there is said as such, not as the library's zip error.
            std::error_code spaceError;
            const auto space = std::filesystem::space(scratch_.path(), spaceError);
            if (cause == ENOSPC || (!spaceError && space.available < (std::uintmax_t(1) << 20))) {
                return "无法生成工作簿：" + sys::scratchFullProblem(scratch_.path());
            }
            return std::string("无法生成工作簿：") + lxw_strerror(error);
        }
        const auto bytes = readFileBytes(path_);
        if (!bytes) {
            return "无法读回生成的工作簿";
        }
        if (const WriteResult written = writeFileAtomic(file, *bytes); !written) {
            return "无法写入“" + escapedName(file) + "”：" + written.problem;
        }
        return std::nullopt;
    }

  private:
    lxw_format* numberFormat(int decimals, bool marked) {
        auto& f = numbers_[{decimals, marked}];
        if (f == nullptr) {
            f = format(marked, true, true, false);
            const std::string pattern =
                decimals == 0 ? "0" : "0." + std::string(static_cast<std::size_t>(decimals), '0');
            format_set_num_format(f, pattern.c_str());
        }
        return f;
    }

    sys::ScratchFolder scratch_;
    std::filesystem::path path_;
    lxw_workbook* book_ = nullptr;
    lxw_format* text_ = nullptr;
    std::map<std::pair<int, bool>, lxw_format*> numbers_;
};

// The height of a row whose text wraps in a cell `widthChars` wide (a wide character takes two),
// so that every line shows: 13.5 pt a line of the 10 pt font.
inline double wrappedHeight(std::string_view text, double widthChars) {
    const double width = svg::textEms(text, 0.5) * 2.0;
    const double lines = std::max(1.0, std::ceil(width / std::max(widthChars - 1.0, 1.0)));
    return 13.5 * lines;
}

// A4 landscape, one page wide, the heading rows repeated (none when headingLast is below
// headingFirst), the page numbered at the foot.
inline void pageSetup(lxw_worksheet* sheet, int headingFirst, int headingLast) {
    worksheet_set_paper(sheet, kA4);
    worksheet_set_landscape(sheet);
    worksheet_fit_to_pages(sheet, 1, 0);
    if (headingFirst >= 0 && headingLast >= headingFirst) {
        worksheet_repeat_rows(sheet, static_cast<lxw_row_t>(headingFirst),
                              static_cast<lxw_row_t>(headingLast));
    }
    worksheet_set_margins(sheet, 0.4, 0.4, 0.6, 0.6);
    worksheet_set_footer(sheet, "&C第 &P 页，共 &N 页");
}

} // namespace tarnelo::sheets
