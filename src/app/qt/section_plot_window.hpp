// The window "断面图": the section picture of the last computation, its uncertainty, and saving
// it as SVG or PNG. It follows every computation while it is open.
#pragma once

#include "drawing/drawing.hpp"
#include "window/window.hpp"

#include <QWidget>

#include <string>

class QLabel;
class QPushButton;
class QWidget;

namespace tarnelo {

class DrawingView;

// The dialogs that save the picture.
namespace dlg {
inline constexpr FileDialogSpec 断面图SVG{"断面图SVG对话框", true, "SVG 图片（*.svg）", "svg"};
inline constexpr FileDialogSpec 断面图PNG{"断面图PNG对话框", true, "PNG 图片（*.png）", "png"};
} // namespace dlg

class SectionPlotWindow : public QWidget {
    Q_OBJECT

  public:
    // `owner` answers the file dialogs and message boxes; the window stays above `parent`.
    SectionPlotWindow(Window& owner, QWidget* parent);

    // Shows a new picture and the uncertainty line under it.
    void showPicture(drawing::Drawing picture, std::string summary);
    const drawing::Drawing& picture() const;
    // The picture as the SVG file it saves.
    std::string svg() const;
    QString summary() const;
    // How many pictures it has been given: a test sees the window follow a computation.
    int pictureCount() const { return pictures_; }

    // Asks for a file name and writes the picture; false when nothing was written.
    bool saveSvg();
    bool savePng();

    // The picture as an image of the given width (its height follows the picture).
    QImage image(int width) const;

  private:
    bool save(const FileDialogSpec& dialog, bool png);

    Window& owner_;
    DrawingView* view_ = nullptr;
    QLabel* summary_ = nullptr;
    int pictures_ = 0;
};

} // namespace tarnelo
