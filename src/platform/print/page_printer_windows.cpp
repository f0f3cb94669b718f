// The pages on Windows: the user's spreadsheet program prints them, driven through COM (Excel,
// then WPS); where neither is installed, LibreOffice prints them from its command line. The
// first that starts prints; the default printer is the system's.
#include "measure/numtext.hpp"
#include "platform/automation/system_objects.hpp"
#include "platform/print/cups_printer.hpp"
#include "platform/print/page_printer.hpp"
#include "platform/print/spreadsheet_print.hpp"
#include "platform/system/child_process.hpp"
#include "platform/system/scratch.hpp"
#include "window/program_paths.hpp"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <optional>
#include <system_error>
#include <vector>

#include <windows.h>
#include <winspool.h>

namespace tarnelo {

namespace {

namespace fs = std::filesystem;

// Opening the form, printing two pages and closing takes a spreadsheet program seconds; a
// first start of Excel after log-on can take a minute. 经验值.
constexpr std::chrono::seconds kPrintLimit{120};

std::optional<std::wstring> variable(const wchar_t* name) {
    const wchar_t* value = ::_wgetenv(name);
    if (value == nullptr) {
        return std::nullopt;
    }
    return std::wstring(value);
}

std::optional<std::wstring> registryText(HKEY root, const wchar_t* key, const wchar_t* value) {
    DWORD bytes = 0;
    if (::RegGetValueW(root, key, value, RRF_RT_REG_SZ, nullptr, nullptr, &bytes) !=
            ERROR_SUCCESS ||
        bytes < sizeof(wchar_t)) {
        return std::nullopt;
    }
    std::wstring text(bytes / sizeof(wchar_t), L'\0');
    if (::RegGetValueW(root, key, value, RRF_RT_REG_SZ, nullptr, text.data(), &bytes) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    text.resize(::wcsnlen(text.c_str(), text.size()));
    return text;
}

bool isFile(const fs::path& path) {
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(path, ec);
}

// LibreOffice's soffice.exe: TARNELO_SOFFICE when set (empty: none), else where the registry
// or Program Files has it.
std::optional<fs::path> findSoffice() {
    if (const auto forced = variable(L"TARNELO_SOFFICE")) {
        return isFile(*forced) ? std::optional<fs::path>(*forced) : std::nullopt;
    }
    std::vector<fs::path> candidates;
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        if (const auto path = registryText(
                root, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\soffice.exe",
                nullptr)) {
            candidates.emplace_back(*path);
        }
        if (const auto folder =
                registryText(root, L"SOFTWARE\\LibreOffice\\UNO\\InstallPath", nullptr)) {
            candidates.push_back(fs::path(*folder) / L"soffice.exe");
        }
    }
    for (const wchar_t* name : {L"ProgramFiles", L"ProgramW6432", L"ProgramFiles(x86)"}) {
        if (const auto folder = variable(name)) {
            candidates.push_back(fs::path(*folder) / L"LibreOffice" / L"program" / L"soffice.exe");
        }
    }
    for (const auto& candidate : candidates) {
        if (isFile(candidate)) {
            return candidate;
        }
    }
    return std::nullopt;
}

// The environment LibreOffice gets: what Windows programs need to start, and a profile folder
// of its own.
std::vector<std::string> sofficeEnvironment() {
    std::vector<std::string> environment;
    for (const wchar_t* name : {L"SystemRoot", L"windir", L"SystemDrive", L"PATH", L"TEMP", L"TMP",
                                L"USERPROFILE", L"APPDATA", L"LOCALAPPDATA", L"ProgramFiles",
                                L"ProgramData", L"USERNAME", L"COMPUTERNAME"}) {
        if (const auto value = variable(name)) {
            environment.push_back(paths::toUtf8(fs::path(name)) + "=" +
                                  paths::toUtf8(fs::path(*value)));
        }
    }
    return environment;
}

struct Road {
    std::optional<SpreadsheetProgram> program; // else LibreOffice
    fs::path soffice;
};

class WindowsPagePrinter : public PagePrinter {
  public:
    explicit WindowsPagePrinter(std::vector<Road> roads) : roads_(std::move(roads)) {}

    bool needsFile() const override { return true; }

    PagesPrinted print(const PageRequest& request) override {
        PagesPrinted result;
        if (request.file) {
            result.error = "Windows 版不能把记载表打印到文件";
            return result;
        }
        // A program that is registered but does not start leaves the pages to the next one.
        std::string notStarted;
        for (const Road& road : roads_) {
            bool started = true;
            result = road.program ? throughProgram(*road.program, request, started)
                                  : throughLibreOffice(road.soffice, request, started);
            if (started) {
                if (result.ok) {
                    result.printer = defaultPrinterName();
                }
                return result;
            }
            notStarted += (notStarted.empty() ? "" : "\n") + result.error;
        }
        result.ok = false;
        result.error = notStarted;
        return result;
    }

