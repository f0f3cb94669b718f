// Child processes on Windows: CreateProcessW inside a job object that ends the whole tree when
// the job is terminated (time-out, interruption, a wait given up) or when this process ends, so
// a helper can never outlive its use. Only the child's standard handles are inherited. Ctrl+C,
// Ctrl+Break and closing the console come in through SetConsoleCtrlHandler.
#include "platform/system/child_process.hpp"

#include "platform/system/child_process_impl.hpp"

#include <atomic>
#include <csignal>
#include <thread>

#include <windows.h>

namespace tarnelo::sys {

namespace {

std::atomic<int> pendingSignal{0};
// The job of the child that runs now, for the console handler.
std::atomic<HANDLE> runningJob{nullptr};

std::wstring wide(std::string_view text) {
    if (text.empty()) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    std::wstring out(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, out.data(), length);
    return out;
}

// One argument quoted as the C runtime's command-line parser reads it back.
void appendQuoted(std::wstring& line, const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        line += arg;
        return;
    }
    line += L'"';
    for (auto it = arg.begin();; ++it) {
        std::size_t backslashes = 0;
        while (it != arg.end() && *it == L'\\') {
            ++it;
            ++backslashes;
        }
        if (it == arg.end()) {
            line.append(backslashes * 2, L'\\');
            break;
        }
        if (*it == L'"') {
            line.append(backslashes * 2 + 1, L'\\');
        } else {
            line.append(backslashes, L'\\');
        }
        line += *it;
    }
    line += L'"';
}

BOOL WINAPI onConsoleEvent(DWORD event) {
    const int signal = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? SIGINT : SIGTERM;
    if (HANDLE job = runningJob.load(); job != nullptr) {
        ::TerminateJobObject(job, 128 + signal);
    }
    if (pendingSignal.exchange(signal) != 0) {
        ::ExitProcess(static_cast<UINT>(128 + signal));
    }
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
        // Windows ends the process when this returns: give the program a moment to unwind
        // and remove its scratch folders.
        ::Sleep(2000);
    }
    return TRUE;
}

class OwnedHandle {
  public:
    explicit OwnedHandle(HANDLE handle = nullptr) : handle_(handle) {}
    ~OwnedHandle() {
        if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE) {
            ::CloseHandle(handle_);
        }
    }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }

  private:
    HANDLE handle_;
};

HANDLE inheritableFile(const std::wstring& name, bool write) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return ::CreateFileW(name.c_str(), write ? GENERIC_WRITE : GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                         write && name != L"NUL" ? CREATE_ALWAYS : OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

ChildResult runChild(const std::vector<std::string>& argv,
                     const std::vector<std::string>& environment, std::chrono::milliseconds limit,
                     const std::string& output, const Waiting& waiting) {
    if (argv.empty()) {
        return {};
    }
    std::wstring commandLine;
    for (const std::string& arg : argv) {
        if (!commandLine.empty()) {
            commandLine += L' ';
        }
        appendQuoted(commandLine, wide(arg));
    }
    std::wstring block;
    for (const std::string& variable : environment) {
        block += wide(variable);
        block += L'\0';
    }
    block += L'\0';

    OwnedHandle job(::CreateJobObjectW(nullptr, nullptr));
    if (!job.valid()) {
        return {};
    }
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    ::SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);

    OwnedHandle in(inheritableFile(L"NUL", false));
    OwnedHandle out(inheritableFile(output.empty() ? L"NUL" : wide(output), true));
    if (!in.valid() || !out.valid()) {
        return {};
    }
    // Only the standard handles reach the child.
    HANDLE inherited[] = {in.get(), out.get()};
    SIZE_T attributeSize = 0;
    ::InitializeProcThreadAttributeList(nullptr, 1, 0, &attributeSize);
    std::vector<unsigned char> attributeStorage(attributeSize);
    auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributeStorage.data());
    if (!::InitializeProcThreadAttributeList(attributes, 1, 0, &attributeSize)) {
        return {};
    }
    ::UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited,
                                sizeof inherited, nullptr, nullptr);
    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = in.get();
    startup.StartupInfo.hStdOutput = out.get();
    startup.StartupInfo.hStdError = out.get();
    startup.lpAttributeList = attributes;

    const std::wstring program = wide(argv[0]);
    PROCESS_INFORMATION process{};
    const BOOL started =
        ::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                         CREATE_SUSPENDED | CREATE_UNICODE_ENVIRONMENT | CREATE_NO_WINDOW |
                             EXTENDED_STARTUPINFO_PRESENT,
                         block.data(), nullptr, &startup.StartupInfo, &process);
    ::DeleteProcThreadAttributeList(attributes);
    if (!started) {
        return {};
    }
    OwnedHandle processHandle(process.hProcess);
    OwnedHandle threadHandle(process.hThread);
    if (!::AssignProcessToJobObject(job.get(), process.hProcess)) {
        ::TerminateProcess(process.hProcess, 127);
        return {};
    }
    runningJob.store(job.get());
    ::ResumeThread(process.hThread);

    const auto deadline = std::chrono::steady_clock::now() + limit;
    ChildResult result;
    for (;;) {
        if (::WaitForSingleObject(process.hProcess, 20) == WAIT_OBJECT_0) {
            DWORD code = 0;
            ::GetExitCodeProcess(process.hProcess, &code);
            result.status = ChildResult::Status::Exited;
            result.exitCode = static_cast<int>(code);
            break;
        }
        if (const auto ended = detail::waitEnds(deadline, waiting)) {
            result.status = *ended;
            break;
        }
    }
    // Whatever the child left running goes with it.
    runningJob.store(nullptr);
    ::TerminateJobObject(job.get(), 1);
    ::WaitForSingleObject(process.hProcess, 5000);
    return result;
}

void installInterruptHandlers() {
    ::SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

int interruptSignal() {
    return pendingSignal.load();
}

} // namespace tarnelo::sys
