// Writes the two record-form templates, Data/moduleexcel_1.dat (one page, 13 verticals) and
// Data/moduleexcel_2.dat (two pages, 40 verticals): the current-meter discharge measurement
// record form "测深、测速记载及流量计算表（畅流期流速仪法）" as an .xlsx workbook with one sheet.
// The fills write only texts into the value cells; everything printed around them is here.
//
//   make_templates OUTPUT_FOLDER
#include <xlsxwriter.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr int kColumns = 25; // A to Y

// What a cell shows and how it is ruled.
enum class Kind {
    Title,     // the form's title
    Station,   // the station name beside the title, on a rule
    Page,      // "第 1 页" and "共 2 页"
    BandLabel, // header-band label, no rules
    BandValue, // header-band value, on a rule
    BandText,  // header-band cell that carries its own words around the value
    Heading,   // column heading in the table
    Data,      // a ruled value cell of the table
    Label,     // a ruled label cell of the table
    LabelLeft, // a ruled label that reads as a sentence
};

struct Cell {
    Kind kind = Kind::Data;
    std::string text;
    bool used = false;
};

struct Merge {
    int top, left, bottom, right;
};

// The form on a grid of rows (from 1) and columns (1 = A), before it becomes a worksheet.
class Form {
  public:
    explicit Form(int rows) : rows_(rows), cells_(static_cast<std::size_t>(rows * kColumns)) {}

    void put(int row, int column, Kind kind, const std::string& text = {}) {
        Cell& c = at(row, column);
        c.kind = kind;
        c.text = text;
        c.used = true;
    }
    // A merged block; every cell of it takes the kind, the first the text.
    void block(int top, int left, int bottom, int right, Kind kind, const std::string& text = {}) {
        for (int r = top; r <= bottom; ++r) {
            for (int c = left; c <= right; ++c) {
                put(r, c, kind);
            }
        }
        at(top, left).text = text;
        if (top != bottom || left != right) {
            merges_.push_back({top, left, bottom, right});
        }
    }
    // Ruled table area: thin lines inside, a medium frame around.
    void frame(int top, int bottom) { frames_.push_back({top, 1, bottom, kColumns}); }

    Cell& at(int row, int column) {
        return cells_[static_cast<std::size_t>((row - 1) * kColumns + (column - 1))];
    }
    int rows() const { return rows_; }
    const std::vector<Merge>& merges() const { return merges_; }
    const std::vector<Merge>& frames() const { return frames_; }

  private:
    int rows_;
    std::vector<Cell> cells_;
    std::vector<Merge> merges_;
    std::vector<Merge> frames_;
};

int col(char letter) {
    return letter - 'A' + 1;
}

void titleRow(Form& f, int row, const char* pages) {
    f.block(row, col('F'), row, col('H'), Kind::Station);
    f.block(row, col('I'), row, col('V'), Kind::Title,
            "站测深、测速记载及流量计算表（畅流期流速仪法）");
    f.put(row, col('X'), Kind::Page, "第   页");
    f.put(row, col('Y'), Kind::Page, pages);
}

void headerBand(Form& f) {
    f.block(2, col('A'), 2, col('B'), Kind::BandLabel, "施测时间：");
    f.block(2, col('C'), 2, col('H'), Kind::BandValue);
    f.block(2, col('I'), 2, col('J'), Kind::BandLabel, "天气：");
    f.put(2, col('K'), Kind::BandValue);
    f.block(2, col('L'), 2, col('N'), Kind::BandLabel, "风向风力：");
    f.block(2, col('O'), 2, col('P'), Kind::BandValue);
    f.block(2, col('Q'), 2, col('S'), Kind::BandLabel, "流速仪：");
    f.block(2, col('T'), 2, col('Y'), Kind::BandText, "牌号：");

    f.block(3, col('A'), 3, col('D'), Kind::BandLabel, "流速仪检定后使用次数：");
    f.block(3, col('E'), 3, col('F'), Kind::BandText, "      次");
    f.block(3, col('G'), 3, col('L'), Kind::BandText, "流速仪轴至铅鱼底距离        cm");
    f.block(3, col('M'), 3, col('P'), Kind::BandText, "铅鱼重量        kg");
    f.block(3, col('Q'), 3, col('U'), Kind::BandText, "停表牌号       10分钟+-      s");
    f.block(3, col('V'), 3, col('W'), Kind::BandLabel, "测流渡河设备：");
    f.block(3, col('X'), 3, col('Y'), Kind::BandValue);
}

