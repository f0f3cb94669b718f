// The window 水位流量关系 of the station table: the relation's picture (scaled to the window),
// its verdict, tests and review, the button that keeps reviewed outliers in the fit, and the
// buttons that save the picture and the 推流表. It is
// sized for its screen, so the buttons are always on it.
#pragma once

#include "drawing/drawing.hpp"
#include "report/station_workbook.hpp"
#include "window/window.hpp"

#include <QWidget>

#include <functional>
#include <string>
#include <vector>

class QLabel;
class QPlainTextEdit;

namespace tarnelo {

namespace dlg {
inline constexpr FileDialogSpec 关系图{"关系图对话框", true, "SVG 图片（*.svg）", "svg"};
inline constexpr FileDialogSpec 推流表{"推流表对话框", true, "Excel 工作簿（*.xlsx）", "xlsx"};
} // namespace dlg

class RatingWindow : public QWidget {
    Q_OBJECT

  public:
    // `owner` answers the file dialogs and messages.
    RatingWindow(const RatingReport& report, Window& owner, QWidget* parent);

    // The size the window takes on a screen of the given usable area: the picture at its own
    // size where it fits, else scaled down with the text and buttons kept whole.
    static QSize fittingSize(const QRect& area);

    // 保存关系图... and 保存推流表...: false when nothing was written.
    bool savePicture();
    bool saveTable();
    // 复核保留...: asks for each outlier not yet handled why it is kept (an empty answer keeps
    // none) and hands those given to `kept`; false when none was given.
    bool keepOutliers();
    std::function<void(std::vector<station::Exclusion>)> kept;

  private:
    QString detailsText() const;
    void saved(const std::string& what, const std::filesystem::path& file);

    Window& owner_;
    RatingReport report_;
    drawing::Drawing picture_;
    QLabel* status_ = nullptr;
};

} // namespace tarnelo
