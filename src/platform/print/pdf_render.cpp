#include "platform/print/pdf_render.hpp"

#include "files/file_io.hpp"
#include "platform/print/render_profile.hpp"
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
    if (const WriteResult written = writeFileAtomic(pdf, *bytes); !written) {
        return {false, "无法写入打印页面：" + written.problem};
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
                         const sys::KeepWaiting& keepWaiting, std::chrono::seconds timeLimit) {
    // A target that cannot be written is said before LibreOffice spends seconds on it.
    if (const WriteResult writable = checkFileWritable(pdf); !writable) {
        return {false, "无法写入打印页面：" + writable.problem};
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
    const fs::path out = work.path() / "out";
    fs::create_directories(out, ec);
    const fs::path produced = out / "form.pdf";
    RendererProfile profile(renderer, work.path());
    const auto convert = [&] {
        return sys::runChild({fs::absolute(renderer).string(),
                              "-env:UserInstallation=" + sys::fileUrl(profile.path()), "--headless",
                              "--norestore", "--convert-to", "pdf", "--outdir", sys::fileUrl(out),
                              sys::fileUrl(input)},
                             rendererEnvironment(work.path()), timeLimit, {}, {keepWaiting, {}});
    };
    sys::ChildResult run = convert();
    if (profile.kept() && run.status == sys::ChildResult::Status::Exited &&
        (run.exitCode != 0 || !fs::exists(produced))) {
        // A kept profile that fails is replaced; this render tries once more on a fresh one.
        profile.discard();
        run = convert();
    } else if (profile.kept() && (run.status == sys::ChildResult::Status::TimedOut ||
                                  run.status == sys::ChildResult::Status::Interrupted)) {
        // Ended half-way, it may have left the profile broken: the next render seeds a new one.
        profile.discard();
    }
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