void columnHeadings(Form& f) {
    f.block(4, col('A'), 4, col('B'), Kind::Heading, "垂线号数");
    f.put(5, col('A'), Kind::Heading, "测深");
    f.put(5, col('B'), Kind::Heading, "测速");
    f.block(4, col('C'), 5, col('C'), Kind::Heading, "起点距\n(m)");
    f.block(4, col('D'), 4, col('G'), Kind::Heading, "测深记录");
    f.put(5, col('D'), Kind::Heading, "水面\n读数");
    f.put(5, col('E'), Kind::Heading, "河底\n读数");
    f.put(5, col('F'), Kind::Heading, "偏角\n(°)");
    f.put(5, col('G'), Kind::Heading, "改正数\n(m)");
    f.block(4, col('H'), 5, col('H'), Kind::Heading, "水深\n(m)");
    f.block(4, col('I'), 4, col('J'), Kind::Heading, "仪器位置");
    f.put(5, col('I'), Kind::Heading, "相对");
    f.put(5, col('J'), Kind::Heading, "测点深\n(m)");
    f.block(4, col('K'), 4, col('L'), Kind::Heading, "测速记录");
    f.put(5, col('K'), Kind::Heading, "信号数");
    f.put(5, col('L'), Kind::Heading, "历时\n(s)");
    f.block(4, col('M'), 4, col('N'), Kind::Heading, "流向偏角");
    f.put(5, col('M'), Kind::Heading, "偏角");
    f.put(5, col('N'), Kind::Heading, "系数");
    f.block(4, col('O'), 5, col('O'), Kind::Heading, "每信号\n转数");
    f.block(4, col('P'), 5, col('P'), Kind::Heading, "总转数");
    f.block(4, col('Q'), 4, col('T'), Kind::Heading, "流速(m/s)");
    f.put(5, col('Q'), Kind::Heading, "测点");
    f.put(5, col('R'), Kind::Heading, "系数");
    f.put(5, col('S'), Kind::Heading, "垂线\n平均");
    f.put(5, col('T'), Kind::Heading, "部分\n平均");
    f.block(4, col('U'), 4, col('V'), Kind::Heading, "测深垂线间");
    f.put(5, col('U'), Kind::Heading, "平均水深\n(m)");
    f.put(5, col('V'), Kind::Heading, "间距\n(m)");
    f.block(4, col('W'), 4, col('X'), Kind::Heading, "断面面积(m²)");
    f.put(5, col('W'), Kind::Heading, "测深\n垂线间");
    f.put(5, col('X'), Kind::Heading, "部分");
    f.block(4, col('Y'), 5, col('Y'), Kind::Heading, "部分流量\n(m³/s)");
}

void verticalRows(Form& f, int first, int last) {
    for (int r = first; r <= last; ++r) {
        for (int c = 1; c <= kColumns; ++c) {
            f.put(r, c, Kind::Data);
        }
    }
}

