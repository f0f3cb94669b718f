// The main window driven through its controls, found by their template names.
#include "gui_support.hpp"
#include "window/program_paths.hpp"

#include "files/file_io.hpp"
#include "files/record_header.hpp"

#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>

#include <fstream>

using namespace tarnelo;
using namespace tarnelo::guitest;

namespace {

struct Row {
    int row;
    std::vector<std::pair<int, const char*>> cells;
};

// The field manual's worked example, vertical mode, surface coefficient 0.85.
const std::vector<Row> kWorkedExample{
    {0, {{1, "0"}, {2, "0"}}},
    {1, {{1, "5"}, {2, "1.2"}, {3, "0.6"}, {5, "10"}, {6, "100"}}},
    {2, {{1, "10"}, {2, "1.8"}, {3, "0.6"}, {5, "15"}, {6, "110"}}},
    {3, {{1, "15"}, {2, "1.5"}, {3, "0.0"}, {5, "20"}, {6, "105"}}},
    {4, {{1, "20"}, {2, "0"}}},
};

void typeWorkedExample(Harness& h) {
    typeIntoBox(h.find<QLineEdit>(ctl::水面系数编辑框), QStringLiteral("0.85"));
    for (const Row& row : kWorkedExample) {
        for (const auto& [column, text] : row.cells) {
            typeIntoCell(&h.window->grid(), row.row, column, QString::fromLatin1(text));
        }
    }
}

std::string slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void layoutFollowsTheControlTable();
    void startsAsTheTemplateSays();
    void coefficientFieldsTakeTabPositionsOneToSix();
    void computesTheWorkedExampleOnScreen();
    void modeSwitchLocksColumnsAndColoursHeadings();
    void enterAppendsOnlyOnTheLastRow();
    void clearKeepsRowsCoefficientsAndMode();
    void saveClearOpenRestoresInputAndHeader();
    void coefficientFieldsTakeDecimalNumbersOnly();
    void menuCommands();
    void closingAsksOnlyWhenInputWouldBeLost();
    void keyboardAloneOpensComputesAndSaves();
};

