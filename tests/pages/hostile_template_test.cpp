// The page renderer's reader and layout under hostile templates: each case, in a child process
// held to 512 MB of address space, is refused with its own reason or laid out within bounds, and
// soon (the time is checked loosely: a loaded machine may be slow, an unbounded loop is not).
#include "pages/merge_index.hpp"
#include "pages/sheet_layout.hpp"
#include "platform/system/scratch.hpp"
#include "platform/workbook/package.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace tarnelo::pages {
namespace {

namespace fs = std::filesystem;
using Parts = std::vector<xlsx::RawPart>;

std::string& partOf(Parts& parts, const std::string& name) {
    for (xlsx::RawPart& p : parts) {
        if (p.name == name) {
            return p.bytes;
        }
    }
    ADD_FAILURE() << name;
    static std::string none;
    return none;
}

// A pattern of literal text, "\\$" for a dollar, "[...]+" for a run of the listed characters
// (ranges like 0-9) and ".*" for anything, the longest first. std::regex is not used: its
// recursive matcher overflows the stack on a whole sheet's XML.
struct Token {
    enum Kind { Literal, Run, Any } kind;
    std::string text; // the literal, or the characters of a run
};

std::vector<Token> tokensOf(const std::string& pattern) {
    std::vector<Token> tokens;
    for (std::size_t i = 0; i < pattern.size();) {
        if (pattern.compare(i, 2, ".*") == 0) {
            tokens.push_back({Token::Any, {}});
            i += 2;
        } else if (pattern[i] == '[') {
            const std::size_t close = pattern.find(']', i);
            std::string set;
            for (std::size_t k = i + 1; k < close; ++k) {
                if (k + 2 < close && pattern[k + 1] == '-') {
                    for (char c = pattern[k]; c <= pattern[k + 2]; ++c) {
                        set += c;
                    }
                    k += 2;
                } else {
                    set += pattern[k];
                }
            }
            tokens.push_back({Token::Run, set});
            i = close + 2; // past "]+"
        } else {
            const char c = pattern[i] == '\\' ? pattern[++i] : pattern[i];
            if (tokens.empty() || tokens.back().kind != Token::Literal) {
                tokens.push_back({Token::Literal, {}});
            }
            tokens.back().text += c;
            ++i;
        }
    }
    return tokens;
}

// Where the tokens from `t` on, matched at `at`, end; npos when they do not match there.
std::size_t matchEnd(const std::string& text, const std::vector<Token>& tokens, std::size_t t,
                     std::size_t at) {
    if (t == tokens.size()) {
        return at;
    }
    const Token& token = tokens[t];
    if (token.kind == Token::Literal) {
        return text.compare(at, token.text.size(), token.text) == 0
                   ? matchEnd(text, tokens, t + 1, at + token.text.size())
                   : std::string::npos;
    }
    std::size_t last = text.size();
    if (token.kind == Token::Run) {
        last = at;
        while (last < text.size() && token.text.find(text[last]) != std::string::npos) {
            ++last;
        }
    }
    const std::size_t least = token.kind == Token::Run ? at + 1 : at;
    for (std::size_t end = last + 1; end-- > least;) {
        if (const std::size_t found = matchEnd(text, tokens, t + 1, end);
            found != std::string::npos) {
            return found;
        }
    }
    return std::string::npos;
}

// Replaces the first match of pattern with the literal text `with`.
void replace(std::string& text, const std::string& pattern, const std::string& with) {
    const std::vector<Token> tokens = tokensOf(pattern);
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (const std::size_t end = matchEnd(text, tokens, 0, at); end != std::string::npos) {
            text.replace(at, end - at, with);
            return;
        }
    }
}

std::string& sheet(Parts& p) {
    return partOf(p, "xl/worksheets/sheet1.xml");
}
std::string& book(Parts& p) {
    return partOf(p, "xl/workbook.xml");
}

struct Case {
    const char* name;
    std::function<void(Parts&)> change;
    const char* reason; // nullptr: laid out in one or two pages; "": laid out or refused
};

std::string repeated(const char* format, int from, int to) {
    std::string text;
    char buffer[96];
    for (int i = from; i < to; ++i) {
        std::snprintf(buffer, sizeof buffer, format, i, i);
        text += buffer;
    }
    return text;
}

