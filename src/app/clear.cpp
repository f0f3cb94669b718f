#include "app/clear.hpp"

#include "app/window.hpp"
#include "files/record_header.hpp"

namespace tarnelo {

void clearCommand(Window& window) {
    window.sheet().clearColumns(0, Sheet::kColumns - 1);
    for (const auto field : ctl::kResultFields) {
        window.setText(field, "");
    }
    window.setText(ctl::致谢框, "");
    window.setText(ctl::编辑框当前操作数据, "");
    writeDefaultRecordHeader(window.programFolder());
    window.setEnabled(ctl::导出Excel, false);
    window.setEnabled(ctl::打印, false);
}

} // namespace tarnelo
