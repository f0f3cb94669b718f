#include "app/qt/file_dialog.hpp"

#include "app/proposed_names.hpp"
#include "app/qt/qt_text.hpp"
#include "files/file_access.hpp"

#include <QAbstractItemModel>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHeaderView>
#include <QListView>
#include <QTreeView>
#include <QUrl>

namespace tarnelo {

namespace {

const QString kExamplesPlace = QStringLiteral("示例");

// The bundled examples: beside the program in a portable folder, else the installed ones.
QString examplesFolder() {
    const QDir program(QCoreApplication::applicationDirPath());
    for (const QString& candidate :
         {program.filePath(QStringLiteral("examples")),
          program.filePath(QStringLiteral("../share/tarnelo/examples"))}) {
        if (QDir(candidate).exists()) {
            return QDir::cleanPath(candidate);
        }
    }
    return {};
}

// The open dialog's sidebar offers the examples as the place 示例. The dialog names a place
// after its folder and renames it whenever the folder changes, so the name is put back then.
void offerExamples(QFileDialog& box) {
    const QString examples = examplesFolder();
    if (examples.isEmpty()) {
        return;
    }
    const QUrl place = QUrl::fromLocalFile(examples);
    QList<QUrl> places = box.sidebarUrls();
    places.append(place);
    box.setSidebarUrls(places);
    auto* sidebar = box.findChild<QListView*>(QStringLiteral("sidebar"));
    if (sidebar == nullptr || sidebar->model() == nullptr) {
        return;
    }
    QAbstractItemModel* model = sidebar->model();
    const auto rename = [model, place] {
        for (int row = 0; row < model->rowCount(); ++row) {
            const QModelIndex index = model->index(row, 0);
            if (index.data(Qt::UserRole + 1).toUrl() == place &&
                index.data().toString() != kExamplesPlace) {
                model->setData(index, kExamplesPlace, Qt::DisplayRole);
            }
        }
    };
    rename();
    QObject::connect(model, &QAbstractItemModel::dataChanged, &box, rename);
}

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

bool savingFolder(const std::filesystem::path& folder) {
    const QString examples = examplesFolder();
    const QString canonical = QFileInfo(qpath(folder)).canonicalFilePath();
    return mayWrite(folder) && !inExamplesFolder(folder) &&
           (examples.isEmpty() || canonical.isEmpty() ||
            !(canonical + QLatin1Char('/'))
                 .startsWith(QFileInfo(examples).canonicalFilePath() + QLatin1Char('/')));
}

void withoutExamples(QFileDialog& box) {
    const QString examples = examplesFolder();
    if (examples.isEmpty()) {
        return;
    }
    const QString canonical = QFileInfo(examples).canonicalFilePath();
    QList<QUrl> places;
    for (const QUrl& place : box.sidebarUrls()) {
        if (!place.isLocalFile() ||
            QFileInfo(place.toLocalFile()).canonicalFilePath() != canonical) {
            places.append(place);
        }
    }
    box.setSidebarUrls(places);
}

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
    if (dialog.save) {
        withoutExamples(box);
    } else {
        box.setOption(QFileDialog::DontUseNativeDialog, true);
        offerExamples(box);
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