const std::vector<Case>& cases() {
    static const std::vector<Case> all = {
        {"column range to two billion",
         [](Parts& p) {
             replace(sheet(p), "<cols>.*</cols>",
                     R"(<cols><col min="26" max="2000000000" width="5"/></cols>)");
         },
         "超出工作表的 16384 列"},
        {"negative first column",
         [](Parts& p) {
             replace(sheet(p), "<cols>.*</cols>",
                     R"(<cols><col min="-5" max="3" width="5"/></cols>)");
         },
         "超出工作表的 16384 列"},
        {"column width nan",
         [](Parts& p) { replace(sheet(p), R"(width="[0-9.]+")", R"(width="nan")"); },
         "的列宽 width=“nan” 无效"},
        {"row number beyond an int",
         [](Parts& p) { replace(sheet(p), R"(<row r="1")", R"(<row r="1e300")"); },
         "的行号 r=“1e300”"},
        {"row height infinite",
         [](Parts& p) { replace(sheet(p), R"(<row r="1")", R"(<row r="1" ht="inf")"); }, "的行高"},
        {"scale 1e-300",
         [](Parts& p) {
             replace(sheet(p), R"(fitToPage="1")", "");
             replace(sheet(p), "<pageSetup ", R"(<pageSetup scale="1e-300" )");
         },
         "的缩放比例 scale=“1e-300” 无效"},
        {"margin nan", [](Parts& p) { replace(sheet(p), R"(left="[0-9.]+")", R"(left="nan")"); },
         "的页边距 left=“nan” 无效"},
        {"margins wider than the paper",
         [](Parts& p) { replace(sheet(p), R"(left="[0-9.]+")", R"(left="99")"); },
         "页边距之和超出纸张"},
        {"paper code huge",
         [](Parts& p) { replace(sheet(p), R"(paperSize="9")", R"(paperSize="1e10")"); },
         "的纸张代码 paperSize=“1e10” 无效"},
        {"fit to a negative width",
         [](Parts& p) { replace(sheet(p), "<pageSetup ", R"(<pageSetup fitToWidth="-1e300" )"); },
         "的适应页数"},
        {"break beyond the sheet",
         [](Parts& p) {
             replace(sheet(p), "</worksheet>",
                     R"(<rowBreaks><brk id="3e9"/></rowBreaks></worksheet>)");
         },
         "的分页符位置"},
        {"font size nan",
         [](Parts& p) {
             replace(partOf(p, "xl/styles.xml"), R"(<sz val="[0-9.]+")", R"(<sz val="nan")");
         },
         "字号“nan”"},
        {"style index beyond an int",
         [](Parts& p) { replace(sheet(p), R"(<c r="A1" s="[0-9]+")", R"(<c r="A1" s="1e300")"); },
         nullptr},
        {"print area on another sheet", [](Parts& p) { replace(book(p), "'记载表'!", "'其他'!"); },
         "的打印区域指向另一个工作表“其他”"},
        {"print area in another book",
         [](Parts& p) { replace(book(p), "'记载表'!", "[1]记载表!"); },
         "的打印区域指向另一个工作簿"},
        {"print area the whole sheet",
         [](Parts& p) { replace(book(p), R"(\$A\$1:\$Y\$[0-9]+)", "$A$1:$XFD$1048576"); },
         "是整个工作表"},
        {"print titles to two billion",
         [](Parts& p) {
             replace(
                 book(p), "</definedNames>",
                 R"(<definedName name="_xlnm.Print_Titles" localSheetId="0">'记载表'!$1:$2000000000</definedName></definedNames>)");
         },
         "的打印标题“$1:$2000000000”无法识别"},
        {"overlapping merged ranges",
         [](Parts& p) {
             replace(sheet(p), "</mergeCells>", R"(<mergeCell ref="B2:Z3"/></mergeCells>)");
         },
         "重叠"},
        // A page of 2,000 rows fitted to the paper, each cell asking for its merged range.
        {"200,000 merged ranges",
         [](Parts& p) {
             replace(sheet(p), "</mergeCells>",
                     repeated(R"(<mergeCell ref="AC%d:AD%d"/>)", 3000, 203000) + "</mergeCells>");
             replace(book(p), R"(\$A\$1:\$Y\$[0-9]+)", "$A$1:$AB$2000");
         },
         nullptr},
        // One style table for all sheets: 60,000 styles on 200 sheets are not 12 million.
        {"60,000 styles on 200 sheets",
         [](Parts& p) {
             replace(partOf(p, "xl/styles.xml"), "</cellXfs>",
                     repeated("<xf/>", 0, 60000) + "</cellXfs>");
             replace(book(p), "</sheets>",
                     repeated(R"(<sheet name="s%d" sheetId="%d" r:id="rIdS)", 2, 202) +
                         "</sheets>");
             std::string& sheets = book(p);
             for (std::size_t at = sheets.find("rIdS"); at != std::string::npos;
                  at = sheets.find("rIdS", at + 1)) {
                 sheets.insert(at + 4, "\"/>");
                 sheets.insert(at + 4, std::to_string(at)); // a distinct id
             }
             std::string& rels = partOf(p, "xl/_rels/workbook.xml.rels");
             Parts added;
             for (std::size_t at = sheets.find("rIdS"); at != std::string::npos;
                  at = sheets.find("rIdS", at + 1)) {
                 const std::string id = sheets.substr(at, sheets.find('"', at) - at);
                 replace(rels, "</Relationships>",
                         "<Relationship Id=\"" + id +
                             "\" Type=\"x/worksheet\" Target=\"worksheets/" + id +
                             ".xml\"/></Relationships>");
                 added.push_back(
                     {"xl/worksheets/" + id + ".xml",
                      R"(<worksheet><sheetData><row r="1"><c r="A1" t="inlineStr"><is><t>站</t></is></c></row></sheetData></worksheet>)"});
             }
             p.insert(p.end(), added.begin(), added.end());
         },
         ""},
        {"1,500,000 styles",
         [](Parts& p) {
             replace(partOf(p, "xl/styles.xml"), "</cellXfs>",
                     repeated("<xf/>", 0, 1500000) + "</cellXfs>");
         },
         "单元格格式多于 65490 种"},
    };
    return all;
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

// Lays out the file in a child held to 512 MB; 0 when laid out in one or two pages, 1 when
// refused with `reason`, 3 when out of memory, else 2 (a crash or an abort shows as 100 + its
// signal). The child's peak memory in peakKb.
int childLayout(const fs::path& file, const char* reason, long& peakKb) {
    const pid_t child = ::fork();
    if (child == 0) {
        // AddressSanitizer reserves terabytes of address space for its shadow: there the child's
        // peak memory, below, is what holds it to the bound.
        if (!kAddressSanitizer) {
            const rlimit limit{512UL << 20, 512UL << 20};
            ::setrlimit(RLIMIT_AS, &limit);
        }
        ::alarm(20);
        try {
            const Layout layout = layoutWorkbook(file);
            std::fprintf(stderr, "%s\n", layout.problem.c_str());
            if (reason == nullptr) {
                const bool bounded = !layout.pages.empty() && layout.pages.size() <= 2;
                ::_exit(layout.problem.empty() && bounded ? 0 : 2);
            }
            if (*reason == '\0') {
                ::_exit(layout.pages.size() <= 250 ? 1 : 2); // laid out or refused, in bounds
            }
            ::_exit(layout.problem.find(reason) != std::string::npos ? 1 : 2);
        } catch (...) {
            ::_exit(3); // std::bad_alloc at the limit
        }
    }
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    peakKb = usage.ru_maxrss;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

TEST(HostileTemplate, EachRefusedWithItsReasonOrDrawnWithinBounds) {
    const fs::path form = fs::path(TARNELO_PROGRAM_DIR) / "Data" / "moduleexcel_1.dat";
    Parts sound;
    std::string error;
    ASSERT_TRUE(xlsx::readPackage(form, sound, error)) << error;
    const sys::ScratchFolder scratch("tarnelo-hostile");
    ASSERT_TRUE(scratch.valid());
    for (const Case& c : cases()) {
        Parts parts = sound;
        c.change(parts);
        const fs::path file = scratch.path() / "form.xlsx";
        ASSERT_TRUE(xlsx::writePackage(file, parts, error)) << error;
        const auto start = std::chrono::steady_clock::now();
        long peakKb = 0;
        const int outcome = childLayout(file, c.reason, peakKb);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_EQ(outcome, c.reason == nullptr ? 0 : 1) << c.name;
        // Under a second on an idle machine; loosely here, and the sanitizers' own cost aside.
        EXPECT_LT(seconds, kAddressSanitizer ? 20.0 : 3.0) << c.name;
        if (kAddressSanitizer) {
            EXPECT_LT(peakKb, 2L << 20) << c.name;
        }
        std::printf("%-32s %.2f s %ld KB\n", c.name, seconds, peakKb);
    }
}

} // namespace
} // namespace tarnelo::pages