void MainWindowTest::layoutFollowsTheControlTable() {
    Harness h;
    MainWindow& w = h.make();
    const int menu = w.menuBar()->height();
    QCOMPARE(w.windowTitle(), QStringLiteral("Tarnelo 13.05"));
    QCOMPARE(w.pos(), QPoint(50, 50));
    QCOMPARE(w.size(), QSize(952, menu + 545));
    QVERIFY(w.centralWidget()->geometry().top() == menu);
    QCOMPARE(w.statusBar()->objectName(), QStringLiteral("状态条1"));
    QCOMPARE(w.statusBar()->geometry(), QRect(0, menu + 525, 952, 20));

    struct Place {
        std::string_view name;
        std::string_view parent;
        QRect at;
    };
    const Place places[] = {
        {ctl::分组框3, "client", {9, 4, 731, 511}},
        {ctl::分组框1, "client", {750, 4, 192, 224}},
        {ctl::分组框2, "client", {750, 248, 192, 267}},
        {ctl::高级表格1, ctl::分组框3, {8, 67, 716, 387}},
        {ctl::标签1, ctl::分组框3, {8, 16, 31, 52}},
        {ctl::标签2, ctl::分组框3, {38, 16, 40, 52}},
        {ctl::标签3, ctl::分组框3, {77, 16, 32, 52}},
        {ctl::标签12, ctl::分组框3, {108, 16, 69, 26}},
        {ctl::标签4, ctl::分组框3, {108, 41, 30, 27}},
        {ctl::标签5, ctl::分组框3, {137, 41, 40, 27}},
        {ctl::标签6, ctl::分组框3, {176, 16, 79, 26}},
        {ctl::标签7, ctl::分组框3, {176, 41, 40, 27}},
        {ctl::标签8, ctl::分组框3, {215, 41, 40, 27}},
        {ctl::标签9, ctl::分组框3, {254, 16, 38, 52}},
        {ctl::标签19, ctl::分组框3, {291, 16, 195, 26}},
        {ctl::标签13, ctl::分组框3, {291, 41, 52, 27}},
        {ctl::标签14, ctl::分组框3, {342, 41, 30, 27}},
        {ctl::标签15, ctl::分组框3, {371, 41, 52, 27}},
        {ctl::标签10, ctl::分组框3, {422, 41, 64, 27}},
        {ctl::标签22, ctl::分组框3, {485, 16, 81, 26}},
        {ctl::标签20, ctl::分组框3, {485, 41, 52, 27}},
        {ctl::标签21, ctl::分组框3, {536, 41, 30, 27}},
        {ctl::标签11, ctl::分组框3, {565, 16, 83, 26}},
        {ctl::标签16, ctl::分组框3, {565, 41, 52, 27}},
        {ctl::标签17, ctl::分组框3, {616, 41, 32, 27}},
        {ctl::标签18, ctl::分组框3, {647, 16, 77, 52}},
        {ctl::标签28, ctl::分组框3, {8, 453, 90, 24}},
        {ctl::断面流量, ctl::分组框3, {97, 453, 90, 24}},
        {ctl::标签29, ctl::分组框3, {8, 476, 90, 24}},
        {ctl::断面面积, ctl::分组框3, {97, 476, 90, 24}},
        {ctl::标签30, ctl::分组框3, {186, 453, 90, 24}},
        {ctl::平均流速, ctl::分组框3, {275, 453, 90, 24}},
        {ctl::标签31, ctl::分组框3, {186, 476, 90, 24}},
        {ctl::最大流速, ctl::分组框3, {275, 476, 90, 24}},
        {ctl::标签32, ctl::分组框3, {364, 453, 90, 24}},
        {ctl::水面宽, ctl::分组框3, {453, 453, 90, 24}},
        {ctl::标签33, ctl::分组框3, {364, 476, 90, 24}},
        {ctl::平均水深, ctl::分组框3, {453, 476, 90, 24}},
        // The last labels give room to 完成情况's sentence.
        {ctl::标签34, ctl::分组框3, {542, 453, 64, 24}},
        {ctl::最大水深, ctl::分组框3, {605, 453, 119, 24}},
        {ctl::标签35, ctl::分组框3, {542, 476, 64, 24}},
        {ctl::致谢框, ctl::分组框3, {605, 476, 119, 24}},
        {ctl::标签23, ctl::分组框1, {11, 16, 77, 24}},
        {ctl::水面系数编辑框, ctl::分组框1, {87, 16, 95, 24}},
        {ctl::标签24, ctl::分组框1, {11, 39, 77, 24}},
        {ctl::岸边系数编辑框01, ctl::分组框1, {87, 39, 48, 24}},
        {ctl::岸边系数编辑框02, ctl::分组框1, {134, 39, 48, 24}},
        {ctl::标签25, ctl::分组框1, {11, 62, 77, 24}},
        {ctl::信号转数编辑框, ctl::分组框1, {87, 62, 95, 24}},
        {ctl::标签26, ctl::分组框1, {11, 85, 45, 24}},
        {ctl::计算公式编辑框01, ctl::分组框1, {55, 85, 44, 24}},
        {ctl::标签27, ctl::分组框1, {98, 85, 41, 24}},
        {ctl::计算公式编辑框02, ctl::分组框1, {138, 85, 44, 24}},
        {ctl::更多, ctl::分组框1, {11, 124, 80, 24}},
        {ctl::保存系数, ctl::分组框1, {102, 124, 80, 24}},
        {ctl::标签36, ctl::分组框2, {8, 25, 82, 15}},
        {ctl::编辑框当前操作数据, ctl::分组框2, {12, 43, 168, 20}},
        {ctl::垂线模式, ctl::分组框2, {13, 89, 72, 16}},
        {ctl::测速模式, ctl::分组框2, {112, 89, 72, 16}},
        {ctl::计算, ctl::分组框2, {11, 132, 81, 24}},
        {ctl::清空, ctl::分组框2, {100, 132, 81, 24}},
        {ctl::打开, ctl::分组框2, {11, 166, 81, 24}},
        {ctl::保存, ctl::分组框2, {100, 166, 81, 24}},
        {ctl::导出Excel, ctl::分组框2, {11, 201, 81, 24}},
        {ctl::打印, ctl::分组框2, {100, 201, 81, 24}},
        {ctl::进度条1, ctl::分组框2, {11, 236, 170, 20}},
    };
    for (const Place& p : places) {
        QWidget* widget = h.find(p.name);
        QVERIFY2(widget != nullptr, std::string(p.name).c_str());
        QCOMPARE(widget->parentWidget()->objectName(), qs(p.parent));
        QCOMPARE(widget->geometry(), p.at);
        QVERIFY2(widget->isVisible(), std::string(p.name).c_str());
    }

    // Each heading sits over its columns: label 1 over column 0 and so on, by the widths.
    auto& grid = w.grid();
    for (int c = 0; c < Sheet::kColumns; ++c) {
        QCOMPARE(grid.columnWidth(c), w.sheet().columnWidth(c));
        QCOMPARE(grid.verticalHeader()->defaultSectionSize(), 24);
    }
    QCOMPARE(w.sheet().rowCount(), 20);
    QCOMPARE(grid.model()->rowCount(), 20);
    QCOMPARE(grid.model()->columnCount(), 17);

    // The coefficient fields take the tab positions 1 to 6 in their order.
    QWidget* field = h.find(kCoefficientFields[0].control);
    for (std::size_t i = 1; i < kCoefficientFields.size(); ++i) {
        QWidget* next = field->nextInFocusChain();
        while (next->focusPolicy() == Qt::NoFocus) {
            next = next->nextInFocusChain();
        }
        QCOMPARE(next->objectName(), qs(kCoefficientFields[i].control));
        field = next;
    }

    QMenu* about = w.menuBar()->findChild<QMenu*>(QStringLiteral("简介"));
    QVERIFY(about != nullptr);
    QCOMPARE(about->title(), QStringLiteral("简介(&H)"));
    QStringList items;
    for (QAction* action : about->actions()) {
        items << action->text();
    }
    QCOMPARE(items, (QStringList{"用户指南", "捐助", "声明"}));
}

