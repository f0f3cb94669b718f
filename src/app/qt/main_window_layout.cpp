// The main window at sizes other than its default, on screens smaller than it, the size kept
// between runs, and the editing of the sheet bound to the status bar.
#include "app/qt/main_window.hpp"
#include "app/qt/row_numbers.hpp"
#include "app/qt/screen_fit.hpp"
#include "app/qt/sheet_editing.hpp"
#include "app/qt/sheet_view.hpp"

#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QWindow>

#include <cmath>
#include <functional>

namespace tarnelo {

namespace {

// The columns each heading label stands over.
struct Span {
    std::string_view label;
    int first;
    int last;
};
constexpr Span kHeadingSpans[] = {
    {ctl::标签1, 0, 0},    {ctl::标签2, 1, 1},    {ctl::标签3, 2, 2},    {ctl::标签12, 3, 4},
    {ctl::标签4, 3, 3},    {ctl::标签5, 4, 4},    {ctl::标签6, 5, 6},    {ctl::标签7, 5, 5},
    {ctl::标签8, 6, 6},    {ctl::标签9, 7, 7},    {ctl::标签19, 8, 11},  {ctl::标签13, 8, 8},
    {ctl::标签14, 9, 9},   {ctl::标签15, 10, 10}, {ctl::标签10, 11, 11}, {ctl::标签22, 12, 13},
    {ctl::标签20, 12, 12}, {ctl::标签21, 13, 13}, {ctl::标签11, 14, 15}, {ctl::标签16, 14, 14},
    {ctl::标签17, 15, 15}, {ctl::标签18, 16, 16},
};

constexpr std::string_view kResultControls[] = {
    ctl::标签28, ctl::标签29,   ctl::标签30,   ctl::标签31,   ctl::标签32,   ctl::标签33,
    ctl::标签34, ctl::标签35,   ctl::断面流量, ctl::断面面积, ctl::平均流速, ctl::最大流速,
    ctl::水面宽, ctl::平均水深, ctl::最大水深, ctl::致谢框,
};

// The sheet's place in 分组框3 at the default size.
constexpr QRect kGrid(8, 67, 716, 387);
constexpr QRect kSheetGroup(9, 4, 731, 511);
constexpr int kRightPanelsX = 750;
// 计算系数 and 程序控制 at the default size, and the part of 计算系数 under its last buttons
// that a lower window leaves out first.
constexpr QRect kCoefficientGroup(750, 4, 192, 224);
constexpr QRect kControlGroup(750, 248, 192, 267);
constexpr int kCoefficientFoot = 66;
// Below this the window would be of no use even scrolled.
constexpr QSize kSmallestWindow(320, 240);
// The last pair of result label and box starts 534 pixels into the sheet's width.
constexpr int kLastResultPairX = 534;

// The controls' area, which places them again whenever its size changes.
class Client : public QWidget {
  public:
    explicit Client(std::function<void()> resized) : resized_(std::move(resized)) {}

  protected:
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        resized_();
    }

  private:
    std::function<void()> resized_;
};

constexpr auto kSizeKey = "window/size";
constexpr auto kMaximisedKey = "window/maximised";

} // namespace

QWidget* MainWindow::makeClient() {
    auto* scroller = new QScrollArea(this);
    scroller->setObjectName(QStringLiteral("客户区"));
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setBackgroundRole(QPalette::Window);
    // Only the controls take the focus: Tab and clicks never stop on the area itself.
    scroller->setFocusPolicy(Qt::NoFocus);
    scroller->setWidgetResizable(true);
    client_ = new Client([this] { relayout(); });
    client_->setObjectName(QStringLiteral("client"));
    client_->setMinimumSize(kClientWidth, kClientHeight - 20 - kCompactBy);
    scroller->setWidget(client_);
    setCentralWidget(scroller);
    return client_;
}

