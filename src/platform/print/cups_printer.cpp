#include "platform/print/cups_printer.hpp"

#if defined(TARNELO_HAVE_CUPS)
#include <cups/cups.h>
#include <dlfcn.h>
#endif

#include "platform/system/child_process.hpp"
#include "platform/system/scratch.hpp"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <type_traits>
#include <unistd.h>

namespace tarnelo {

namespace {

// The print service's own client programs, run as children under a hard time limit: a call
// into the print service library can retry and reconnect far beyond any timeout it is given,
// while a child is simply ended.
std::optional<std::string> client(const char* name) {
    for (const char* folder : {"/usr/bin/", "/bin/", "/usr/local/bin/"}) {
        const std::string path = std::string(folder) + name;
        if (::access(path.c_str(), X_OK) == 0) {
            return path;
        }
    }
    return std::nullopt;
}

struct ClientRun {
    sys::ChildResult result;
    std::string output;
};

ClientRun runClient(const std::vector<std::string>& argv, std::chrono::milliseconds limit,
                    const sys::KeepWaiting& keepWaiting) {
    std::vector<std::string> environment{"LANG=C", "LC_ALL=C"};
    for (const char* name : {"PATH", "HOME", "CUPS_SERVER", "CUPS_USER", "IPP_PORT"}) {
        if (const char* value = std::getenv(name); value != nullptr) {
            environment.push_back(std::string(name) + "=" + value);
        }
    }
    ClientRun run;
    const sys::ScratchFolder folder("tarnelo-lp");
    if (!folder.valid()) {
        return run;
    }
    const std::string output = (folder.path() / "output").string();
    run.result = sys::runChild(argv, environment, limit, output, {keepWaiting, {}});
    std::ifstream in(output, std::ios::binary);
    run.output.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    while (!run.output.empty() && (run.output.back() == '\n' || run.output.back() == ' ')) {
        run.output.pop_back();
    }
    return run;
}

std::string serviceLabel() {
    const char* server = std::getenv("CUPS_SERVER");
    return std::string("打印服务（CUPS") + (server != nullptr ? std::string("，") + server : "") +
           "）";
}

std::string noAnswerText(std::chrono::milliseconds limit) {
    return serviceLabel() + "在 " + std::to_string((limit.count() + 999) / 1000) + " 秒内没有响应";
}

bool notRunning(const std::string& output) {
    return output.find("Connection refused") != std::string::npos ||
           output.find("No such file") != std::string::npos ||
           output.find("Bad file descriptor") != std::string::npos ||
           output.find("scheduler is not running") != std::string::npos ||
           output.find("Unable to connect") != std::string::npos;
}

} // namespace

#if defined(TARNELO_HAVE_CUPS)
namespace {

// The print service's library, loaded the first time it is needed: the client programs answer
// nearly always, and a run that prints nothing should not load it and the thirty libraries it
// brings (a few milliseconds of every start of the program and the command line).
struct CupsLibrary {
    decltype(&::cupsServer) server = nullptr;
    decltype(&::cupsSetServer) setServer = nullptr;
    decltype(&::cupsEncryption) encryption = nullptr;
    decltype(&::ippPort) port = nullptr;
    decltype(&::httpConnect2) connect = nullptr;
    decltype(&::httpSetTimeout) setTimeout = nullptr;
    decltype(&::httpClose) close = nullptr;
    decltype(&::cupsGetDests2) getDests = nullptr;
    decltype(&::cupsGetDest) getDest = nullptr;
    decltype(&::cupsFreeDests) freeDests = nullptr;
    decltype(&::cupsAddOption) addOption = nullptr;
    decltype(&::cupsFreeOptions) freeOptions = nullptr;
    decltype(&::cupsPrintFile2) printFile = nullptr;
    decltype(&::cupsLastError) lastError = nullptr;
    decltype(&::cupsLastErrorString) lastErrorString = nullptr;
};

constexpr const char* kCupsLibrary = "libcups.so.2";

// Why the library could not be loaded, as the dynamic loader said it.
std::string& cupsMissing() {
    static std::string why;
    return why;
}

// The library with every call it is asked for, or nullptr when it is not installed.
const CupsLibrary* cups() {
    static const std::optional<CupsLibrary> loaded = []() -> std::optional<CupsLibrary> {
        void* library = ::dlopen(kCupsLibrary, RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) {
            const char* why = ::dlerror();
            cupsMissing() = why != nullptr ? why : "";
            return std::nullopt;
        }
        CupsLibrary calls;
        bool found = true;
        const auto bind = [&](auto& call, const char* name) {
            call =
                reinterpret_cast<std::remove_reference_t<decltype(call)>>(::dlsym(library, name));
            found = found && call != nullptr;
        };
        bind(calls.server, "cupsServer");
        bind(calls.setServer, "cupsSetServer");
        bind(calls.encryption, "cupsEncryption");
        bind(calls.port, "ippPort");
        bind(calls.connect, "httpConnect2");
        bind(calls.setTimeout, "httpSetTimeout");
        bind(calls.close, "httpClose");
        bind(calls.getDests, "cupsGetDests2");
        bind(calls.getDest, "cupsGetDest");
        bind(calls.freeDests, "cupsFreeDests");
        bind(calls.addOption, "cupsAddOption");
        bind(calls.freeOptions, "cupsFreeOptions");
        bind(calls.printFile, "cupsPrintFile2");
        bind(calls.lastError, "cupsLastError");
        bind(calls.lastErrorString, "cupsLastErrorString");
        if (!found) {
            cupsMissing() = "缺少所需的函数";
        }
        return found ? std::optional<CupsLibrary>(calls) : std::nullopt;
    }();
    return loaded ? &*loaded : nullptr;
}

struct Connection {
    http_t* http = nullptr;
    std::string problem;
    bool timedOut = false;
};

// Gives up a request after the answer limit: CUPS calls this when it has waited that long.
int giveUp(http_t* /*http*/, void* data) {
    static_cast<Connection*>(data)->timedOut = true;
    return 0;
}

std::string serviceName() {
    return std::string("打印服务（CUPS，") + cups()->server() + "）";
}

// A connection to the print service, or why there is none.
std::unique_ptr<Connection, void (*)(Connection*)> connect(const PrintServiceLimits& limits) {
    std::unique_ptr<Connection, void (*)(Connection*)> c(new Connection, [](Connection* done) {
        if (done->http != nullptr) {
            cups()->close(done->http);
        }
        delete done;
    });
    const CupsLibrary* calls = cups();
    if (calls == nullptr) {
        const std::string& why = cupsMissing();
        c->problem = std::string("无法载入打印服务的程序库 ") + kCupsLibrary +
                     (why.empty() ? "" : "（" + why + "）") + "，无法连接打印服务";
        return c;
    }
    // Read CUPS_SERVER and client.conf afresh, as a new process would.
    calls->setServer(nullptr);
    c->http =
        calls->connect(calls->server(), calls->port(), nullptr, AF_UNSPEC, calls->encryption(), 1,
                       static_cast<int>(limits.connect.count()), nullptr);
    if (c->http == nullptr) {
        c->problem = serviceName() + "没有运行，或无法连接";
        return c;
    }
    calls->setTimeout(c->http, static_cast<double>(limits.answer.count()) / 1000.0, giveUp,
                      c.get());
    return c;
}

std::string noAnswer(const PrintServiceLimits& limits) {
    return serviceName() + "在 " + std::to_string(limits.answer.count() / 1000) + " 秒内没有响应";
}

} // namespace
#endif

PrinterLookup findDefaultPrinter(PrintServiceLimits limits) {
    if (const auto lpstat = client("lpstat")) {
        // -r first: without it lpstat says "no system default destination" also when the
        // scheduler cannot be reached.
        const ClientRun run =
            runClient({*lpstat, "-r", "-d"}, limits.connect + limits.answer, limits.keepWaiting);
        switch (run.result.status) {
        case sys::ChildResult::Status::TimedOut:
            return {{}, noAnswerText(limits.connect + limits.answer)};
        case sys::ChildResult::Status::Interrupted:
            return {{}, "打印已中断"};
        case sys::ChildResult::Status::CouldNotRun:
            return {{}, "无法运行打印服务的客户程序 lpstat"};
        case sys::ChildResult::Status::Exited:
            break;
        }
        if (notRunning(run.output)) {
            return {{}, serviceLabel() + "没有运行，或无法连接"};
        }
        constexpr std::string_view kDefault = "system default destination: ";
        if (const auto at = run.output.find(kDefault); at != std::string::npos) {
            const std::string rest = run.output.substr(at + kDefault.size());
            return {rest.substr(0, rest.find_first_of("\r\n")), {}};
        }
        return {};
    }
#if defined(TARNELO_HAVE_CUPS)
    auto c = connect(limits);
    if (c->http == nullptr) {
        return {{}, c->problem};
    }
    const CupsLibrary& calls = *cups();
    cups_dest_t* dests = nullptr;
    const int count = calls.getDests(c->http, &dests);
    PrinterLookup lookup;
    if (const cups_dest_t* dest = calls.getDest(nullptr, nullptr, count, dests); dest != nullptr) {
        lookup.name = dest->name;
    } else if (c->timedOut) {
        lookup.problem = noAnswer(limits);
    }
    calls.freeDests(count, dests);
    return lookup;
#else
    (void)limits;
    return {{}, "此版本不支持打印（未连接 CUPS）"};
#endif
}

std::string printerRefusal(const std::string& printer, PrintServiceLimits limits) {
    const auto lpstat = client("lpstat");
    if (!lpstat || printer.empty()) {
        return {};
    }
    const ClientRun run =
        runClient({*lpstat, "-a", printer}, limits.connect + limits.answer, limits.keepWaiting);
    if (run.result.status != sys::ChildResult::Status::Exited ||
        run.output.find(printer + " not accepting requests") == std::string::npos) {
        return {};
    }
    return "打印机“" + printer + "”拒绝了打印任务（打印服务设置为不接受新任务），记载表没有打印。";
}

std::string noPrinterText() {
    return "这台计算机还没有设置打印机，记载表没有打印。\n"
           "请先添加打印机：在系统设置 > 打印机中添加，或在浏览器中打开打印服务（CUPS）的"
           "管理页 http://localhost:631 添加；添加后再打印。";
}

std::string defaultPrinterName() {
    return findDefaultPrinter().name;
}

PrintJobResult printPdfPages(const std::string& printer, const std::filesystem::path& pdf,
                             int firstPage, int lastPage, const std::string& title,
                             PrintServiceLimits limits) {
    if (const auto lp = client("lp")) {
        const auto limit = limits.connect + limits.answer;
        const ClientRun run = runClient({*lp, "-d", printer, "-n", "1", "-P",
                                         std::to_string(firstPage) + "-" + std::to_string(lastPage),
                                         "-t", title, "--", pdf.string()},
                                        limit, limits.keepWaiting);
        switch (run.result.status) {
        case sys::ChildResult::Status::TimedOut:
            return {false, 0, noAnswerText(limit)};
        case sys::ChildResult::Status::Interrupted:
            return {false, 0, "打印已中断"};
        case sys::ChildResult::Status::CouldNotRun:
            return {false, 0, "无法运行打印服务的客户程序 lp"};
        case sys::ChildResult::Status::Exited:
            break;
        }
        // "request id is PRINTER-12 (1 file(s))"
        constexpr std::string_view kRequest = "request id is ";
        if (run.result.exitCode == 0) {
            int job = 0;
            if (const auto at = run.output.find(kRequest); at != std::string::npos) {
                const auto dash = run.output.rfind('-', run.output.find(' ', at + kRequest.size()));
                job = dash == std::string::npos ? 0 : std::atoi(run.output.c_str() + dash + 1);
            }
            return {true, job, {}};
        }
        std::string why = "打印服务没有接受打印任务";
        if (notRunning(run.output)) {
            why = serviceLabel() + "没有运行，或无法连接";
        } else if (run.output.find("not accepting") != std::string::npos) {
            why = "打印机“" + printer + "”不接受打印任务";
        } else if (run.output.find("does not exist") != std::string::npos ||
                   run.output.find("not found") != std::string::npos) {
            why = "找不到打印机“" + printer + "”";
        } else if (run.output.find("Forbidden") != std::string::npos ||
                   run.output.find("not authorized") != std::string::npos) {
            why = "没有在打印机“" + printer + "”上打印的权限";
        }
        return {false, 0, why + (run.output.empty() ? "" : "（" + run.output + "）")};
    }
#if defined(TARNELO_HAVE_CUPS)
    auto c = connect(limits);
    if (c->http == nullptr) {
        return {false, 0, c->problem};
    }
    const CupsLibrary& calls = *cups();
    cups_option_t* options = nullptr;
    int count = 0;
    const std::string ranges = std::to_string(firstPage) + "-" + std::to_string(lastPage);
    count = calls.addOption("page-ranges", ranges.c_str(), count, &options);
    count = calls.addOption("copies", "1", count, &options);
    const int job =
        calls.printFile(c->http, printer.c_str(), pdf.c_str(), title.c_str(), count, options);
    calls.freeOptions(count, options);
    if (job != 0) {
        return {true, job, {}};
    }
    if (c->timedOut) {
        return {false, 0, noAnswer(limits)};
    }
    const ipp_status_t status = calls.lastError();
    const std::string words = calls.lastErrorString() != nullptr ? calls.lastErrorString() : "";
    std::string why;
    switch (status) {
    case IPP_STATUS_ERROR_NOT_ACCEPTING_JOBS:
        why = "打印机“" + printer + "”不接受打印任务";
        break;
    case IPP_STATUS_ERROR_NOT_FOUND:
        why = "找不到打印机“" + printer + "”";
        break;
    case IPP_STATUS_ERROR_NOT_AUTHORIZED:
    case IPP_STATUS_ERROR_FORBIDDEN:
        why = "没有在打印机“" + printer + "”上打印的权限";
        break;
    case IPP_STATUS_ERROR_SERVICE_UNAVAILABLE:
        why = serviceName() + "暂时无法使用";
        break;
    default:
        why = "打印服务没有接受打印任务";
        break;
    }
    return {false, 0, why + (words.empty() ? "" : "（" + words + "）")};
#else
    (void)printer;
    (void)pdf;
    (void)firstPage;
    (void)lastPage;
    (void)title;
    (void)limits;
    return {false, 0, "此版本不支持打印（未连接 CUPS）"};
#endif
}

} // namespace tarnelo
