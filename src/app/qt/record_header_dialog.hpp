// The record-header dialog "制表数据...": the header grid in a table. "返  回" gives the values
// back to the window; the close box discards them. It reads and writes no file.
#pragma once

#include "report/record_header_grid.hpp"

#include <QDialog>

#include <array>
#include <functional>
#include <string>

class QPushButton;
class QTableWidget;

namespace tarnelo {

class RecordHeaderTable;

class RecordHeaderDialog : public QDialog {
    Q_OBJECT

  public:
    // Client size of the dialog (659 by 439 with its frame and caption).
    static constexpr int kClientWidth = 653;
    static constexpr int kClientHeight = 415;

    // The window's creation: buildRecordHeaderGrid with the two rating coefficient texts and
    // the given time, then showRecordHeader with the measurement's header. Without
    // proposeTime (the header came from an opened file) 施测时间 shows only what the header has.
    RecordHeaderDialog(const RecordHeader& header, std::string_view factor,
                       std::string_view constant, const LocalDateTime& now,
                       QWidget* parent = nullptr, bool proposeTime = true);

    QTableWidget* table() const;
    QPushButton* returnButton() const { return returnButton_; }
    // The grid with the texts the table shows now.
    RecordHeaderGrid currentGrid() const;

    // After "返  回": the 39 values in file order, as the window takes them.
    const std::array<std::string, kRecordHeaderFields>& values() const { return values_; }

    // Tells the user why "返  回" could not take the values (the dialog then stays open, edits
    // intact).
    // Unset, a warning box is shown.
    std::function<void(const std::string& text)> reportProblem;

    // Whether the user changed a cell.
    bool edited() const { return edited_; }

  private:
    void giveBackAndClose();

    RecordHeaderGrid grid_;
    std::array<std::string, kRecordHeaderFields> values_;
    RecordHeaderTable* table_ = nullptr;
    QPushButton* returnButton_ = nullptr;
    bool edited_ = false;
};

} // namespace tarnelo