void MainWindowTest::startsAsTheTemplateSays() {
    Harness h;
    // A coefficient file of an earlier run, and a header file an older version left: the
    // header is no working state, neither read nor changed.
    {
        std::ofstream out(h.folder / "Data" / "coefficient.dat", std::ios::binary);
        out << "\xC1\xF7\xCB\xD9\xD2\xC7\xCF\xB5\xCA\xFD\r\n0.7,0.8,0.6,40,0.25,0.01";
    }
    {
        std::ofstream out(h.folder / "Data" / "snap.dat", std::ios::binary);
        out << "A,*,*,*,*,*,*,*,*,*,*,*\r\n*,*,*,*,*,*,*,*\r\n*,*,*,*,*,*,*,*,*,*,*,*,*,*,*,*"
               "\r\n*,*,*";
    }
    MainWindow& w = h.make();
    for (const InitialText& initial : initialTexts()) {
        const bool coefficient =
            std::any_of(kCoefficientFields.begin(), kCoefficientFields.end(),
                        [&](const CoefficientField& f) { return f.control == initial.control; });
        if (!coefficient) {
            QCOMPARE(qs(w.text(initial.control)), qs(initial.text));
        }
    }
    const char* loaded[] = {"0.7", "0.8", "0.6", "40", "0.25", "0.01"};
    for (std::size_t i = 0; i < 6; ++i) {
        QCOMPARE(w.text(kCoefficientFields[i].control), std::string(loaded[i]));
    }
    QCOMPARE(w.recordHeader(), std::string(kDefaultRecordHeader));
    QCOMPARE(headerField(w.measurementHeader().lines(), 1, 1), std::string("*"));
    QCOMPARE(
        slurp(h.folder / "Data" / "snap.dat"),
        std::string("A,*,*,*,*,*,*,*,*,*,*,*\r\n*,*,*,*,*,*,*,*\r\n*,*,*,*,*,*,*,*,*,*,*,*,*,*,*,*"
                    "\r\n*,*,*"));
    QVERIFY(w.isSelected(ctl::垂线模式));
    QVERIFY(!w.isSelected(ctl::测速模式));
    QVERIFY(!h.find(ctl::导出Excel)->isEnabled());
    QVERIFY(!h.find(ctl::打印)->isEnabled());
    QVERIFY(h.find<QLineEdit>(ctl::编辑框当前操作数据)->isReadOnly());
    QCOMPARE(h.find<QProgressBar>(ctl::进度条1)->value(), 0);
    QCOMPARE(h.find<QProgressBar>(ctl::进度条1)->maximum(), 100);
    for (std::string_view name : ctl::kResultFields) {
        auto* box = h.find<QLineEdit>(name);
        QCOMPARE(box->maxLength(), 10);
        QCOMPARE(box->alignment(), Qt::AlignCenter);
        QVERIFY(!box->isReadOnly());
    }
    // Disabled buttons do nothing when clicked.
    h.click(ctl::导出Excel);
    QVERIFY(h.messages.empty());
    w.setStatus("就绪");
    QCOMPARE(w.statusBar()->currentMessage(), QStringLiteral("就绪"));
}

void MainWindowTest::coefficientFieldsTakeTabPositionsOneToSix() {
    Harness h;
    MainWindow& w = h.make();
    QWidget* widget = &w.grid();
    for (const auto& [field, name, label] : kCoefficientFields) {
        do {
            widget = widget->nextInFocusChain();
        } while ((widget->focusPolicy() & Qt::TabFocus) == 0 || !widget->isEnabled());
        QCOMPARE(widget->objectName(), qs(field));
    }
    // Then the controls as they are read, down the right-hand panels.
    w.setEnabled(ctl::导出Excel, true);
    w.setEnabled(ctl::打印, true);
    QStringList order;
    for (int i = 0; i < 10; ++i) {
        do {
            widget = widget->nextInFocusChain();
        } while ((widget->focusPolicy() & Qt::TabFocus) == 0 || !widget->isEnabled());
        order << widget->objectName();
    }
    QCOMPARE(order, (QStringList{QStringLiteral("更多"), QStringLiteral("保存系数"),
                                 QStringLiteral("编辑框当前操作数据"), QStringLiteral("垂线模式"),
                                 QStringLiteral("测速模式"), QStringLiteral("计算"),
                                 QStringLiteral("清空"), QStringLiteral("打开"),
                                 QStringLiteral("保存"), QStringLiteral("导出Excel")}));
    // Round the whole chain: the area that scrolls the controls on a small screen is no stop.
    for (QWidget* next = widget->nextInFocusChain(); next != widget;
         next = next->nextInFocusChain()) {
        const bool stop =
            (next->focusPolicy() & Qt::TabFocus) != 0 && next->isEnabled() && next->isVisibleTo(&w);
        QVERIFY2(!stop || next->objectName() != QStringLiteral("客户区"),
                 "the scroll area takes Tab");
    }
}

