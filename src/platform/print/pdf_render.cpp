#include "platform/print/pdf_render.hpp"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tarnelo {

namespace fs = std::filesystem;

namespace {

bool isExecutable(const fs::path& path) {
    return !path.empty() && ::access(path.c_str(), X_OK) == 0 && fs::is_regular_file(path);
}

// A fresh folder under the system's temporary folder, removed when the object goes.
class TemporaryFolder {
  public:
    TemporaryFolder() {
        std::string pattern = (fs::temp_directory_path() / "tarnelo-render-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
        }
    }
    ~TemporaryFolder() {
        std::error_code ec;
        if (!path_.empty()) {
            fs::remove_all(path_, ec);
        }
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

// Runs a program with its arguments, output discarded, in a process group of its own so that
// everything it starts can be ended when the time limit runs out. Returns the exit status, or
// -1 when it could not run or had to be killed.
int runWithTimeLimit(const std::vector<std::string>& argv, std::chrono::seconds limit) {
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const auto& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) {
        return -1;
    }
    if (pid == 0) {
        ::setpgid(0, 0);
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0) {
            ::dup2(null, STDIN_FILENO);
            ::dup2(null, STDOUT_FILENO);
            ::dup2(null, STDERR_FILENO);
        }
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    ::setpgid(pid, pid);
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (true) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        if (done < 0 && errno != EINTR) {
            return -1;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(-pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
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
    TemporaryFolder work;
    if (work.path().empty()) {
        return {false, "无法建立临时文件夹，不能生成打印页面。"};
    }
    std::error_code ec;
    // The renderer goes by the name's extension: hand it the workbook as an .xlsx file.
    const fs::path input = work.path() / "form.xlsx";
    fs::copy_file(workbook, input, fs::copy_options::overwrite_existing, ec);
    if (ec) {
        return {false, "无法读取记载表工作簿：" + workbook.string()};
    }
    const fs::path profile = work.path() / "profile";
    const fs::path out = work.path() / "out";
    fs::create_directories(out, ec);
    const int status = runWithTimeLimit(
        {renderer.string(), "-env:UserInstallation=file://" + profile.string(), "--headless",
         "--norestore", "--convert-to", "pdf", "--outdir", out.string(), input.string()},
        timeLimit);
    const fs::path produced = out / "form.pdf";
    if (status != 0 || !fs::exists(produced)) {
        return {false, status < 0 ? "生成打印页面超时或失败（LibreOffice 没有响应）。"
                                  : "LibreOffice 未能把记载表转换为 PDF。"};
    }
    fs::copy_file(produced, pdf, fs::copy_options::overwrite_existing, ec);
    if (ec) {
        return {false, "无法写入打印页面：" + pdf.string()};
    }
    return {true, {}};
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
