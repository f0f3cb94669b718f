#include "platform/print/svg_render.hpp"

#include "files/file_io.hpp"
#include "platform/system/child_process.hpp"
#include "platform/system/scratch.hpp"

#include <cstdlib>
#include <string>
#include <vector>

#include <unistd.h>

namespace tarnelo {

namespace fs = std::filesystem;

namespace {

bool isExecutable(const fs::path& path) {
    std::error_code ec;
    return !path.empty() && ::access(path.c_str(), X_OK) == 0 && fs::is_regular_file(path, ec);
}

// The renderer gets a home of its own and the locale; fonts are found through fontconfig's
// system configuration.
std::vector<std::string> rendererEnvironment(const fs::path& home) {
    std::vector<std::string> environment{"HOME=" + home.string(), "TMPDIR=" + home.string(),
                                         "XDG_CACHE_HOME=" + (home / "cache").string()};
    for (const char* name : {"PATH", "LANG", "LC_ALL", "LC_CTYPE"}) {
        if (const char* value = std::getenv(name); value != nullptr) {
            environment.push_back(std::string(name) + "=" + value);
        }
    }
    return environment;
}

} // namespace

std::optional<fs::path> findSvgRenderer() {
    if (const char* forced = std::getenv("TARNELO_RSVG_CONVERT"); forced != nullptr) {
        return isExecutable(forced) ? std::optional(fs::path(forced)) : std::nullopt;
    }
    std::vector<fs::path> candidates;
    if (const char* path = std::getenv("PATH"); path != nullptr) {
        std::string_view rest(path);
        while (!rest.empty()) {
            const auto colon = rest.find(':');
            const std::string folder(rest.substr(0, colon));
            if (!folder.empty()) {
                candidates.push_back(fs::path(folder) / "rsvg-convert");
            }
            rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
        }
    }
    candidates.emplace_back("/usr/bin/rsvg-convert");
    for (const auto& candidate : candidates) {
        if (candidate.is_absolute() && isExecutable(candidate)) {
            return candidate;
        }
    }
    return std::nullopt;
}

RenderResult renderSvgToPng(const fs::path& renderer, std::string_view svg, const fs::path& png,
                            std::chrono::seconds timeLimit) {
    sys::removeStaleScratchFolders("tarnelo-svg");
    const sys::ScratchFolder work("tarnelo-svg");
    if (!work.valid()) {
        return {false, "无法建立临时文件夹，不能生成 PNG 图片。"};
    }
    const fs::path input = work.path() / "section.svg";
    const fs::path output = work.path() / "section.png";
    if (!writeFileAtomic(input, svg)) {
        return {false, lastWriteOutOfSpace()
                           ? "无法生成 PNG 图片：" + sys::scratchFullProblem(work.path())
                           : "无法写入临时文件：" + lastWriteProblem()};
    }
    const sys::ChildResult run =
        sys::runChild({fs::absolute(renderer).string(), "--format=png",
                       "--output=" + output.string(), input.string()},
                      rendererEnvironment(work.path()),
                      std::chrono::duration_cast<std::chrono::milliseconds>(timeLimit));
    switch (run.status) {
    case sys::ChildResult::Status::CouldNotRun:
        return {false, "无法启动 rsvg-convert：" + escapedName(renderer)};
    case sys::ChildResult::Status::TimedOut:
        return {false, "rsvg-convert 在 " + std::to_string(timeLimit.count()) +
                           " 秒内没有生成 PNG 图片，已停止。"};
    case sys::ChildResult::Status::Interrupted:
        return {false, "生成 PNG 图片已中断。"};
    case sys::ChildResult::Status::Exited:
        break;
    }
    const std::optional<std::string> bytes = readFileBytes(output, std::size_t(1) << 28);
    if (run.exitCode != 0 || !bytes || bytes->empty()) {
        return {false, "rsvg-convert 未能把断面图转换为 PNG。"};
    }
    if (!writeFileAtomic(png, *bytes)) {
        return {false, "无法写入 " + escapedName(png) + "：" + lastWriteProblem()};
    }
    return {true, {}};
}

std::string svgRendererAbsent() {
    return "没有安装 rsvg-convert（librsvg2-bin），无法生成 PNG；可改用 .svg "
           "no rsvg-convert to render the PNG; write an .svg instead";
}

} // namespace tarnelo