void MainWindowTest::computesTheWorkedExampleOnScreen() {
    Harness h;
    MainWindow& w = h.make();
    typeWorkedExample(h);
    QCOMPARE(w.sheet().cell(3, 3), std::string("0.0"));
    QCOMPARE(w.sheet().cell(2, 6), std::string("110"));
    h.click(ctl::计算);
    const char* expected[] = {"37.4", "22.5", "1.66", "2.59", "20.0", "1.12", "1.80"};
    for (std::size_t i = 0; i < 7; ++i) {
        QCOMPARE(h.find<QLineEdit>(ctl::kResultFields[i])->text(),
                 QString::fromLatin1(expected[i]));
    }
    QCOMPARE(h.find<QLineEdit>(ctl::致谢框)->text(), QStringLiteral("感谢使用!"));
    // The grid shows what the sheet holds.
    const QAbstractItemModel* model = w.grid().model();
    QCOMPARE(model->data(model->index(0, 0)).toString(), QStringLiteral("水边"));
    QCOMPARE(model->data(model->index(0, 11)).toString(), QStringLiteral("0.7/0.95"));
    QCOMPARE(model->data(model->index(3, 9)).toString(), QStringLiteral("0.85"));
    QCOMPARE(model->data(model->index(2, 16)).toString(), QStringLiteral("16.7"));
    QVERIFY(h.find(ctl::导出Excel)->isEnabled());
    QVERIFY(h.find(ctl::打印)->isEnabled());
    QVERIFY(h.messages.empty());
    // The two record-form buttons run whatever commands the program connected.
    int exported = 0;
    int printed = 0;
    w.exportAction = [&exported](Window&) {
        ++exported;
        return FormOutcome{};
    };
    w.printAction = [&printed](Window&, const sys::KeepWaiting&) {
        ++printed;
        return FormOutcome{};
    };
    h.click(ctl::导出Excel);
    h.click(ctl::打印);
    h.click(ctl::打印);
    QCOMPARE(exported, 1);
    QCOMPARE(printed, 2);
    // Results can be typed over.
    typeIntoBox(h.find<QLineEdit>(ctl::断面流量), QStringLiteral("37.5"));
    QCOMPARE(w.text(ctl::断面流量), std::string("37.5"));
    typeIntoBox(h.find<QLineEdit>(ctl::断面流量), QStringLiteral("37.4"));
    w.grid().setCurrentIndex(model->index(0, 1));
    w.grid().setFocus();
    saveScreenshot(w, "main-window.png");
}

