// How the window shows the findings of the check pass: a mark on each cell they point at (a
// background by severity, the reason as tooltip), and a list of all of them that leads to
// their cells.
#pragma once

#include "checks/checks.hpp"

#include <QDialog>
#include <QVariant>

#include <map>
#include <utility>
#include <vector>

class QListWidget;

namespace tarnelo {

// Data role of the sheet model that holds a marked cell's severity ("错误" or "注意").
inline constexpr int kFindingRole = Qt::UserRole + 1;

class CellMarks {
  public:
    void set(const std::vector<Finding>& findings);
    void clear() {
        marks_.clear();
        errorRows_.clear();
    }
    bool empty() const { return marks_.empty() && errorRows_.empty(); }

    // Background, tooltip and finding role of a marked cell; an invalid value otherwise.
    QVariant data(int row, int column, int role) const;
    // Background and tooltip of a computed cell in a row with an error: what was computed
    // there cannot be used. An invalid value for other rows.
    QVariant computedData(int row, int role) const;

  private:
    struct Mark {
        Finding::Severity severity;
        QString reasons;
        // Only one of a finding's further rows: a lighter background.
        bool light = false;
    };
    std::map<std::pair<int, int>, Mark> marks_;
    std::map<int, QString> errorRows_;
};

// The list of all findings; activating one (Enter, double click) reports it and closes.
class FindingsDialog : public QDialog {
    Q_OBJECT

  public:
    explicit FindingsDialog(QWidget* parent = nullptr);

    // `whenEmpty` says why the list is empty (nothing computed, rows moved since, nothing
    // found); it stands in the list in grey.
    void setFindings(const std::vector<Finding>& findings, const QString& whenEmpty = {});

  signals:
    void chosen(const tarnelo::Finding& finding);
    // The 不确定度 button.
    void uncertaintyWanted();

  private:
    QListWidget* list_ = nullptr;
    std::vector<Finding> findings_;
};

} // namespace tarnelo
