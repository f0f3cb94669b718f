// The open measurement as a document: edits as steps of one history, the computation kept and
// found outdated by the input alone, what counts as saved, and what the views are told.
#include "document/document.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace tarnelo {
namespace {

// The field manual's worked example, typed in 垂线模式.
void typeWorkedExample(Document& document) {
    const char* rows[5][5] = {{"0", "0", "", "", ""},
                              {"5", "1.2", "0.6", "10", "100"},
                              {"10", "1.8", "0.6", "15", "110"},
                              {"15", "1.5", "0.0", "20", "105"},
                              {"20", "0", "", "", ""}};
    const int columns[5] = {col::起点距, col::水深, col::相对, col::N, col::T};
    std::vector<CellText> cells;
    for (int r = 0; r < 5; ++r) {
        for (int k = 0; k < 5; ++k) {
            cells.push_back({r, columns[k], rows[r][k]});
        }
    }
    document.setCells(cells, edits::kPaste);
}

TEST(Document, EveryEditIsOneStepThatUndoAndRedoTakeBackExactly) {
    Document document;
    EXPECT_EQ(document.gauging().rows.size(), 20U);
    EXPECT_FALSE(document.canUndo());
    EXPECT_FALSE(document.setCell(0, col::起点距, "")) << "nothing changed, nothing kept";

    typeWorkedExample(document);
    EXPECT_EQ(document.undoName(), edits::kPaste);
    ASSERT_TRUE(document.setCell(2, col::水深, "1.9"));
    ASSERT_TRUE(document.setCoefficient(coef::水面系数, "0.7"));
    ASSERT_TRUE(document.insertRows(1, 2));
    EXPECT_EQ(document.gauging().rows[3].distance, "5");
    ASSERT_TRUE(document.setMode(EntryMode::Velocity));
    const Gauging edited = document.gauging();

    ASSERT_TRUE(document.undo());
    EXPECT_EQ(document.gauging().mode, EntryMode::Vertical);
    ASSERT_TRUE(document.undo());
    EXPECT_EQ(document.gauging().rows[1].distance, "5");
    ASSERT_TRUE(document.undo());
    EXPECT_EQ(document.gauging().coefficient(coef::水面系数), "0.6");
    EXPECT_EQ(document.redoName(), edits::kCoefficient);
    ASSERT_TRUE(document.undo());
    EXPECT_EQ(document.gauging().rows[2].depth, "1.8");
    ASSERT_TRUE(document.undo());
    EXPECT_EQ(document.gauging(), Document().gauging()) << "one paste is one step";
    EXPECT_FALSE(document.undo());

    while (document.redo()) {
    }
    EXPECT_EQ(document.gauging(), edited);

    // A new step drops what was undone; removing rows keeps the least number of rows.
    document.undo();
    ASSERT_TRUE(document.removeRows(0, 30));
    EXPECT_FALSE(document.canRedo());
    EXPECT_EQ(document.gauging().rows.size(), 20U);
    EXPECT_EQ(document.gauging().rows[0], GaugingRow{});
    document.undo();
    EXPECT_EQ(document.gauging().rows.size(), 22U);
    EXPECT_EQ(document.gauging().rows[3].distance, "5");
}

TEST(Document, TheComputationIsKeptAndOutdatedOnlyWhileTheInputDiffers) {
    Document document;
    typeWorkedExample(document);
    EXPECT_EQ(document.computation(), nullptr);
    EXPECT_FALSE(document.current());

    const Computation& computation = document.compute();
    ASSERT_TRUE(computation.computed()) << computation.message;
    EXPECT_TRUE(document.current());
    EXPECT_EQ(document.undoName(), edits::kCompute);
    // 垂线模式 writes the point velocities it computed into the column 测速模式 types.
    EXPECT_EQ(document.gauging().rows[1].velocity, computation.table.cell(1, col::测点流速));
    EXPECT_FALSE(document.gauging().rows[1].velocity.empty());

    document.setCell(1, col::N, "11");
    EXPECT_FALSE(document.current());
    EXPECT_NE(document.computation(), nullptr) << "outdated figures are still shown";
    document.setCell(1, col::N, "10");
    EXPECT_TRUE(document.current()) << "typed back as it was computed";
    document.setCell(40, col::测点流速, "1.0");
    EXPECT_TRUE(document.current()) << "a column the mode does not type is no input";

    document.setThreePointRule(ThreePointRule::Iso748);
    EXPECT_FALSE(document.current());
    document.setThreePointRule(ThreePointRule::Equal);
    EXPECT_TRUE(document.current());

    // Undo of 计算 brings back the state before it: nothing computed.
    while (document.undoName() != edits::kCompute) {
        document.undo();
    }
    document.undo();
    EXPECT_EQ(document.computation(), nullptr);
    EXPECT_TRUE(document.gauging().rows[1].velocity.empty());
    document.redo();
    EXPECT_TRUE(document.current());

    // 清空 drops it, as one step.
    ASSERT_TRUE(document.clear());
    EXPECT_EQ(document.computation(), nullptr);
    document.undo();
    EXPECT_TRUE(document.current());

    // Input that scores short is kept as a computation that did not compute.
    document.setCell(1, col::T, "");
    EXPECT_FALSE(document.compute().computed());
    EXPECT_TRUE(document.current());
}

TEST(Document, TheComputedCellsMoveWithTheirRowsAndComeBackWithUndo) {
    Document document;
    typeWorkedExample(document);
    EXPECT_TRUE(document.computedTexts(1)[col::部分流量].empty());
    const Computation& computation = document.compute();
    ASSERT_TRUE(computation.computed()) << computation.message;
    // What the sheet shows of the computation, typed columns left to the gauging.
    const RowTexts second = document.computedTexts(1);
    EXPECT_EQ(second[col::平均流速], computation.table.cell(1, col::平均流速));
    EXPECT_EQ(second[col::测点深], computation.table.cell(1, col::测点深));
    EXPECT_FALSE(second[col::总转数].empty());
    EXPECT_TRUE(second[col::N].empty());
    EXPECT_TRUE(second[col::测点流速].empty());
    EXPECT_TRUE(document.computedTexts(-1)[col::号数].empty());
    EXPECT_TRUE(document.computedTexts(500)[col::号数].empty());

    // Rows inserted or removed take their computed cells along; typing leaves them (outdated).
    ASSERT_TRUE(document.insertRows(1, 2));
    EXPECT_EQ(document.computedTexts(3), second);
    EXPECT_EQ(document.computedTexts(1), RowTexts{});
    ASSERT_TRUE(document.setCell(3, col::N, "12"));
    EXPECT_EQ(document.computedTexts(3), second);
    ASSERT_TRUE(document.removeRows(0, 3));
    EXPECT_EQ(document.computedTexts(0), second);
    document.undo();
    document.undo();
    EXPECT_EQ(document.computedTexts(3), second);
    document.undo();
    EXPECT_EQ(document.computedTexts(1), second);

    // Undo of 计算 takes them back, redo brings them again without computing.
    document.undo();
    EXPECT_EQ(document.computedTexts(1), RowTexts{});
    document.redo();
    EXPECT_EQ(document.computedTexts(1), second);

    // A computation that does not compute empties them; 清空 and 打开 too.
    document.setCell(1, col::T, "");
    ASSERT_FALSE(document.compute().computed());
    EXPECT_EQ(document.computedTexts(1), RowTexts{});
    document.undo();
    document.undo();
    EXPECT_EQ(document.computedTexts(1), second);
    ASSERT_TRUE(document.clear());
    EXPECT_EQ(document.computedTexts(1), RowTexts{});
    document.undo();
    EXPECT_EQ(document.computedTexts(1), second);
    document.open(document.gauging(), {}, {});
    EXPECT_EQ(document.computedTexts(1), RowTexts{});
}

TEST(Document, AViewLearnsWhichRowsMoved) {
    Document document;
    typeWorkedExample(document);
    const auto rows = [&document] {
        const RowsChange& change = document.rowsChange();
        return std::vector<int>{change.first, change.before, change.after};
    };

    // A typed cell replaces its row; inserted and removed rows show as rows gained or lost
    // where they went (empty rows among empty rows may show anywhere among them).
    ASSERT_TRUE(document.setCell(2, col::水深, "1.9"));
    EXPECT_EQ(rows(), (std::vector<int>{2, 1, 1}));
    ASSERT_TRUE(document.insertRows(1, 2));
    EXPECT_EQ(rows(), (std::vector<int>{1, 0, 2}));
    ASSERT_TRUE(document.undo());
    EXPECT_EQ(rows(), (std::vector<int>{1, 2, 0}));
    ASSERT_TRUE(document.redo());
    EXPECT_EQ(rows(), (std::vector<int>{1, 0, 2}));
    ASSERT_TRUE(document.removeRows(1, 2));
    EXPECT_EQ(rows(), (std::vector<int>{1, 2, 0}));
    // Rows taken whole.
    document.open(document.gauging(), {}, {});
    EXPECT_EQ(rows(), (std::vector<int>{0, 0, 0}));
}

TEST(Document, AComputationMayFirstDropWhatTheLastOneWrote) {
    Document document;
    typeWorkedExample(document);
    ASSERT_TRUE(document.compute().computed());
    const std::string velocity = document.gauging().rows[2].velocity;
    ASSERT_FALSE(velocity.empty());
    ASSERT_TRUE(document.setCell(2, col::N, ""));
    ASSERT_TRUE(document.setCell(2, col::T, ""));
    // Without N and T the vertical is short, unless its old velocity counted as typed.
    const Computation& computation = document.compute({}, [](Gauging& gauging) {
        for (GaugingRow& row : gauging.rows) {
            if (row.signalCount.empty() || row.seconds.empty()) {
                row.velocity.clear();
            }
        }
    });
    EXPECT_TRUE(document.lastRun()->input.rows[2].velocity.empty() || !computation.computed());
    EXPECT_EQ(document.undoName(), edits::kCompute);
    ASSERT_TRUE(document.undo());
    EXPECT_EQ(document.gauging().rows[2].velocity, velocity) << "one step with the computation";
}

TEST(Document, SavedIsWhatOpeningOrSavingLeftAndObserversAreToldOfEachChange) {
    Document document;
    std::vector<unsigned> told;
    const int id = document.observe([&](unsigned changes) { told.push_back(changes); });
    EXPECT_TRUE(document.saved());
    EXPECT_TRUE(document.isNew());

    Gauging opened;
    opened.rows = {{"0", "0", "", "", "", ""}, {"4", "1", "0.6", "8", "100", ""}};
    document.open(opened, MeasurementHeader::fromBytes("a,b\r\n"), "/m/1.dat");
    EXPECT_EQ(document.file(), "/m/1.dat");
    EXPECT_EQ(document.gauging().rows.size(), 20U);
    EXPECT_TRUE(document.saved());
    EXPECT_FALSE(document.canUndo()) << "a new history";
    ASSERT_EQ(told.size(), 1U);
    EXPECT_EQ(told.back(), change::kAll);

    document.setCell(1, col::N, "9");
    EXPECT_FALSE(document.saved());
    EXPECT_TRUE(told.back() & change::kInput);
    EXPECT_FALSE(told.back() & change::kHeader);
    document.undo();
    EXPECT_TRUE(document.saved());

    HeaderFields fields = document.header().fields();
    fields.施测号数 = "12";
    document.setHeader(fields);
    EXPECT_FALSE(document.saved());
    EXPECT_TRUE(told.back() & change::kHeader);
    EXPECT_FALSE(told.back() & change::kInput);
    document.markSaved("/m/2.dat");
    EXPECT_TRUE(document.saved());
    EXPECT_EQ(told.back(), change::kFile);
    EXPECT_EQ(document.savedGauging().headerPart.substr(0, 4), "a,b,");

    // A header part handed over whole keeps the bytes beyond its fields, as one undoable step.
    const std::string part = "s,*\r\n*\r\n*\r\n*\r\nextra";
    EXPECT_TRUE(document.replaceHeader(MeasurementHeader::fromBytes(part)));
    EXPECT_FALSE(document.saved());
    EXPECT_EQ(document.undoName(), edits::kHeader);
    EXPECT_EQ(document.header().bytes(), part);
    EXPECT_FALSE(document.replaceHeader(MeasurementHeader::fromBytes(part)));
    document.undo();
    EXPECT_TRUE(document.saved());
    EXPECT_EQ(document.header().fields().施测号数, "12");

    document.forget(id);
    const std::size_t count = told.size();
    document.setCell(0, col::水深, "0.1");
    EXPECT_EQ(told.size(), count);
}

// A measurement from a store remembers the store, the gauging and the revision; saving it
// there again moves the revision on, and a file or a new measurement forgets the store.
TEST(Document, AStoresGaugingIsItsSourceUntilAFileOrANewMeasurementTakesItsPlace) {
    Document document;
    Gauging read;
    read.rows = {{"0", "0", "", "", "", ""}, {"4", "1", "0.6", "8", "100", ""}};
    const StoredSource source{"/s/站.sqlite", "/s/站.sqlite", "g1", 3};
    document.openStored(read, MeasurementHeader::fromBytes("a,b\r\n"), source);
    ASSERT_TRUE(document.stored());
    EXPECT_EQ(*document.stored(), source);
    EXPECT_TRUE(document.file().empty());
    EXPECT_FALSE(document.isNew());
    EXPECT_TRUE(document.saved());
    EXPECT_FALSE(document.canUndo());

    document.setCell(1, col::N, "9");
    EXPECT_FALSE(document.saved());
    // Reading the header without changing it leaves the source and its revision as they were.
    document.markUnchanged();
    EXPECT_TRUE(document.saved());
    EXPECT_EQ(document.stored()->revision, 3);
    document.setCell(1, col::N, "10");
    StoredSource next = source;
    next.revision = 4;
    document.markStored(next);
    EXPECT_TRUE(document.saved());
    EXPECT_EQ(document.stored()->revision, 4);
    EXPECT_TRUE(document.canUndo()) << "saving keeps the history";

    document.markSaved("/m/g1.dat");
    EXPECT_FALSE(document.stored());
    EXPECT_EQ(document.file(), "/m/g1.dat");
    document.openStored(read, MeasurementHeader::fromBytes("a,b\r\n"), source);
    document.open(read, MeasurementHeader::fromBytes("a,b\r\n"), {});
    EXPECT_FALSE(document.stored());
    EXPECT_TRUE(document.isNew());
}

} // namespace
} // namespace tarnelo
