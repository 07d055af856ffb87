#include "support/service_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

extern char** environ;

namespace seo::service_test {
namespace {

constexpr auto kWatchdog = std::chrono::seconds(60);

pid_t Spawn(const std::vector<std::string>& arguments, int outFd, int errFd) {
    std::vector<std::string> all{ServiceBinary()};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (outFd >= 0) posix_spawn_file_actions_adddup2(&actions, outFd, STDOUT_FILENO);
    if (errFd >= 0) posix_spawn_file_actions_adddup2(&actions, errFd, STDERR_FILENO);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Waits for the child, killing it once the watchdog runs out.
int WaitWithWatchdog(pid_t pid, bool& killed) {
    const auto deadline = std::chrono::steady_clock::now() + kWatchdog;
    killed = false;
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) return status;
        if (done < 0) return -1;
        if (!killed && std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            killed = true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

std::string ReadAll(int fd) {
    std::string out;
    char buffer[4096];
    ssize_t n = 0;
    while ((n = read(fd, buffer, sizeof buffer)) > 0) out.append(buffer, static_cast<std::size_t>(n));
    return out;
}

}  // namespace

std::string ServiceBinary() { return CONTENT_SERVICE_BINARY; }

ServiceProcess::ServiceProcess(std::vector<std::string> extraArguments) {
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return;
    std::vector<std::string> arguments{"--port", "0"};
    arguments.insert(arguments.end(), extraArguments.begin(), extraArguments.end());
    pid_ = Spawn(arguments, pipeFds[1], -1);
    close(pipeFds[1]);
    stdoutFd_ = pipeFds[0];
    if (pid_ < 0) return;

    // The first line names the port; the service flushes it once it listens.
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + kWatchdog;
    while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        pollfd p{stdoutFd_, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) continue;
        char buffer[256];
        const ssize_t n = read(stdoutFd_, buffer, sizeof buffer);
        if (n <= 0) break;
        line.append(buffer, static_cast<std::size_t>(n));
    }
    const std::string prefix = "listening on 127.0.0.1:";
    if (line.rfind(prefix, 0) == 0) port_ = std::atoi(line.c_str() + prefix.size());
}

ServiceProcess::~ServiceProcess() {
    if (pid_ > 0) StopWith(SIGTERM);
    if (stdoutFd_ >= 0) close(stdoutFd_);
}

int ServiceProcess::StopWith(int signal) {
    if (pid_ <= 0) return -1;
    kill(pid_, signal);
    bool killed = false;
    const int status = WaitWithWatchdog(pid_, killed);
    pid_ = -1;
    return killed ? -1 : status;
}

RunResult RunToEnd(const std::vector<std::string>& arguments) {
    RunResult result;
    int errPipe[2];
    if (pipe2(errPipe, O_CLOEXEC) != 0) return result;
    const int devNull = open("/dev/null", O_WRONLY | O_CLOEXEC);
    const pid_t pid = Spawn(arguments, devNull, errPipe[1]);
    close(errPipe[1]);
    close(devNull);
    if (pid < 0) {
        close(errPipe[0]);
        return result;
    }
    // The service does not wait for the pipe when it exits at once; read what it wrote.
    bool killed = false;
    const int status = WaitWithWatchdog(pid, killed);
    result.standardError = ReadAll(errPipe[0]);
    close(errPipe[0]);
    if (!killed && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    return result;
}

unsigned long RaiseOpenFileLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return 0;
    if (limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
        getrlimit(RLIMIT_NOFILE, &limit);
    }
    return static_cast<unsigned long>(limit.rlim_cur);
}

}  // namespace seo::service_test