  private:
    static PagesPrinted throughProgram(const SpreadsheetProgram& program,
                                       const PageRequest& request, bool& started) {
        auto made = std::make_shared<std::atomic<bool>>(false);
        const ProgramStarter start = [made](std::string_view progId) {
            automation::Outcome application = automation::createSystemObject(progId);
            made->store(static_cast<bool>(application.object()));
            return application;
        };
        PagesPrinted result =
            printWithSpreadsheetProgram(program, start, request.workbook, request.from, request.to,
                                        kPrintLimit, request.keepWaiting);
        // A program that never answered counts as started: it may still print.
        started = made->load() || result.error.find("“启动程序”") == std::string::npos;
        return result;
    }

    static PagesPrinted throughLibreOffice(const fs::path& soffice, const PageRequest& request,
                                           bool& started) {
        PagesPrinted result;
        const sys::ScratchFolder profile("tarnelo-print");
        if (!profile.valid()) {
            result.error = "无法建立临时文件夹";
            return result;
        }
        const std::u8string folder = profile.path().generic_u8string();
        const std::string profileUrl = "file:///" + std::string(folder.begin(), folder.end());
        std::vector<std::string> argv{paths::toUtf8(soffice), "--headless", "--norestore",
                                      "-env:UserInstallation=" + profileUrl};
        if (request.printer.empty()) {
            argv.emplace_back("-p");
        } else {
            argv.emplace_back("--pt");
            argv.push_back(request.printer);
        }
        argv.push_back(paths::toUtf8(fs::path(request.workbook).make_preferred()));
        const sys::ChildResult child =
            sys::runChild(argv, sofficeEnvironment(), std::chrono::milliseconds(kPrintLimit), {},
                          {request.keepWaiting, "LibreOffice 打印记载表"});
        started = child.status != sys::ChildResult::Status::CouldNotRun;
        switch (child.status) {
        case sys::ChildResult::Status::Exited:
            result.ok = child.exitCode == 0;
            if (!result.ok) {
                result.error = "LibreOffice 没能打印记载表（退出码 " +
                               num::plainText(static_cast<double>(child.exitCode)) + "）";
            }
            break;
        case sys::ChildResult::Status::CouldNotRun:
            result.error = "无法启动 LibreOffice：" + paths::toUtf8(soffice);
            break;
        case sys::ChildResult::Status::TimedOut:
            result.error = "LibreOffice 在 " +
                           num::plainText(static_cast<double>(kPrintLimit.count())) +
                           " 秒内没有打印完记载表，已放弃等待";
            break;
        case sys::ChildResult::Status::Interrupted:
            result.error = "已停止等待 LibreOffice，记载表可能没有打印";
            break;
        }
        if (result.ok) {
            result.pages = std::max(request.to - request.from + 1, 0);
        }
        return result;
    }

    std::vector<Road> roads_;
};

std::vector<Road> installedRoads() {
    std::vector<Road> roads;
    for (const SpreadsheetProgram& program : kSpreadsheetPrograms) {
        if (automation::systemObjectRegistered(program.progId)) {
            roads.push_back({program, {}});
        }
    }
    if (const auto soffice = findSoffice()) {
        roads.push_back({std::nullopt, *soffice});
    }
    return roads;
}

} // namespace

std::unique_ptr<PagePrinter> findPagePrinter() {
    std::vector<Road> roads = installedRoads();
    if (roads.empty()) {
        return nullptr;
    }
    return std::make_unique<WindowsPagePrinter>(std::move(roads));
}

std::string printingUnavailable() {
    if (!installedRoads().empty()) {
        return {};
    }
    return "这台计算机上没有找到可以打印记载表的程序。程序依次找过：\n"
           "  Microsoft Excel（Excel.Application）\n"
           "  WPS 表格（KET.Application、ET.Application）\n"
           "  LibreOffice（soffice.exe）\n"
           "请安装其中之一后再打印。“导出Excel”仍然可以保存记载表，再用其他程序打开打印。";
}

PrinterLookup findDefaultPrinter(PrintServiceLimits /*limits*/) {
    return {defaultPrinterName(), {}};
}

std::string defaultPrinterName() {
    DWORD length = 0;
    ::GetDefaultPrinterW(nullptr, &length);
    if (length == 0) {
        return {};
    }
    std::wstring name(length, L'\0');
    if (!::GetDefaultPrinterW(name.data(), &length)) {
        return {};
    }
    name.resize(::wcsnlen(name.c_str(), name.size()));
    return paths::toUtf8(fs::path(name));
}

} // namespace tarnelo