void MainWindowTest::modeSwitchLocksColumnsAndColoursHeadings() {
    Harness h;
    MainWindow& w = h.make();
    const QAbstractItemModel* model = w.grid().model();
    auto editable = [&](int row, int column) {
        return (model->flags(model->index(row, column)) & Qt::ItemIsEditable) != 0;
    };
    auto colour = [&](std::string_view label) {
        return h.find<QLabel>(label)->styleSheet().contains(QStringLiteral("#ff0000"));
    };
    typeIntoCell(&w.grid(), 1, 5, QStringLiteral("10"));
    typeIntoCell(&w.grid(), 1, 6, QStringLiteral("100"));

    QTest::mouseClick(h.find<QRadioButton>(ctl::测速模式), Qt::LeftButton);
    QVERIFY(w.isSelected(ctl::测速模式));
    QVERIFY(!w.isSelected(ctl::垂线模式));
    for (int c = 0; c < Sheet::kColumns; ++c) {
        QCOMPARE(editable(1, c), c == 1 || c == 2 || c == 3 || c == 8);
    }
    QCOMPARE(w.textColour(ctl::标签7), kBlack);
    QCOMPARE(w.textColour(ctl::标签8), kBlack);
    QCOMPARE(w.textColour(ctl::标签13), kRed);
    QVERIFY(!colour(ctl::标签7));
    QVERIFY(colour(ctl::标签13));
    QVERIFY(colour(ctl::标签2));
    // N and T stay but can no longer be typed into.
    QCOMPARE(w.sheet().cell(1, 5), std::string("10"));
    w.grid().setCurrentIndex(model->index(1, 5));
    QTest::sendKeyEvent(QTest::Click, &w.grid(), Qt::Key_unknown, QStringLiteral("7"),
                        Qt::NoModifier);
    QCoreApplication::processEvents();
    QCOMPARE(w.sheet().cell(1, 5), std::string("10"));

    QTest::mouseClick(h.find<QRadioButton>(ctl::垂线模式), Qt::LeftButton);
    for (int c = 0; c < Sheet::kColumns; ++c) {
        QCOMPARE(editable(1, c), c == 1 || c == 2 || c == 3 || c == 5 || c == 6);
    }
    QVERIFY(colour(ctl::标签7));
    QVERIFY(!colour(ctl::标签13));
    QCOMPARE(w.sheet().cell(1, 6), std::string("100"));

    // Selecting from the program runs no command: the layout stays that of the vertical mode.
    w.setSelected(ctl::测速模式, true);
    QVERIFY(w.isSelected(ctl::测速模式));
    QVERIFY(!w.isSelected(ctl::垂线模式));
    QVERIFY(editable(1, 5));
    QCOMPARE(w.textColour(ctl::标签13), kBlack);
    // And a radio box can be let go of from the program, leaving no mode.
    w.setSelected(ctl::测速模式, false);
    QVERIFY(!w.isSelected(ctl::测速模式));
    QVERIFY(!w.isSelected(ctl::垂线模式));
}

