#include "platform/print/spreadsheet_print.hpp"

#include "measure/numtext.hpp"
#include "platform/automation/system_objects.hpp"
#include "platform/system/child_process.hpp"
#include "window/program_paths.hpp"

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace tarnelo {

namespace {

namespace fs = std::filesystem;
using automation::Dispatch;
using automation::Variant;

struct Conversation {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    PagesPrinted result;
};

PagesPrinted converse(const SpreadsheetProgram& program, const ProgramStarter& start,
                      const fs::path& workbook, int from, int to) {
    using automation::call;
    using automation::get;
    using automation::put;
    const automation::SystemObjectThread apartment;
    const auto failed = [&](std::string_view step, const std::string& error) {
        PagesPrinted result;
        result.error = "用 " + std::string(program.name) + " 打印记载表时，“" + std::string(step) +
                       "”一步出错：" + error;
        return result;
    };
    const automation::Outcome started = start(program.progId);
    Dispatch application = started.object();
    if (!application) {
        return failed("启动程序", started.error);
    }
    // No dialog of the program may wait for an answer that nobody at the window can give.
    put(application, "DisplayAlerts", {Variant(false)});
    PagesPrinted result;
    automation::Outcome opened = get(application, "Workbooks");
    Dispatch books = opened.object();
    if (books) {
        opened = call(books, "Open",
                      {Variant(paths::toUtf8(fs::path(workbook).make_preferred())),
                       Variant(std::int32_t{0}), Variant(true)});
    }
    Dispatch book = opened.object();
    if (!book) {
        result = failed("打开记载表", opened.error);
    } else {
        const automation::Outcome printed = call(
            book, "PrintOut",
            {Variant(std::int32_t{from}), Variant(std::int32_t{to}), Variant(std::int32_t{1})});
        if (!printed.error.empty()) {
            result = failed("打印", printed.error);
        } else {
            result.ok = true;
            result.pages = std::max(to - from + 1, 0);
        }
        const automation::Outcome closed = call(book, "Close", {Variant(false)});
        if (result.ok && !closed.error.empty()) {
            result = failed("关闭记载表", closed.error);
        }
    }
    book.release();
    books.release();
    // The pages are with the printer by now; a program that will not quit does not undo that.
    call(application, "Quit");
    application.release();
    return result;
}

} // namespace

PagesPrinted printWithSpreadsheetProgram(const SpreadsheetProgram& program,
                                         const ProgramStarter& start, const fs::path& workbook,
                                         int from, int to, std::chrono::milliseconds limit,
                                         const sys::KeepWaiting& keepWaiting) {
    const sys::Waiting waiting{keepWaiting, std::string(program.name) + " 打印记载表"};
    auto conversation = std::make_shared<Conversation>();
    std::thread worker([conversation, program, start, workbook, from, to] {
        PagesPrinted result = converse(program, start, workbook, from, to);
        std::lock_guard lock(conversation->mutex);
        conversation->result = std::move(result);
        conversation->done = true;
        conversation->finished.notify_all();
    });
    const auto deadline = std::chrono::steady_clock::now() + limit;
    bool cancelled = false;
    std::unique_lock lock(conversation->mutex);
    while (!conversation->done && !cancelled && std::chrono::steady_clock::now() < deadline) {
        conversation->finished.wait_for(lock, std::chrono::milliseconds(50));
        if (!conversation->done) {
            lock.unlock();
            cancelled = !waiting.goOn();
            lock.lock();
        }
    }
    if (conversation->done) {
        lock.unlock();
        worker.join();
        return conversation->result;
    }
    lock.unlock();
    // The program may still answer later; the conversation then ends on its own thread.
    worker.detach();
    PagesPrinted result;
    const std::string name(program.name);
    if (cancelled) {
        result.error = "已停止等待 " + name + "，记载表可能没有打印。";
    } else {
        const double seconds = std::chrono::duration<double>(limit).count();
        result.error = name + " 在 " + num::plainText(seconds) +
                       " 秒内没有打印完记载表，已放弃等待。请看看它是否弹出了对话框，"
                       "或在任务管理器中结束它后再试。";
    }
    return result;
}

} // namespace tarnelo
