#include "app/qt/file_dialog.hpp"

#include "app/qt/qt_text.hpp"

#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHeaderView>
#include <QTreeView>

namespace tarnelo {

namespace {

// The type column of the dialog: file types come from the system's descriptions (in the
// user's language); a folder would say "Folder".
class ChineseIconProvider : public QFileIconProvider {
  public:
    QString type(const QFileInfo& info) const override {
        if (info.isDir()) {
            return info.isRoot() ? QStringLiteral("驱动器") : QStringLiteral("文件夹");
        }
        return QFileIconProvider::type(info);
    }
};

} // namespace

std::optional<std::filesystem::path> showFileDialog(QWidget* parent, const FileDialogSpec& dialog,
                                                    const std::filesystem::path& initialFolder,
                                                    const std::filesystem::path& name) {
    QFileDialog box(parent, QString(), qpath(initialFolder));
    ChineseIconProvider icons;
    box.setIconProvider(&icons);
    box.setObjectName(qtext(dialog.name));
    box.setAcceptMode(dialog.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    box.setFileMode(dialog.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // The pattern follows the description; only the description is shown.
    box.setNameFilter(qtext(dialog.filter) + QStringLiteral(" (*.") + qtext(dialog.defaultSuffix) +
                      QStringLiteral(")"));
    box.setOption(QFileDialog::HideNameFilterDetails, true);
    box.setDefaultSuffix(qtext(dialog.defaultSuffix));
    if (!name.empty()) {
        box.selectFile(qpath(name));
    }
    // Wide enough for the name, size, type and date columns of the detail view; the other
    // columns take what their texts need and the name the rest.
    box.setViewMode(QFileDialog::Detail);
    box.resize(std::max(box.width(), 900), std::max(box.height(), 540));
    if (auto* files = box.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        QHeaderView* columns = files->header();
        columns->setStretchLastSection(false);
        columns->setSectionResizeMode(QHeaderView::ResizeToContents);
        columns->setSectionResizeMode(0, QHeaderView::Stretch);
    }
    if (box.exec() == QDialog::Accepted && !box.selectedFiles().isEmpty()) {
        return toPath(box.selectedFiles().constFirst());
    }
    return std::nullopt;
}

} // namespace tarnelo