void MainWindowTest::enterAppendsOnlyOnTheLastRow() {
    Harness h;
    MainWindow& w = h.make();
    SheetView& grid = w.grid();
    // Enter elsewhere moves down and appends nothing.
    grid.setCurrentIndex(grid.model()->index(5, 1));
    grid.setFocus();
    QTest::keyClick(&grid, Qt::Key_Return);
    QCOMPARE(w.sheet().rowCount(), 20);
    QCOMPARE(grid.currentIndex().row(), 6);
    QCOMPARE(w.sheet().currentRow(), 6);
    // Enter on the last row appends one row, also the keypad's Enter.
    grid.setCurrentIndex(grid.model()->index(19, 1));
    QTest::keyClick(&grid, Qt::Key_Return);
    QCOMPARE(w.sheet().rowCount(), 21);
    QCOMPARE(grid.model()->rowCount(), 21);
    QCOMPARE(grid.currentIndex().row(), 20);
    QTest::keyClick(&grid, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(w.sheet().rowCount(), 22);
    QCOMPARE(grid.currentIndex().row(), 21);
    grid.setCurrentIndex(grid.model()->index(21, 2));
    QTest::keyClick(&grid, Qt::Key_Enter);
    QCOMPARE(w.sheet().rowCount(), 23);
    // Other keys append nothing; Enter with Ctrl is no Enter of the sheet.
    grid.setCurrentIndex(grid.model()->index(22, 1));
    QTest::keyClick(&grid, Qt::Key_Down);
    QTest::keyClick(&grid, Qt::Key_Tab);
    QTest::keyClick(&grid, Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(w.sheet().rowCount(), 23);
    // Typing into the last row and ending with Enter commits the cell, then appends.
    typeIntoCell(&grid, 22, 1, QStringLiteral("45.5"));
    QCOMPARE(w.sheet().cell(22, 1), std::string("45.5"));
    QCOMPARE(w.sheet().rowCount(), 24);
    // An appended row takes the read-only marks of its columns at once.
    QVERIFY(!(grid.model()->flags(grid.model()->index(23, 0)) & Qt::ItemIsEditable));
    QVERIFY(grid.model()->flags(grid.model()->index(23, 5)) & Qt::ItemIsEditable);
    // Typing into a middle row and Enter appends nothing.
    typeIntoCell(&grid, 3, 2, QStringLiteral("1.5"));
    QCOMPARE(w.sheet().rowCount(), 24);
    QCOMPARE(w.sheet().cell(3, 2), std::string("1.5"));
}

void MainWindowTest::clearKeepsRowsCoefficientsAndMode() {
    Harness h;
    MainWindow& w = h.make();
    typeWorkedExample(h);
    h.click(ctl::计算);
    QCOMPARE(w.text(ctl::断面流量), std::string("37.4"));
    for (int i = 0; i < 10; ++i) {
        w.grid().setCurrentIndex(w.grid().model()->index(w.sheet().rowCount() - 1, 1));
        QTest::keyClick(&w.grid(), Qt::Key_Return);
    }
    QCOMPARE(w.sheet().rowCount(), 30);
    QTest::mouseClick(h.find<QRadioButton>(ctl::测速模式), Qt::LeftButton);
    w.setText(ctl::编辑框当前操作数据, "a.dat");

    h.click(ctl::清空);
    QCOMPARE(w.sheet().rowCount(), 30);
    for (int r = 0; r < 30; ++r) {
        for (int c = 0; c < Sheet::kColumns; ++c) {
            QVERIFY(w.sheet().cell(r, c).empty());
            QVERIFY(w.grid().model()->data(w.grid().model()->index(r, c)).toString().isEmpty());
        }
    }
    for (std::string_view name : ctl::kResultFields) {
        QVERIFY(w.text(name).empty());
    }
    QVERIFY(w.text(ctl::致谢框).empty());
    QVERIFY(w.text(ctl::编辑框当前操作数据).empty());
    QCOMPARE(w.text(ctl::水面系数编辑框), std::string("0.85"));
    QVERIFY(w.isSelected(ctl::测速模式));
    QVERIFY(!h.find(ctl::导出Excel)->isEnabled());
    QVERIFY(!h.find(ctl::打印)->isEnabled());
    QVERIFY(w.grid().model()->flags(w.grid().model()->index(0, 8)) & Qt::ItemIsEditable);
    // The typed measurement was never saved: 清空 asked first.
    QCOMPARE(h.questions.size(), std::size_t(1));
    QCOMPARE(h.questions[0].text,
             std::string("当前的测量数据“a.dat”（含制表数据）还没有保存，清空前是否保存？"));
}

void MainWindowTest::saveClearOpenRestoresInputAndHeader() {
    Harness h;
    MainWindow& w = h.make();
    typeWorkedExample(h);
    typeIntoBox(h.find<QLineEdit>(ctl::计算公式编辑框01), QStringLiteral("0.7"));
    // A header with a Chinese station name, entered in the dialog.
    h.onDialog = [](QDialog& dialog) {
        auto* table = dialog.findChild<QTableWidget*>(QStringLiteral("制表数据表格"));
        QVERIFY(table != nullptr);
        typeIntoCell(table, 1, 1, QStringLiteral("黄河口站"));
        QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("制表完成")),
                          Qt::LeftButton);
    };
    h.click(ctl::更多);
    QCOMPARE(w.measurementHeader().fields().测站名称, std::string("黄河口站"));
    QVERIFY(!std::filesystem::exists(h.folder / "Data" / "snap.dat"));

    const auto file = h.folder / "Text data" / paths::fromUtf8("测量一.dat");
    h.files.push_back(file);
    h.click(ctl::保存);
    QVERIFY(std::filesystem::exists(file));
    QCOMPARE(h.dialogs.back().first, std::string(ctl::通用对话框保存));
    QVERIFY(h.dialogs.back().second.u8string().find(u8"Text data") != std::u8string::npos);
    QCOMPARE(w.text(ctl::编辑框当前操作数据), std::string("测量一.dat"));

    h.click(ctl::清空);
    QVERIFY(w.sheet().cell(1, 1).empty());
    QCOMPARE(w.recordHeader(), std::string(kDefaultRecordHeader));
    typeIntoBox(h.find<QLineEdit>(ctl::计算公式编辑框01), QStringLiteral("0.5"));

    h.files.push_back(file);
    h.click(ctl::打开);
    QCOMPARE(h.dialogs.back().first, std::string(ctl::通用对话框打开));
    for (const Row& row : kWorkedExample) {
        for (const auto& [column, text] : row.cells) {
            QCOMPARE(w.sheet().cell(row.row, column), std::string(text));
        }
    }
    QCOMPARE(w.text(ctl::水面系数编辑框), std::string("0.85"));
    QCOMPARE(w.text(ctl::计算公式编辑框01), std::string("0.7"));
    QCOMPARE(w.text(ctl::编辑框当前操作数据), std::string("测量一.dat"));
    QVERIFY(!h.find(ctl::导出Excel)->isEnabled());
    QCOMPARE(headerField(w.measurementHeader().lines(), 1, 1), std::string("黄河口站"));
    // The dialog shows the carried header again.
    QString station;
    h.onDialog = [&station](QDialog& dialog) {
        station =
            dialog.findChild<QTableWidget*>(QStringLiteral("制表数据表格"))->item(1, 1)->text();
    };
    h.click(ctl::更多);
    QCOMPARE(station, QStringLiteral("黄河口站"));
    // Computing the reopened measurement gives the same discharge as before.
    h.click(ctl::计算);
    QVERIFY(!w.text(ctl::断面流量).empty());
    QVERIFY(h.messages.empty());

    // What is not a measurement is refused with a message that says why, and nothing changes:
    // a text without the 流速仪原始数据 line, an empty file, a binary file.
    const std::string discharge = w.text(ctl::断面流量);
    const std::pair<const char*, std::string> notMeasurements[] = {
        {"notes.dat", "今天天气晴\r\n"},
        {"empty.dat", ""},
        {"binary.dat", std::string("\x89PNG\0\x01", 7)}};
    for (const auto& [name, bytes] : notMeasurements) {
        const auto other = h.folder / name;
        QVERIFY(writeFileAtomic(other, bytes));
        h.files.push_back(other);
        h.click(ctl::打开);
        QCOMPARE(h.messages.size(), std::size_t(1));
        QVERIFY2(h.messages[0].text.find("无法打开“" + std::string(name) +
                                         "”：不是流速仪原始数据文件") == 0,
                 h.messages[0].text.c_str());
        h.messages.clear();
        QCOMPARE(w.text(ctl::编辑框当前操作数据), std::string("测量一.dat"));
        QCOMPARE(w.text(ctl::断面流量), discharge);
    }
}

