// Printing through the user's spreadsheet program: the conversation with its application
// object, each failing step named with the program, and the time limit.
#include "platform/print/spreadsheet_print.hpp"

#include "platform/system/child_process.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tarnelo {
namespace {

using automation::CallKind;
using automation::Dispatch;
using automation::Outcome;
using automation::Variant;

// A spreadsheet program that records every call (made on the printing thread) and can be told
// to refuse one member or to hold PrintOut until released.
struct Program : automation::Object {
    std::mutex mutex;
    std::vector<std::string> calls;
    std::string refuse;
    bool hold = false;
    bool released = false;
    std::condition_variable release;

    Outcome invoke(std::string_view member, CallKind kind, std::span<const Variant> args) override {
        {
            std::lock_guard lock(mutex);
            std::string entry(member);
            entry += kind == CallKind::Put ? "=" : "";
            for (const auto& a : args) {
                entry += " " + automation::displayText(a);
            }
            calls.push_back(entry);
        }
        if (member == refuse) {
            return Outcome::fail(std::string(member) + "：文件已损坏");
        }
        if (member == "PrintOut" && hold) {
            std::unique_lock lock(mutex);
            release.wait(lock, [this] { return released; });
        }
        return Outcome::ok(Dispatch(shared_from_this()));
    }

    std::vector<std::string> log() {
        std::lock_guard lock(mutex);
        return calls;
    }
};

constexpr SpreadsheetProgram kExcel{"Excel.Application", "Microsoft Excel"};

PagesPrinted printWith(const std::shared_ptr<Program>& program,
                       std::chrono::milliseconds limit = std::chrono::seconds(30),
                       const sys::KeepWaiting& keepWaiting = {}) {
    const ProgramStarter start = [program](std::string_view progId) {
        EXPECT_EQ(progId, "Excel.Application");
        return automation::Outcome::ok(Dispatch(program));
    };
    return printWithSpreadsheetProgram(kExcel, start, "form.xlsx", 1, 2, limit, keepWaiting);
}

TEST(SpreadsheetPrint, OpensReadOnlyPrintsThePagesClosesWithoutSavingAndQuits) {
    auto program = std::make_shared<Program>();
    const PagesPrinted printed = printWith(program);
    EXPECT_TRUE(printed.ok) << printed.error;
    EXPECT_EQ(printed.pages, 2);
    const std::vector<std::string> expected{"DisplayAlerts= FALSE",  "Workbooks",
                                            "Open form.xlsx 0 TRUE", "PrintOut 1 2 1",
                                            "Close FALSE",           "Quit"};
    EXPECT_EQ(program->log(), expected);
}

TEST(SpreadsheetPrint, AFailingStepIsNamedWithTheProgramAndEverythingIsStillClosed) {
    auto broken = std::make_shared<Program>();
    broken->refuse = "Open";
    PagesPrinted printed = printWith(broken);
    EXPECT_FALSE(printed.ok);
    EXPECT_EQ(printed.error,
              "用 Microsoft Excel 打印记载表时，“打开记载表”一步出错：Open：文件已损坏");
    EXPECT_EQ(broken->log().back(), "Quit");

    auto jammed = std::make_shared<Program>();
    jammed->refuse = "PrintOut";
    printed = printWith(jammed);
    EXPECT_NE(printed.error.find("“打印”一步出错：PrintOut：文件已损坏"), std::string::npos);
    const auto log = jammed->log();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2], "Close FALSE");
    EXPECT_EQ(log.back(), "Quit");

    const ProgramStarter absent = [](std::string_view) {
        return automation::Outcome::fail("Excel.Application：没有安装（系统中没有注册这个程序）");
    };
    printed = printWithSpreadsheetProgram(kExcel, absent, "form.xlsx", 1, 1,
                                          std::chrono::seconds(30), {});
    EXPECT_EQ(printed.error, "用 Microsoft Excel 打印记载表时，“启动程序”一步出错："
                             "Excel.Application：没有安装（系统中没有注册这个程序）");
}

TEST(SpreadsheetPrint, AProgramThatDoesNotAnswerIsGivenUpOnAndTheWaitCanBeCancelled) {
    auto stuck = std::make_shared<Program>();
    stuck->hold = true;
    const auto releaseIt = [&] {
        std::lock_guard lock(stuck->mutex);
        stuck->released = true;
        stuck->release.notify_all();
    };
    PagesPrinted printed = printWith(stuck, std::chrono::milliseconds(300));
    EXPECT_FALSE(printed.ok);
    EXPECT_EQ(printed.error, "Microsoft Excel 在 0.3 秒内没有打印完记载表，已放弃等待。"
                             "请看看它是否弹出了对话框，或在任务管理器中结束它后再试。");
    releaseIt();
    // The abandoned conversation still ends on its own thread, with the program quit.
    for (int i = 0; i < 200 && stuck->log().back() != "Quit"; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(stuck->log().back(), "Quit");

    // The window's keepWaiting (the user closing the window) ends the wait at once; it is told
    // which program is waited for.
    auto waiting = std::make_shared<Program>();
    waiting->hold = true;
    std::atomic<int> asked{0};
    std::string subject;
    printed = printWith(waiting, std::chrono::seconds(60), [&](const std::string& about) {
        subject = about;
        return ++asked < 3;
    });
    EXPECT_EQ(subject, "Microsoft Excel 打印记载表");
    EXPECT_EQ(printed.error, "已停止等待 Microsoft Excel，记载表可能没有打印。");
    {
        std::lock_guard lock(waiting->mutex);
        waiting->released = true;
        waiting->release.notify_all();
    }
    for (int i = 0; i < 200 && waiting->log().back() != "Quit"; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

} // namespace
} // namespace tarnelo