// The seven footer rows from row f: gauges on the left, results and section data on the right,
// remarks and signatures at the bottom.
void footer(Form& f, int r) {
    f.block(r, col('A'), r + 1, col('B'), Kind::Heading, "水尺名称");
    f.block(r, col('C'), r + 1, col('C'), Kind::Heading, "编号");
    f.block(r, col('D'), r, col('E'), Kind::Heading, "水尺读数(m)");
    f.put(r + 1, col('D'), Kind::Heading, "始");
    f.put(r + 1, col('E'), Kind::Heading, "终");
    f.block(r, col('F'), r + 1, col('F'), Kind::Heading, "平均\n(m)");
    f.block(r, col('G'), r + 1, col('G'), Kind::Heading, "零点\n高程(m)");
    f.block(r, col('H'), r + 1, col('H'), Kind::Heading, "改正数\n(m)");
    f.block(r, col('I'), r + 1, col('I'), Kind::Heading, "水位\n(m)");
    const char* gauges[] = {"基本水尺", "测流水尺、自记台", "上比降水尺", "下比降水尺"};
    for (int k = 0; k < 4; ++k) {
        f.block(r + 2 + k, col('A'), r + 2 + k, col('B'), Kind::Label, gauges[k]);
        for (char c = 'C'; c <= 'I'; ++c) {
            f.put(r + 2 + k, col(c), Kind::Data);
        }
    }

    f.block(r, col('J'), r, col('L'), Kind::Label, "断面位置");
    f.block(r, col('M'), r, col('P'), Kind::Data);
    f.block(r, col('Q'), r, col('Y'), Kind::LabelLeft,
            "流速仪（          ）测速垂线数/0.0、0.6或测点总数        /      ");

    f.block(r + 1, col('J'), r + 1, col('L'), Kind::Label, "相应水位(m)");
    f.block(r + 1, col('M'), r + 1, col('N'), Kind::Data);
    f.block(r + 1, col('O'), r + 1, col('Q'), Kind::Label, "断面平均流速(m/s)");
    f.put(r + 1, col('R'), Kind::Data);
    f.block(r + 1, col('S'), r + 1, col('T'), Kind::Label, "最大水深(m)");
    f.block(r + 1, col('U'), r + 1, col('Y'), Kind::Data);

    f.block(r + 2, col('J'), r + 2, col('L'), Kind::Label, "流量(m³/s)");
    f.block(r + 2, col('M'), r + 2, col('N'), Kind::Data);
    f.block(r + 2, col('O'), r + 2, col('Q'), Kind::Label, "最大流速(m/s)");
    f.put(r + 2, col('R'), Kind::Data);
    f.block(r + 2, col('S'), r + 2, col('T'), Kind::Label, "比降上下水尺间距(m)");
    f.put(r + 2, col('U'), Kind::Data);
    f.block(r + 2, col('V'), r + 2, col('X'), Kind::Label, "水位差(m)");
    f.put(r + 2, col('Y'), Kind::Data);

    f.block(r + 3, col('J'), r + 3, col('L'), Kind::Label, "断面面积(m²)");
    f.block(r + 3, col('M'), r + 3, col('N'), Kind::Data);
    f.block(r + 3, col('O'), r + 3, col('Q'), Kind::Label, "水面宽(m)");
    f.put(r + 3, col('R'), Kind::Data);
    f.block(r + 3, col('S'), r + 3, col('T'), Kind::Label, "水面比降(‰)");
    f.block(r + 3, col('U'), r + 3, col('Y'), Kind::Data);

    f.block(r + 4, col('J'), r + 4, col('L'), Kind::Label, "死水面积(m²)");
    f.block(r + 4, col('M'), r + 4, col('N'), Kind::Data);
    f.block(r + 4, col('O'), r + 4, col('Q'), Kind::Label, "平均水深(m)");
    f.put(r + 4, col('R'), Kind::Data);
    f.block(r + 4, col('S'), r + 4, col('T'), Kind::Label, "糙率");
    f.block(r + 4, col('U'), r + 4, col('Y'), Kind::Data);

    f.block(r + 5, col('J'), r + 5, col('L'), Kind::Label, "说明");
    f.block(r + 5, col('M'), r + 5, col('Y'), Kind::LabelLeft);

    f.block(r + 6, col('A'), r + 6, col('B'), Kind::Label, "施测");
    f.block(r + 6, col('C'), r + 6, col('E'), Kind::Data);
    f.block(r + 6, col('F'), r + 6, col('G'), Kind::Label, "计算");
    f.block(r + 6, col('H'), r + 6, col('K'), Kind::Data);
    f.block(r + 6, col('L'), r + 6, col('M'), Kind::Label, "校核");
    f.block(r + 6, col('N'), r + 6, col('U'), Kind::Data);
    f.block(r + 6, col('V'), r + 6, col('W'), Kind::Label, "施测号数");
    f.block(r + 6, col('X'), r + 6, col('Y'), Kind::Data);
}

// Formats by kind and the weight of the four edges (0 none, 1 thin, 2 medium).
class Formats {
  public:
    explicit Formats(lxw_workbook* book) : book_(book) {}

