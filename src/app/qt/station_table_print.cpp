// 打印成果表 of the station table: the workbook of the table laid out by the page renderer and
// shown in the print preview, from which it prints on any printer.
#include "app/qt/station_table_dialog.hpp"
#include "pages/page_painter.hpp"
#include "pages/page_printer.hpp"
#include "platform/system/scratch.hpp"
#include "report/station_workbook.hpp"

#include <QPrintPreviewDialog>
#include <QPrinter>

namespace tarnelo {

bool StationTableDialog::printTable() {
    const sys::ScratchFolder scratch("tarnelo-table");
    const std::filesystem::path workbook = scratch.path() / "table.xlsx";
    std::string problem;
    if (const auto failed = writeStationTableWorkbook(table_, workbook)) {
        problem = *failed;
    }
    pages::Layout layout;
    if (problem.empty()) {
        layout = pages::layoutWorkbook(workbook, xlsx::kOwnWorkbookLimits);
        problem = layout.problem;
    }
    if (problem.empty()) {
        problem = pages::chineseFontProblem();
    }
    if (!problem.empty()) {
        owner_.showMessage("实测流量成果表无法打印：" + problem, "提示：", MessageIcon::Warning);
        return false;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(windowTitle());
    QPrintPreviewDialog preview(&printer, this);
    preview.setObjectName(QStringLiteral("成果表打印预览"));
    preview.setWindowTitle(QStringLiteral("打印预览 - 实测流量成果表"));
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [&](QPrinter* target) { pages::printLayout(layout, *target); });
    if (previewShown) {
        preview.show();
        previewShown(preview);
        preview.reject();
    } else {
        preview.exec();
    }
    return true;
}

} // namespace tarnelo
