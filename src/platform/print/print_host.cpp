#include "platform/print/print_host.hpp"

#include "platform/automation/dispatch.hpp"
#include "platform/automation/host_registry.hpp"
#include "platform/print/cups_printer.hpp"
#include "platform/print/page_printer.hpp"
#include "window/program_paths.hpp"

#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

namespace tarnelo {

namespace {

namespace fs = std::filesystem;
using automation::CallKind;
using automation::Dispatch;
using automation::memberIs;
using automation::Outcome;
using automation::Variant;

struct PrintState {
    std::shared_ptr<PagePrinter> printer;
    sys::KeepWaiting keepWaiting;
    bool visible = false;
    bool quit = false;
};

std::optional<HandedOverPrint>& handedOver() {
    static std::optional<HandedOverPrint> last;
    return last;
}

class PrintWorkbook;

class PrintSheets : public automation::Object {
  public:
    explicit PrintSheets(std::shared_ptr<PrintWorkbook> workbook)
        : workbook_(std::move(workbook)) {}
    Outcome invoke(std::string_view member, CallKind kind, std::span<const Variant> args) override;

  private:
    std::shared_ptr<PrintWorkbook> workbook_;
};

class PrintWorkbook : public automation::Object {
  public:
    PrintWorkbook(std::shared_ptr<PrintState> state, fs::path path)
        : state_(std::move(state)), path_(std::move(path)) {}

    Outcome invoke(std::string_view member, CallKind kind, std::span<const Variant> args) override {
        if (state_->quit) {
            return Outcome::fail(std::string(member) + "：打印程序已经退出");
        }
        if (memberIs(member, "Sheets") || memberIs(member, "Worksheets")) {
            auto self = std::static_pointer_cast<PrintWorkbook>(shared_from_this());
            return Outcome::ok(Dispatch(std::make_shared<PrintSheets>(self)));
        }
        if (memberIs(member, "FullName") && kind == CallKind::Get) {
            return Outcome::ok(paths::toUtf8(path_));
        }
        if (memberIs(member, "PrintOut")) {
            return printOut(args);
        }
        return Outcome::fail(std::string(member) + "：打印程序不支持此操作");
    }

    // PrintOut(From, To, Copies, Preview, ActivePrinter, PrintToFile, Collate, PrToFileName).
    Outcome printOut(std::span<const Variant> args) const {
        auto arg = [&](std::size_t i) { return i < args.size() ? args[i] : Variant(); };
        if (path_.empty()) {
            return Outcome::fail("PrintOut：工作簿是空的，没有可打印的内容");
        }
        if (arg(3).isNumber() && arg(3).integer() != 0) {
            return Outcome::fail("PrintOut：打印程序没有打印预览");
        }
        PageRequest request;
        request.workbook = path_;
        request.from = arg(0).isNumber() ? arg(0).integer() : 1;
        request.to = arg(1).isNumber() ? arg(1).integer() : 9999;
        request.printer = arg(4).text();
        request.keepWaiting = state_->keepWaiting;
        if (arg(5).isNumber() && arg(5).integer() != 0) {
            request.file = paths::fromUtf8(arg(7).text());
        }
        const PagesPrinted printed = state_->printer->print(request);
        if (!printed.ok) {
            return Outcome::fail("PrintOut：" + printed.error);
        }
        if (request.file) {
            return Outcome::ok();
        }
        handedOver() = HandedOverPrint{printed.printer, printed.pages, printed.job};
        return Outcome::ok(Variant(static_cast<std::int32_t>(printed.job)));
    }

  private:
    std::shared_ptr<PrintState> state_;
    fs::path path_;
};

Outcome PrintSheets::invoke(std::string_view member, CallKind kind, std::span<const Variant> args) {
    if (memberIs(member, "PrintOut")) {
        return workbook_->printOut(args);
    }
    if (memberIs(member, "Count") && kind == CallKind::Get) {
        return Outcome::ok(Variant(std::int32_t{1}));
    }
    if (memberIs(member, "Item")) {
        if (args.empty() || args[0].integer() != 1) {
            return Outcome::fail("Item：没有这个工作表");
        }
        auto self = std::static_pointer_cast<PrintSheets>(shared_from_this());
        return Outcome::ok(Dispatch(self));
    }
    return Outcome::fail(std::string(member) + "：打印程序不支持此操作");
}

class PrintWorkbooks : public automation::Object {
  public:
    explicit PrintWorkbooks(std::shared_ptr<PrintState> state) : state_(std::move(state)) {}

