// Fills a record-form template's workbook model by direct calls, the way the record-form fills
// do, and saves it, for the end-to-end checks of the saved workbook.
//
//   tarnelo-e2e-fill TEMPLATE OUTPUT
#include "platform/workbook/workbook.hpp"

#include <cstdio>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: tarnelo-e2e-fill TEMPLATE OUTPUT\n", stderr);
        return 2;
    }
    std::string error;
    const auto book = tarnelo::xlsx::Workbook::open(argv[1], error);
    if (!book) {
        std::fprintf(stderr, "cannot open the template: %s\n", error.c_str());
        return 1;
    }
    const int sheet = book->activeSheet();
    bool written = true;
    auto write = [&](int row, int column, const std::string& text) {
        written = book->setText(sheet, row, column, text, error) && written;
    };
    write(1, 6, "花园口");
    write(1, 24, "第 1 页");
    write(2, 3, "2024年7月15日 8时30分至9时10分");
    write(2, 20, "牌号：LS25-3A  V=0.2534N/T+0.0042");
    write(3, 5, "12  次");
    const char* distances[] = {"2.0", "5.0", "10.0", "15.0", "18.5"};
    for (int i = 1; i <= 5; ++i) {
        const int row = 5 + i;
        write(row, 1, i == 1 || i == 5 ? "水边" : std::to_string(i - 1));
        write(row, 3, distances[i - 1]);
        write(row, 8, i == 1 || i == 5 ? "0" : "1.25");
    }
    write(19, 17, "流速仪（ LS25-3A ）测速垂线数/0.0、0.6或测点总数 3 / 0.6");
    write(21, 13, "12.3");
    write(21, 6, "1.22");
    write(21, 9, "101.22");
    write(24, 13, " 说明前后有空格 ");
    const bool saved = written && book->save(argv[2], error);
    if (!saved) {
        std::fputs("saving failed\n", stderr);
        return 1;
    }
    return 0;
}
