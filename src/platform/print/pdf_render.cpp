#include "platform/print/pdf_render.hpp"

#include "files/file_io.hpp"
#include "platform/system/child_process.hpp"
#include "platform/system/scratch.hpp"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string_view>
#include <system_error>
#include <vector>

#include <unistd.h>

namespace tarnelo {

namespace fs = std::filesystem;

namespace {

// Far more than the pages of the record form ever take.
constexpr std::size_t kLargestPdf = std::size_t(256) << 20;

// The renderer only turns a workbook into pages: no macro of a workbook ever runs in it, and
// the security level stays at its highest should the switch be ignored.
constexpr std::string_view kMacrosOff =
    "<item oor:path=\"/org.openoffice.Office.Common/Security/Scripting\"><prop "
    "oor:name=\"DisableMacrosExecution\" oor:op=\"fuse\"><value>true</value></prop></item>\n"
    "<item oor:path=\"/org.openoffice.Office.Common/Security/Scripting\"><prop "
    "oor:name=\"MacroSecurityLevel\" oor:op=\"fuse\"><value>3</value></prop></item>\n";

// The first start of a new profile runs LibreOffice's graphics self-test, about three seconds
// of every print: a profile that already names this build as checked skips it.
void seedProfile(const fs::path& profile) {
    std::ifstream versionrc("/usr/lib/libreoffice/program/versionrc");
    std::string line;
    std::string buildId;
    while (std::getline(versionrc, line)) {
        if (line.starts_with("buildid=")) {
            buildId = line.substr(8);
            while (!buildId.empty() && (buildId.back() == '\r' || buildId.back() == ' ')) {
                buildId.pop_back();
            }
        }
    }
    const bool knownBuild = !buildId.empty() && buildId.find_first_of("<&") == std::string::npos;
    std::error_code ec;
    fs::create_directories(profile / "user", ec);
    std::ofstream out(profile / "user" / "registrymodifications.xcu", std::ios::binary);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\" "
           "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n"
        << kMacrosOff;
    if (knownBuild) {
        out << "<item oor:path=\"/org.openoffice.Setup/Office\"><prop "
               "oor:name=\"LastCompatibilityCheckID\" oor:op=\"fuse\"><value>"
            << buildId << "</value></prop></item>\n";
    }
    out << "</oor:items>\n";
}

bool isExecutable(const fs::path& path) {
    return !path.empty() && ::access(path.c_str(), X_OK) == 0 && fs::is_regular_file(path);
}

// What the renderer gets of the environment: the search path and the locale, and a home of
// its own inside the scratch folder.
std::vector<std::string> rendererEnvironment(const fs::path& home) {
    std::vector<std::string> environment{"HOME=" + home.string(), "TMPDIR=" + home.string()};
    for (const char* name : {"PATH", "LANG", "LANGUAGE", "LC_ALL", "LC_CTYPE", "LC_MESSAGES"}) {
        if (const char* value = std::getenv(name); value != nullptr) {
            environment.push_back(std::string(name) + "=" + value);
        }
    }
    return environment;
}

// The rendered pages go to their target through the atomic writer, with its link rules,
// permissions and full-disk handling, as every file the program writes.
RenderResult publishPdf(const fs::path& produced, const fs::path& pdf) {
    const auto bytes = readFileBytes(produced, kLargestPdf);
    if (!bytes) {
        return {false, "LibreOffice 生成的打印页面无法读取或太大。"};
    }
    if (!writeFileAtomic(pdf, *bytes)) {
        return {false, "无法写入打印页面：" + lastWriteProblem()};
    }
    return {true, {}};
}

} // namespace

std::optional<fs::path> findRenderer() {
    if (const char* forced = std::getenv("TARNELO_SOFFICE"); forced != nullptr) {
        if (isExecutable(forced)) {
            return fs::path(forced);
        }
        return std::nullopt;
    }
    std::vector<fs::path> candidates;
    if (const char* path = std::getenv("PATH"); path != nullptr) {
        std::string_view rest(path);
        while (!rest.empty()) {
            const auto colon = rest.find(':');
            const fs::path folder(std::string(rest.substr(0, colon)));
            candidates.push_back(folder / "soffice");
            candidates.push_back(folder / "libreoffice");
            rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
        }
    }
    candidates.emplace_back("/usr/lib/libreoffice/program/soffice");
    candidates.emplace_back("/opt/libreoffice/program/soffice");
    for (const auto& candidate : candidates) {
        if (isExecutable(candidate)) {
            return candidate;
        }
    }
    return std::nullopt;
}

RenderResult renderToPdf(const fs::path& renderer, const fs::path& workbook, const fs::path& pdf,
                         std::chrono::seconds timeLimit) {
    // A target that cannot be written is said before LibreOffice spends seconds on it.
    if (!checkFileWritable(pdf)) {
        return {false, "无法写入打印页面：" + lastWriteProblem()};
    }
    sys::removeStaleScratchFolders("tarnelo-render");
    const sys::ScratchFolder work("tarnelo-render");
    if (!work.valid()) {
        return {false, "无法建立临时文件夹，不能生成打印页面。"};
    }
    std::error_code ec;
    // The renderer goes by the name's extension: hand it the workbook as an .xlsx file.
    const fs::path input = work.path() / "form.xlsx";
    fs::copy_file(workbook, input, fs::copy_options::overwrite_existing, ec);
    if (ec) {
        return {false, "无法读取记载表工作簿：" + escapedName(workbook)};
    }
    // Every path reaches LibreOffice as a percent-encoded URL: it decodes escapes even in plain
    // paths, so a folder named "pc%41" would otherwise become "pcA".
    const fs::path profile = work.path() / "profile";
    const fs::path out = work.path() / "out";
    fs::create_directories(out, ec);
    seedProfile(profile);
    const sys::ChildResult run = sys::runChild({fs::absolute(renderer).string(),
                                                "-env:UserInstallation=" + sys::fileUrl(profile),
                                                "--headless", "--norestore", "--convert-to", "pdf",
                                                "--outdir", sys::fileUrl(out), sys::fileUrl(input)},
                                               rendererEnvironment(work.path()), timeLimit);
    const fs::path produced = out / "form.pdf";
    switch (run.status) {
    case sys::ChildResult::Status::CouldNotRun:
        return {false, "无法启动 LibreOffice：" + escapedName(renderer)};
    case sys::ChildResult::Status::TimedOut:
        return {false, "LibreOffice 在 " + std::to_string(timeLimit.count()) +
                           " 秒内没有生成打印页面，已停止。"};
    case sys::ChildResult::Status::Interrupted:
        return {false, "生成打印页面已中断。"};
    case sys::ChildResult::Status::Exited:
        break;
    }
    if (run.exitCode != 0 || !fs::exists(produced)) {
        return {false, "LibreOffice 未能把记载表转换为 PDF。"};
    }
    return publishPdf(produced, pdf);
}

int pdfPageCount(const fs::path& pdf) {
    std::ifstream in(pdf, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // Count page objects: "/Type /Page" or "/Type/Page" not followed by "s".
    int pages = 0;
    for (std::size_t at = bytes.find("/Type"); at != std::string::npos;
         at = bytes.find("/Type", at + 5)) {
        std::size_t p = at + 5;
        while (p < bytes.size() && (bytes[p] == ' ' || bytes[p] == '\n' || bytes[p] == '\r')) {
            ++p;
        }
        if (bytes.compare(p, 5, "/Page") == 0 && (p + 5 >= bytes.size() || bytes[p + 5] != 's')) {
            ++pages;
        }
    }
    return pages;
}

} // namespace tarnelo