    Outcome invoke(std::string_view member, CallKind kind, std::span<const Variant> args) override {
        if (state_->quit) {
            return Outcome::fail(std::string(member) + "：打印程序已经退出");
        }
        if (memberIs(member, "Add") && kind == CallKind::Method) {
            return open({});
        }
        if (memberIs(member, "Open") && kind == CallKind::Method) {
            if (args.empty() || !args[0].isText() || args[0].text().empty()) {
                return Outcome::fail("Open：没有给出文件名");
            }
            const fs::path path = paths::fromUtf8(args[0].text());
            std::error_code ec;
            if (!fs::is_regular_file(path, ec)) {
                return Outcome::fail("Open：找不到文件 " + args[0].text());
            }
            return open(path);
        }
        if (memberIs(member, "Close") && kind == CallKind::Method) {
            open_.clear();
            return Outcome::ok();
        }
        if (memberIs(member, "Count") && kind == CallKind::Get) {
            return Outcome::ok(Variant(static_cast<std::int32_t>(open_.size())));
        }
        if (memberIs(member, "Item") && !args.empty()) {
            const auto index = args[0].integer();
            if (index < 1 || static_cast<std::size_t>(index) > open_.size()) {
                return Outcome::fail("Item：没有这个工作簿");
            }
            return Outcome::ok(open_[static_cast<std::size_t>(index - 1)]);
        }
        return Outcome::fail(std::string(member) + "：打印程序不支持此操作");
    }

  private:
    Outcome open(fs::path path) {
        open_.emplace_back(std::make_shared<PrintWorkbook>(state_, std::move(path)));
        return Outcome::ok(open_.back());
    }

    std::shared_ptr<PrintState> state_;
    std::vector<Dispatch> open_;
};

class PrintApplication : public automation::Object {
  public:
    PrintApplication(std::shared_ptr<PagePrinter> printer, sys::KeepWaiting keepWaiting)
        : state_(std::make_shared<PrintState>()),
          workbooks_(std::make_shared<PrintWorkbooks>(state_)) {
        state_->printer = std::move(printer);
        state_->keepWaiting = std::move(keepWaiting);
    }

    bool alive() const override { return !state_->quit; }

    Outcome invoke(std::string_view member, CallKind kind, std::span<const Variant> args) override {
        if (state_->quit) {
            return Outcome::fail(std::string(member) + "：打印程序已经退出");
        }
        if (memberIs(member, "Workbooks") && kind != CallKind::Put) {
            return Outcome::ok(workbooks_);
        }
        if (memberIs(member, "Visible")) {
            if (kind == CallKind::Put && !args.empty()) {
                state_->visible = args.back().integer() != 0;
                return Outcome::ok();
            }
            return Outcome::ok(Variant(state_->visible));
        }
        if (memberIs(member, "ActivePrinter") && kind == CallKind::Get) {
            return Outcome::ok(defaultPrinterName());
        }
        if (memberIs(member, "Quit") && kind == CallKind::Method) {
            state_->quit = true;
            return Outcome::ok();
        }
        return Outcome::fail(std::string(member) + "：打印程序不支持此操作");
    }

  private:
    std::shared_ptr<PrintState> state_;
    Dispatch workbooks_;
};

} // namespace

std::optional<HandedOverPrint> lastHandedOverPrint() {
    return handedOver();
}

Outcome startPrintHost(sys::KeepWaiting keepWaiting) {
    automation::HostFactory standIn = automation::registerHost(kPrintProgId, {});
    automation::registerHost(kPrintProgId, standIn);
    if (standIn) {
        return automation::createObject(kPrintProgId);
    }
    std::shared_ptr<PagePrinter> printer = findPagePrinter();
    if (!printer) {
        return Outcome::fail("无法启动程序：" + std::string(kPrintProgId));
    }
    return Outcome::ok(
        Dispatch(std::make_shared<PrintApplication>(std::move(printer), std::move(keepWaiting))));
}

} // namespace tarnelo