namespace tarnelo::pages {
namespace {

// The index finds what a scan of every range finds: ranges of one cell, long rows, long
// columns, next to each other and far apart, at the sheet's last column.
TEST(MergeIndex, FindsWhatAScanFinds) {
    std::vector<CellArea> areas;
    for (int i = 0; i < 300; ++i) {
        const int top = 1 + (i * 37) % 900 * 3;
        const int left = 1 + (i * 53) % 16300;
        areas.push_back({top, left, top + i % 3, left + (i % 7 == 0 ? 60 : i % 4)});
    }
    areas.push_back({5000, 16380, 1048576, 16384});
    std::vector<CellArea> disjoint;
    for (const CellArea& a : areas) {
        const bool clear = std::none_of(disjoint.begin(), disjoint.end(), [&](const CellArea& b) {
            return a.top <= b.bottom && b.top <= a.bottom && a.left <= b.right && b.left <= a.right;
        });
        if (clear) {
            disjoint.push_back(a);
        }
    }
    MergeIndex index;
    ASSERT_FALSE(index.build(disjoint));
    int hits = 0;
    for (int row = 1; row < 2800; ++row) {
        for (int column = 1; column <= 16384; column += 1 + column % 13) {
            const auto it = std::find_if(disjoint.begin(), disjoint.end(), [&](const CellArea& a) {
                return a.contains(row, column);
            });
            const CellArea* found = index.find(row, column);
            ASSERT_EQ(found != nullptr, it != disjoint.end()) << row << "," << column;
            if (found != nullptr) {
                ++hits;
                EXPECT_EQ(found->top, it->top);
                EXPECT_EQ(found->left, it->left);
            }
        }
    }
    EXPECT_GT(hits, 1000);
    EXPECT_NE(index.find(1048576, 16384), nullptr);
    std::vector<CellArea> crossing{{1, 3, 10, 3}, {4, 1, 4, 8}};
    EXPECT_TRUE(index.build(crossing)) << "a row across a column";
}

} // namespace
} // namespace tarnelo::pages
