#include "platform/system/child_process.hpp"

#include "platform/system/child_process_impl.hpp"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <set>
#include <sys/prctl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tarnelo::sys {

namespace {

volatile std::sig_atomic_t pendingSignal = 0;
// The session (and group) of the child that runs now, for the signal handler.
std::atomic<pid_t> runningGroup{0};

void onSignal(int signal) {
    const pid_t group = runningGroup.load();
    if (group > 0) {
        ::kill(-group, SIGKILL);
    }
    if (pendingSignal != 0) {
        ::_exit(128 + signal);
    }
    pendingSignal = signal;
}

// Parent of each running process, read from /proc.
std::map<pid_t, pid_t> processParents() {
    std::map<pid_t, pid_t> parents;
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr) {
        return parents;
    }
    while (const dirent* entry = ::readdir(proc)) {
        char* end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (pid <= 0 || *end != '\0') {
            continue;
        }
        std::ifstream stat(std::string("/proc/") + entry->d_name + "/stat");
        std::string line;
        std::getline(stat, line);
        // pid (comm) state ppid ...: the command may hold spaces and parentheses.
        const auto close = line.rfind(')');
        if (close == std::string::npos || close + 4 >= line.size()) {
            continue;
        }
        const long parent = std::strtol(line.c_str() + close + 4, nullptr, 10);
        parents[static_cast<pid_t>(pid)] = static_cast<pid_t>(parent);
    }
    ::closedir(proc);
    return parents;
}

// Every process below root, and every orphan handed to this process (it is their subreaper)
// that was not its child before the run began.
std::set<pid_t> treeOf(pid_t root, const std::set<pid_t>& childrenBefore) {
    const auto parents = processParents();
    std::set<pid_t> tree{root};
    const pid_t self = ::getpid();
    for (const auto& [pid, parent] : parents) {
        if (parent == self && childrenBefore.count(pid) == 0) {
            tree.insert(pid);
        }
    }
    for (bool grew = true; grew;) {
        grew = false;
        for (const auto& [pid, parent] : parents) {
            if (tree.count(parent) != 0 && tree.insert(pid).second) {
                grew = true;
            }
        }
    }
    return tree;
}

std::set<pid_t> currentChildren() {
    std::set<pid_t> children;
    const pid_t self = ::getpid();
    for (const auto& [pid, parent] : processParents()) {
        if (parent == self) {
            children.insert(pid);
        }
    }
    return children;
}

// Ends the child's session and every process of its tree, including those that left the
// session, until none is left; reaps what was ours.
void endTree(pid_t child, const std::set<pid_t>& childrenBefore) {
    for (int round = 0; round < 20; ++round) {
        ::kill(-child, SIGKILL);
        const std::set<pid_t> tree = treeOf(child, childrenBefore);
        bool any = false;
        for (const pid_t pid : tree) {
            if (::kill(pid, SIGKILL) == 0) {
                any = true;
            }
        }
        // Reap the child and the orphans reparented here.
        for (const pid_t pid : tree) {
            ::waitpid(pid, nullptr, WNOHANG);
        }
        if (!any) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::waitpid(child, nullptr, 0);
}

// This process is the subreaper of the child's tree for the time of one run, so that orphans of
// the tree (a renderer that daemonises) come back to it and can be found and ended. Afterwards
// the setting is put back: orphans of programs started later (a file manager's xdg-open, a
// crash handler) would otherwise stay here as defunct children that nobody waits for.
class SubreaperForRun {
  public:
    SubreaperForRun() {
        int was = 0;
        ::prctl(PR_GET_CHILD_SUBREAPER, &was);
        was_ = was != 0;
        ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    }
    ~SubreaperForRun() {
        if (!was_) {
            ::prctl(PR_SET_CHILD_SUBREAPER, 0);
        }
    }
    SubreaperForRun(const SubreaperForRun&) = delete;
    SubreaperForRun& operator=(const SubreaperForRun&) = delete;

  private:
    bool was_ = false;
};

// Orphans of the run that were handed to this process after their tree was ended: ended and
// waited for, so that none stays as a defunct child. Called once the subreaper is put back, so
// no new ones arrive.
void reapHandedOver(const std::set<pid_t>& childrenBefore) {
    for (int round = 0; round < 50; ++round) {
        bool any = false;
        for (const pid_t pid : currentChildren()) {
            if (childrenBefore.count(pid) != 0) {
                continue;
            }
            any = true;
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, WNOHANG);
        }
        if (!any) {
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

[[noreturn]] void execChild(const std::vector<std::string>& argv,
                            const std::vector<std::string>& environment,
                            const std::string& output) {
    ::setsid();
    const int null = ::open("/dev/null", O_RDWR);
    const int out =
        output.empty() ? null : ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (null >= 0) {
        ::dup2(null, STDIN_FILENO);
    }
    if (out >= 0) {
        ::dup2(out, STDOUT_FILENO);
        ::dup2(out, STDERR_FILENO);
    }
    // No descriptor of the program beyond 0-2 reaches the child.
    const long most = ::sysconf(_SC_OPEN_MAX);
    for (int fd = 3; fd < (most > 0 && most < 65536 ? most : 65536); ++fd) {
        ::close(fd);
    }
    struct sigaction dflt {};
    dflt.sa_handler = SIG_DFL;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
        ::sigaction(signal, &dflt, nullptr);
    }
    std::vector<char*> args;
    for (const auto& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    std::vector<char*> env;
    for (const auto& e : environment) {
        env.push_back(const_cast<char*>(e.c_str()));
    }
    env.push_back(nullptr);
    ::execve(args[0], args.data(), env.data());
    ::_exit(127);
}

// Runs the child with this process as the subreaper of its tree, and ends the tree.
ChildResult runInTree(const std::vector<std::string>& argv,
                      const std::vector<std::string>& environment, std::chrono::milliseconds limit,
                      const std::string& output, const Waiting& waiting,
                      const std::set<pid_t>& childrenBefore) {
    const SubreaperForRun subreaper;
    const pid_t pid = ::fork();
    if (pid < 0) {
        return {};
    }
    if (pid == 0) {
        execChild(argv, environment, output);
    }
    runningGroup.store(pid);
    const auto deadline = std::chrono::steady_clock::now() + limit;
    ChildResult result;
    for (;;) {
        int status = 0;
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            result.status = ChildResult::Status::Exited;
            result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            // Whatever it left running goes with it.
            runningGroup.store(0);
            endTree(pid, childrenBefore);
            return result;
        }
        if (const auto ended = detail::waitEnds(deadline, waiting)) {
            result.status = *ended;
            runningGroup.store(0);
            endTree(pid, childrenBefore);
            return result;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

} // namespace

ChildResult runChild(const std::vector<std::string>& argv,
                     const std::vector<std::string>& environment, std::chrono::milliseconds limit,
                     const std::string& output, const Waiting& waiting) {
    if (argv.empty()) {
        return {};
    }
    const std::set<pid_t> childrenBefore = currentChildren();
    ChildResult result = runInTree(argv, environment, limit, output, waiting, childrenBefore);
    reapHandedOver(childrenBefore);
    return result;
}

void installInterruptHandlers() {
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no SA_RESTART: a blocked call returns EINTR
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        ::sigaction(signal, &action, nullptr);
    }
}

int interruptSignal() {
    return pendingSignal;
}

} // namespace tarnelo::sys
