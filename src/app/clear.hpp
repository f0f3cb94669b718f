// The clear command (button 清空).
#pragma once

namespace tarnelo {

class Window;

// Empties every cell of the sheet (rows, widths and read-only marks stay), the result fields,
// 致谢框 and 编辑框当前操作数据, resets the record header to its default and disables
// 导出Excel and 打印. Coefficients and the selected mode are left alone.
void clearCommand(Window& window);

} // namespace tarnelo