void MainWindowTest::coefficientFieldsTakeDecimalNumbersOnly() {
    Harness h;
    MainWindow& w = h.make();
    auto* surface = h.find<QLineEdit>(ctl::水面系数编辑框);
    typeIntoBox(surface, QStringLiteral("a0.x9"));
    QCOMPARE(surface->text(), QStringLiteral("0.9"));
    typeIntoBox(surface, QStringLiteral("0.123456"));
    QCOMPARE(surface->text(), QStringLiteral("0.123"));
    auto* factor = h.find<QLineEdit>(ctl::计算公式编辑框01);
    typeIntoBox(factor, QStringLiteral("0.123456789"));
    QCOMPARE(factor->text(), QStringLiteral("0.12345"));
    auto* constant = h.find<QLineEdit>(ctl::计算公式编辑框02);
    typeIntoBox(constant, QStringLiteral("-0.0033"));
    QCOMPARE(constant->text(), QStringLiteral("-0.0033"));
    // A longer text set by a command is shown whole; the limit still binds typing.
    w.setText(ctl::信号转数编辑框, "1234567");
    QCOMPARE(w.text(ctl::信号转数编辑框), std::string("1234567"));
    w.setText(ctl::信号转数编辑框, "20");
    typeIntoBox(h.find<QLineEdit>(ctl::信号转数编辑框), QStringLiteral("1234567"));
    QCOMPARE(w.text(ctl::信号转数编辑框), std::string("12345"));
    // 设为默认 writes the six fields as the defaults.
    h.click(ctl::保存系数);
    const std::string saved = slurp(h.folder / "Data" / "coefficient.dat");
    QVERIFY(saved.ends_with("\r\n0.123,0.7,0.7,12345,0.12345,-0.0033"));
}

void MainWindowTest::menuCommands() {
    Harness h;
    MainWindow& w = h.make();
    QMenu* about = w.menuBar()->findChild<QMenu*>(QStringLiteral("简介"));
    auto trigger = [&](const char* item) {
        about->findChild<QAction*>(QString::fromUtf8(item))->trigger();
    };
    trigger("捐助");
    QCOMPARE(h.messages.size(), std::size_t(1));
    QCOMPARE(h.messages[0].title, std::string("请您捐助："));
    QVERIFY(h.messages[0].text.starts_with(
        "    感谢您使用本软件，如果本软件对您的工作有所帮助请您慷慨解囊，为本软件捐助10元，"
        "我会为您提供更完美的工作体验，谢谢！\n\n"));
    QVERIFY(h.messages[0].text.find("用户指南") != std::string::npos);

    trigger("声明");
    QCOMPARE(h.messages.size(), std::size_t(2));
    QCOMPARE(h.messages[1].title, std::string("声明："));
    QVERIFY(h.messages[1].text.find("复核") != std::string::npos);

    // Without the guide beside the program the user is told so.
    trigger("帮助");
    QCOMPARE(h.messages.size(), std::size_t(3));
    QVERIFY(h.urls.empty());
    std::filesystem::copy_file(std::filesystem::path(TARNELO_SOURCE_DIR) / "docs" / "guide.html",
                               h.folder / "guide.html");
    // With it, the guide opens in the program's own window, with no browser.
    trigger("帮助");
    QVERIFY(h.urls.empty());
    QVERIFY(w.findChild<QWidget*>(QStringLiteral("用户指南"))->isVisible());
}