    lxw_format* get(Kind kind, int top, int bottom, int left, int right) {
        const auto key = std::make_tuple(static_cast<int>(kind), top, bottom, left, right);
        if (auto it = cache_.find(key); it != cache_.end()) {
            return it->second;
        }
        lxw_format* f = workbook_add_format(book_);
        format_set_font_name(f, "宋体");
        format_set_font_size(f, 11);
        format_set_align(f, LXW_ALIGN_VERTICAL_CENTER);
        format_set_align(f, LXW_ALIGN_CENTER);
        switch (kind) {
        case Kind::Title:
            format_set_font_size(f, 18);
            format_set_bold(f);
            format_set_align(f, LXW_ALIGN_LEFT);
            break;
        case Kind::Station:
            format_set_font_size(f, 18);
            format_set_bold(f);
            format_set_align(f, LXW_ALIGN_RIGHT);
            format_set_shrink(f);
            break;
        case Kind::Page:
            format_set_font_size(f, 12);
            break;
        case Kind::BandLabel:
            format_set_align(f, LXW_ALIGN_RIGHT);
            format_set_shrink(f);
            break;
        case Kind::BandValue:
        case Kind::BandText:
            format_set_align(f, LXW_ALIGN_LEFT);
            format_set_shrink(f);
            break;
        case Kind::Heading:
            format_set_font_size(f, 10);
            format_set_text_wrap(f);
            break;
        case Kind::Label:
            format_set_font_size(f, 10);
            format_set_text_wrap(f);
            break;
        case Kind::LabelLeft:
            format_set_align(f, LXW_ALIGN_LEFT);
            format_set_shrink(f);
            break;
        case Kind::Data:
            format_set_font_size(f, 12);
            format_set_shrink(f);
            break;
        }
        auto style = [](int weight) -> uint8_t {
            return weight == 2   ? LXW_BORDER_MEDIUM
                   : weight == 1 ? LXW_BORDER_THIN
                                 : LXW_BORDER_NONE;
        };
        format_set_top(f, style(top));
        format_set_bottom(f, style(bottom));
        format_set_left(f, style(left));
        format_set_right(f, style(right));
        cache_[key] = f;
        return f;
    }

  private:
    lxw_workbook* book_;
    std::map<std::tuple<int, int, int, int, int>, lxw_format*> cache_;
};

struct Geometry {
    double titleHeight;
    double bandHeight;
    double headingHeight;
    double verticalHeight;
    double footerHeight;
};

// Column widths in characters, A to Y; the two-page form prints at 75 per cent of them. A
// heading of three characters (改正数, 测点深) needs 6, 平均水深 7.5; F (偏角) gives up what G
// takes, so that the station's name over F to H keeps its room.
constexpr double kColumnWidths[kColumns] = {4,   4,    6,    5,   5,   4, 6,  5.5, 5.5,
                                            6,   4.75, 4.75, 4.5, 4.5, 5, 5,  5.5, 5,
                                            5.5, 5.5,  7.5,  5.5, 6,   6, 6.5};

