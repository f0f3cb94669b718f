// The station's year read from a store of gaugings: 从数据库读入... in 实测流量成果表.
#include "app/qt/qt_text.hpp"
#include "app/qt/station_table_dialog.hpp"
#include "app/qt/store_dialog.hpp"
#include "store/station_year.hpp"

#include <QApplication>
#include <QLabel>
#include <QProgressDialog>
#include <QThread>

#include <algorithm>
#include <atomic>

namespace tarnelo {

bool StationTableDialog::chooseStore() {
    StoreDialog dialog(StoreDialog::Purpose::StationYear, this);
    if (storeDialogShown) {
        dialog.show();
        storeDialogShown(dialog);
        if (dialog.isVisible()) {
            dialog.reject();
        }
    } else {
        dialog.exec();
    }
    if (dialog.result() != QDialog::Accepted || dialog.store() == nullptr) {
        return false;
    }
    return loadStore(dialog.store()->location().text, dialog.filter());
}

bool StationTableDialog::loadStore(const std::string& location, const store::Filter& filter) {
    const store::Location where = store::locationOf(location);
    const auto refuse = [&](const std::string& problem) {
        owner_.showMessage("无法从数据库 " + where.shown + " 读入实测流量成果表：" + problem,
                           "提示：", MessageIcon::Warning);
        return false;
    };
    std::size_t count = 0;
    std::optional<store::Store> opened;
    {
        BusyCursor busy;
        store::Result<store::Store> reached =
            store::Store::open(where, store::Store::Access::ReadOnly);
        if (!reached) {
            return refuse(reached.problem.message);
        }
        opened = std::move(*reached.value);
        // How many gaugings the year has, for the progress.
        if (const auto listed = opened->list(filter)) {
            count = listed.value->size();
        }
    }
    // Each gauging is asked about twice: when its file is fetched, and when it is computed.
    const std::size_t steps = 2 * count;
    QProgressDialog progress(QStringLiteral("正在从数据库读入测次..."), QStringLiteral("取消"), 0,
                             static_cast<int>(steps), this);
    progress.setObjectName(QStringLiteral("读入进度"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    // The gaugings are computed on several threads, each of which asks whether to stop: only
    // this one touches the dialog, the others read what it last saw.
    QThread* const gui = QThread::currentThread();
    std::atomic<std::size_t> done{0};
    std::atomic<bool> cancelled{false};
    const auto stopped = [&] {
        const std::size_t step = ++done;
        if (QThread::currentThread() == gui && step % 8 == 0) {
            progress.setValue(static_cast<int>(std::min(step, steps)));
            progress.setLabelText(QStringLiteral("正在从数据库读入测次 %1 / %2 ...")
                                      .arg(std::min(step, steps) / 2)
                                      .arg(count));
            QApplication::processEvents();
            cancelled = progress.wasCanceled();
        }
        return cancelled.load();
    };
    store::Result<station::StationTable> read =
        store::stationYearTable(*opened, filter, threePointSetting(), stopped);
    progress.setValue(static_cast<int>(steps));
    if (!read) {
        return read.problem ? refuse(read.problem.message) : false;
    }
    table_ = std::move(*read.value);
    storeLocation_ = location;
    loadExclusions();
    fill();
    relationChanged();
    const std::string said = "列入 " + std::to_string(table_.rows.size()) + " 次测验";
    owner_.setStatus("实测流量成果表：数据库 " + where.shown + "，" + said);
    status_->setText(qtext("数据库 " + where.shown + "：" + said));
    status_->setToolTip(qtext(where.shown));
    return true;
}

} // namespace tarnelo