void MainWindowTest::closingAsksOnlyWhenInputWouldBeLost() {
    Harness h;
    MainWindow& w = h.make();
    // Nothing typed: closes without a question.
    QVERIFY(w.close());
    QVERIFY(h.questions.empty());
    w.show();

    typeIntoCell(&w.grid(), 0, 1, QStringLiteral("0"));
    h.answers.push_back(false);
    QVERIFY(!w.close());
    QCOMPARE(h.questions.size(), std::size_t(1));
    QCOMPARE(h.questions[0].title, std::string("Tarnelo"));
    QVERIFY(w.isVisible());

    // Computing adds no input of its own; saving makes the input safe.
    h.click(ctl::计算);
    h.files.push_back(h.folder / "Text data" / "a.dat");
    h.click(ctl::保存);
    QVERIFY(w.close());
    QCOMPARE(h.questions.size(), std::size_t(1));
    w.show();

    // A changed coefficient or mode counts; a cancelled save does not make it safe.
    typeIntoBox(h.find<QLineEdit>(ctl::岸边系数编辑框01), QStringLiteral("0.8"));
    h.click(ctl::保存);
    h.answers.push_back(false);
    QVERIFY(!w.close());
    QCOMPARE(h.questions.size(), std::size_t(2));

    // Opening a file of another kind changes nothing, so the input is still unsaved (打开
    // asked before its dialog).
    const auto foreign = h.folder / "Text data" / "other.dat";
    std::ofstream(foreign, std::ios::binary) << "not a measurement";
    h.files.push_back(foreign);
    h.click(ctl::打开);
    QCOMPARE(h.questions.size(), std::size_t(3));
    QCOMPARE(w.text(ctl::岸边系数编辑框01), std::string("0.8"));
    h.answers.push_back(false);
    QVERIFY(!w.close());
    QCOMPARE(h.questions.size(), std::size_t(4));
    QCOMPARE(h.questions[3].text,
             std::string("当前的测量数据“a.dat”（含制表数据）还没有保存，退出前是否保存？"));

    // Opening a real file replaces the input: nothing to lose afterwards.
    h.files.push_back(h.folder / "Text data" / "a.dat");
    h.click(ctl::打开);
    QCOMPARE(h.questions.size(), std::size_t(5));
    QCOMPARE(w.sheet().cell(0, 1), std::string("0"));
    QVERIFY(w.close());
    QCOMPARE(h.questions.size(), std::size_t(5));
    w.show();

    // Clear leaves nothing to lose; quitting with "yes" closes.
    typeIntoCell(&w.grid(), 2, 2, QStringLiteral("1"));
    h.click(ctl::清空);
    QCOMPARE(h.questions.size(), std::size_t(6));
    QVERIFY(w.close());
    w.show();
    QTest::mouseClick(h.find<QRadioButton>(ctl::测速模式), Qt::LeftButton);
    h.answers.push_back(true);
    QVERIFY(w.close());
    QCOMPARE(h.questions.size(), std::size_t(7));
}

#include "main_window_test.moc"

int runMainWindowTests(int argc, char** argv) {
    MainWindowTest test;
    return QTest::qExec(&test, argc, argv);
} // Without the mouse: Ctrl+O opens an example, F5 computes it, Ctrl+S saves it; the buttons'
// tooltips name the keys, and a key does nothing while its button is disabled.
void MainWindowTest::keyboardAloneOpensComputesAndSaves() {
    Harness h;
    MainWindow& w = h.make();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QVERIFY(h.find(ctl::计算)->toolTip().startsWith(QStringLiteral("计算（F5）")));
    QCOMPARE(h.find<QPushButton>(ctl::计算)->text(), QStringLiteral("计算(&J)"));
    QCOMPARE(w.text(ctl::计算), std::string("计算"));
    QCOMPARE(w.text(ctl::导出Excel), std::string("导出Excel"));
    QTest::keyClick(&w, Qt::Key_E, Qt::ControlModifier);
    QVERIFY(h.dialogs.empty());

    h.files.push_back(std::filesystem::path(TARNELO_SOURCE_DIR) / "examples" /
                      "vertical-25-verticals.dat");
    QTest::keyClick(&w, Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(h.dialogs.back().first, std::string(ctl::通用对话框打开));
    QCOMPARE(w.text(ctl::编辑框当前操作数据), std::string("vertical-25-verticals.dat"));
    QTest::keyClick(&w, Qt::Key_F5);
    QVERIFY(!w.text(ctl::断面流量).empty());
    QCOMPARE(w.text(ctl::致谢框), std::string("感谢使用!"));
    const auto saved = h.folder / "Text data" / "keys.dat";
    h.files.push_back(saved);
    QTest::keyClick(&w, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(h.dialogs.back().first, std::string(ctl::通用对话框保存));
    QVERIFY(std::filesystem::exists(saved));
    QVERIFY(h.messages.empty());
    // 另存为 proposes the saved file; Alt and the underlined letter presses a button.
    const std::size_t asked = h.dialogs.size();
    QTest::keyClick(&w, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(h.dialogs.size(), asked + 1);
    QCOMPARE(h.dialogs.back().second, saved);
    w.setText(ctl::断面流量, "");
    QTest::keyClick(&w, Qt::Key_J, Qt::AltModifier);
    // The button shows itself pressed for a moment, then clicks.
    QTRY_COMPARE(w.text(ctl::断面流量), std::string("626"));
}
