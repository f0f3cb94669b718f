#include "platform/system/console.hpp"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <streambuf>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <shellapi.h>

namespace tarnelo::sys {

namespace {

// A console's stream: the UTF-8 text is kept until the stream is flushed (standard output:
// std::endl, the end of the program, or standard error's next message) or, for standard error,
// until its line ends, and then handed to the console whole, as UTF-16, in one WriteConsoleW.
// The console's code page is never touched, so it is as it was when the program ends.
class ConsoleBuffer final : public std::streambuf {
  public:
    ConsoleBuffer(HANDLE console, bool byLine) : console_(console), byLine_(byLine) {}

    // Everything held, a character cut off at the end aside.
    void writeHeld() { write(wholeUtf8Length(held_)); }

  protected:
    int_type overflow(int_type c) override {
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            const char ch = traits_type::to_char_type(c);
            xsputn(&ch, 1);
        }
        return traits_type::not_eof(c);
    }

    std::streamsize xsputn(const char* text, std::streamsize count) override {
        held_.append(text, static_cast<std::size_t>(count));
        if (held_.size() > kMostHeld) {
            writeHeld();
        } else if (const auto line = held_.rfind('\n'); byLine_ && line != std::string::npos) {
            write(line + 1);
        }
        return count;
    }

    // std::cerr is flushed after every <<: its lines go out whole, at their ends.
    int sync() override {
        if (!byLine_) {
            writeHeld();
        }
        return 0;
    }

  private:
    void write(std::size_t length) {
        if (length == 0) {
            return;
        }
        const int bytes = static_cast<int>(length);
        const int chars = ::MultiByteToWideChar(CP_UTF8, 0, held_.data(), bytes, nullptr, 0);
        std::wstring wide(static_cast<std::size_t>(chars), L'\0');
        ::MultiByteToWideChar(CP_UTF8, 0, held_.data(), bytes, wide.data(), chars);
        DWORD written = 0;
        ::WriteConsoleW(console_, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        held_.erase(0, length);
    }

    static constexpr std::size_t kMostHeld = 1 << 16;
    HANDLE console_;
    bool byLine_;
    std::string held_;
};

// The buffers live as long as the process: std::cout and std::cerr are flushed after every
// static object is gone.
ConsoleBuffer* outBuffer = nullptr;
ConsoleBuffer* errBuffer = nullptr;

void writeHeldLines() {
    for (ConsoleBuffer* buffer : {outBuffer, errBuffer}) {
        if (buffer != nullptr) {
            buffer->writeHeld();
        }
    }
}

ConsoleBuffer* consoleBuffer(DWORD which, bool byLine) {
    const HANDLE handle = ::GetStdHandle(which);
    DWORD mode = 0;
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || !::GetConsoleMode(handle, &mode)) {
        return nullptr;
    }
    return new ConsoleBuffer(handle, byLine);
}

} // namespace

std::vector<std::string> commandLineArguments(int argc, char** argv) {
    int count = 0;
    LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide == nullptr) {
        return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
    }
    std::vector<std::string> args;
    for (int i = 1; i < count; ++i) {
        const int length =
            ::WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string arg(static_cast<std::size_t>(length > 0 ? length : 1), '\0');
        ::WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, arg.data(), length, nullptr, nullptr);
        arg.pop_back(); // the terminating zero
        args.push_back(std::move(arg));
    }
    ::LocalFree(wide);
    return args;
}

void useUtf8StandardStreams() {
    std::cout.flush();
    std::cerr.flush();
    std::fflush(stdout);
    std::fflush(stderr);
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
    if (outBuffer == nullptr && (outBuffer = consoleBuffer(STD_OUTPUT_HANDLE, false)) != nullptr) {
        std::cout.rdbuf(outBuffer);
    }
    if (errBuffer == nullptr && (errBuffer = consoleBuffer(STD_ERROR_HANDLE, true)) != nullptr) {
        std::cerr.rdbuf(errBuffer);
    }
    static const bool registered = std::atexit(writeHeldLines) == 0;
    (void)registered;
}

void attachParentConsole() {
    const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if ((out != nullptr && out != INVALID_HANDLE_VALUE) ||
        !::AttachConsole(ATTACH_PARENT_PROCESS)) {
        return; // redirected to a file or a pipe, or started without a console
    }
    const HANDLE console =
        ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      nullptr, OPEN_EXISTING, 0, nullptr);
    if (console != INVALID_HANDLE_VALUE) {
        ::SetStdHandle(STD_OUTPUT_HANDLE, console);
        ::SetStdHandle(STD_ERROR_HANDLE, console);
    }
}

void ignoreBrokenPipes() {}

bool standardErrorIsTerminal() {
    const HANDLE handle = ::GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
           ::GetConsoleMode(handle, &mode) != 0;
}

} // namespace tarnelo::sys
