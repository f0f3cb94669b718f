// Without Qt Print Support the station table is printed from its exported workbook.
#include "app/qt/station_table_dialog.hpp"

namespace tarnelo {

bool StationTableDialog::printTable() {
    owner_.showMessage("本程序构建时没有带 Qt 打印组件：请用“导出成果表...”保存后打印。", "提示：",
                       MessageIcon::Information);
    return false;
}

} // namespace tarnelo