void MainWindow::relayout() {
    QWidget* client = client_;
    if (client == nullptr || grid_ == nullptr) {
        return;
    }
    if (defaultPlaces_.empty()) {
        for (const std::string_view name : kResultControls) {
            if (QWidget* widget = control(name)) {
                defaultPlaces_.emplace(widget, widget->geometry());
            }
        }
    }
    const int dx = std::max(0, client->width() - kClientWidth);
    const int dy = std::max(-kCompactBy, client->height() - (kClientHeight - 20));
    control(ctl::分组框3)->setGeometry(kSheetGroup.adjusted(0, 0, dx, dy));
    // Lower than the default, 计算系数 gives up its empty foot first, then the gap below it.
    const int lower = std::max(0, -dy);
    control(ctl::分组框1)
        ->setGeometry(kCoefficientGroup.translated(dx, 0).adjusted(
            0, 0, 0, -std::min(lower, kCoefficientFoot)));
    control(ctl::分组框2)->setGeometry(kControlGroup.translated(dx, -lower));
    grid_->setGeometry(kGrid.adjusted(0, 0, dx, dy));

    // Columns widen in proportion; the headings follow their columns.
    std::array<int, Sheet::kColumns> widths{};
    for (int c = 0; c < Sheet::kColumns; ++c) {
        widths[static_cast<std::size_t>(c)] = sheet_.columnWidth(c);
    }
    grid_->fitColumns(widths, kGrid.width());
    std::array<int, Sheet::kColumns + 1> starts{};
    for (int c = 0; c < Sheet::kColumns; ++c) {
        starts[static_cast<std::size_t>(c) + 1] =
            starts[static_cast<std::size_t>(c)] + grid_->columnWidth(c);
    }
    const int gridRight = grid_->geometry().right() + 1;
    for (const Span& span : kHeadingSpans) {
        QWidget* label = control(span.label);
        const int x = kGrid.x() + starts[static_cast<std::size_t>(span.first)];
        const int end = span.last == Sheet::kColumns - 1
                            ? gridRight
                            : kGrid.x() + starts[static_cast<std::size_t>(span.last) + 1] + 1;
        label->setGeometry(x, label->y(), end - x, label->height());
    }

    // The results stay under the sheet, their four columns of label and box spread over its
    // width so that the last box ends where the sheet ends.
    for (const auto& [widget, place] : defaultPlaces_) {
        const int pairLeft = widget->property("pairLeft").toInt();
        const int shift = static_cast<int>(
            std::lround(static_cast<double>(dx) * (pairLeft - kGrid.x()) / kLastResultPairX));
        widget->setGeometry(place.translated(shift, dy));
    }
    rowNumbers_->follow();
}

void MainWindow::bindSheetEditing() {
    editing_ = new SheetEditing(
        *grid_, *model_, *rowNumbers_, document_,
        [this](std::string_view text) { setStatus(text); }, this);
    editing_->stepBack = [this](bool undo) { return stepBack(undo); };
}

void MainWindow::fitToItsScreen() {
    const QRect area = usableArea(*this);
    const QSize compact(kClientWidth, menuBar()->sizeHint().height() + kClientHeight - kCompactBy);
    setMinimumSize(compact.boundedTo(area.size()).expandedTo(kSmallestWindow));
    if (!screenWatched_ && windowHandle() != nullptr) {
        screenWatched_ = true;
        connect(windowHandle(), &QWindow::screenChanged, this, [this] { fitToItsScreen(); });
    }
    if (isMaximized() || isFullScreen()) {
        return;
    }
    const QSize size = this->size().boundedTo(area.size()).expandedTo(minimumSize());
    if (size != this->size()) {
        resize(size);
    }
    keepOnScreen(*this);
}

void MainWindow::restoreWindowSize() {
    const QSettings settings;
    const QSize size = settings.value(QLatin1String(kSizeKey)).toSize();
    if (size.isValid()) {
        resize(size.expandedTo(minimumSize()));
    }
    if (settings.value(QLatin1String(kMaximisedKey), false).toBool()) {
        setWindowState(windowState() | Qt::WindowMaximized);
    }
}

void MainWindow::saveWindowSize() const {
    QSettings settings;
    const bool maximised = isMaximized();
    settings.setValue(QLatin1String(kSizeKey), maximised ? normalGeometry().size() : size());
    settings.setValue(QLatin1String(kMaximisedKey), maximised);
}

} // namespace tarnelo