bool writeForm(const std::string& file, bool twoPages) {
    lxw_workbook_options options{};
    options.constant_memory = LXW_FALSE;
    lxw_workbook* book = workbook_new_opt(file.c_str(), &options);
    if (book == nullptr) {
        return false;
    }
    lxw_doc_properties properties{};
    properties.title = const_cast<char*>("测深、测速记载及流量计算表（畅流期流速仪法）");
    properties.subject = const_cast<char*>("流速仪法流量测验记载表");
    properties.company = const_cast<char*>("Tarnelo");
    // A reproducible build gives the templates the time of its source, not of the build.
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"); epoch != nullptr && *epoch != '\0') {
        properties.created = static_cast<std::time_t>(std::strtoll(epoch, nullptr, 10));
    }
    workbook_set_properties(book, &properties);
    lxw_worksheet* sheet = workbook_add_worksheet(book, "记载表");
    Formats formats(book);

    const int rows = twoPages ? 53 : 25;
    const Geometry g = twoPages ? Geometry{30, 24, 30, 25, 27} : Geometry{30, 24, 30, 27, 27};
    Form form(rows);
    titleRow(form, 1, twoPages ? "共 2 页" : "共 1 页");
    headerBand(form);
    columnHeadings(form);
    if (twoPages) {
        verticalRows(form, 6, 25);
        titleRow(form, 26, "共 2 页");
        verticalRows(form, 27, 46);
        footer(form, 47);
        form.frame(4, 25);
        form.frame(27, 53);
    } else {
        verticalRows(form, 6, 18);
        footer(form, 19);
        form.frame(4, 25);
    }

    for (int c = 0; c < kColumns; ++c) {
        worksheet_set_column(sheet, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                             kColumnWidths[c], nullptr);
    }
    for (int r = 1; r <= rows; ++r) {
        double height = g.verticalHeight;
        if (r == 1 || (twoPages && r == 26)) {
            height = g.titleHeight;
        } else if (r <= 3) {
            height = g.bandHeight;
        } else if (r <= 5) {
            height = g.headingHeight;
        } else if (r > rows - 7) {
            height = g.footerHeight;
        }
        worksheet_set_row(sheet, static_cast<lxw_row_t>(r - 1), height, nullptr);
    }

    // Edge weights: medium on the frame of a table, thin inside it; header-band values sit on a
    // thin rule.
    auto edges = [&](int r, int c) {
        const Cell& cell = form.at(r, c);
        std::tuple<int, int, int, int> e{0, 0, 0, 0};
        for (const Merge& fr : form.frames()) {
            if (r >= fr.top && r <= fr.bottom) {
                e = {r == fr.top ? 2 : 1, r == fr.bottom ? 2 : 1, c == 1 ? 2 : 1,
                     c == kColumns ? 2 : 1};
            }
        }
        if (cell.kind == Kind::BandValue || cell.kind == Kind::Station) {
            std::get<1>(e) = 1;
        }
        return e;
    };
    auto formatOf = [&](int r, int c) {
        const auto [t, b, l, rt] = edges(r, c);
        return formats.get(form.at(r, c).kind, t, b, l, rt);
    };

    for (const Merge& m : form.merges()) {
        worksheet_merge_range(
            sheet, static_cast<lxw_row_t>(m.top - 1), static_cast<lxw_col_t>(m.left - 1),
            static_cast<lxw_row_t>(m.bottom - 1), static_cast<lxw_col_t>(m.right - 1),
            form.at(m.top, m.left).text.c_str(), formatOf(m.top, m.left));
    }
    for (int r = 1; r <= rows; ++r) {
        for (int c = 1; c <= kColumns; ++c) {
            const Cell& cell = form.at(r, c);
            const auto row = static_cast<lxw_row_t>(r - 1);
            const auto column = static_cast<lxw_col_t>(c - 1);
            if (!cell.text.empty()) {
                worksheet_write_string(sheet, row, column, cell.text.c_str(), formatOf(r, c));
            } else if (cell.used) {
                worksheet_write_blank(sheet, row, column, formatOf(r, c));
            }
        }
    }

    worksheet_gridlines(sheet, LXW_HIDE_ALL_GRIDLINES);
    worksheet_set_landscape(sheet);
    worksheet_set_paper(sheet, 9); // A4
    worksheet_center_horizontally(sheet);
    worksheet_print_area(sheet, 0, 0, static_cast<lxw_row_t>(rows - 1), kColumns - 1);
    if (twoPages) {
        // A manual break needs a fixed scale: fitting to pages would ignore it.
        worksheet_set_margins(sheet, 0.3, 0.3, 0.35, 0.3);
        worksheet_set_print_scale(sheet, 75);
        static lxw_row_t breaks[] = {25, 0};
        worksheet_set_h_pagebreaks(sheet, breaks);
    } else {
        worksheet_set_margins(sheet, 0.3, 0.3, 0.4, 0.35);
        worksheet_fit_to_pages(sheet, 1, 1);
    }
    worksheet_activate(sheet);
    return workbook_close(book) == LXW_NO_ERROR;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: tarnelo-templates OUTPUT_FOLDER\n", stderr);
        return 2;
    }
    const std::string folder = argv[1];
    bool ok = writeForm(folder + "/moduleexcel_1.dat", false);
    ok = writeForm(folder + "/moduleexcel_2.dat", true) && ok;
    if (!ok) {
        std::fputs("tarnelo-templates: cannot write the record-form templates\n", stderr);
        return 1;
    }
    return 0;
}
