// Starts content-service on an ephemeral port and ends it.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace seo::service_test {

// The path of the binary under test, from the build.
std::string ServiceBinary();

class ServiceProcess {
public:
    // Starts the service with `--port 0` and `extraArguments`; Port() is 0 when
    // it did not come up.
    explicit ServiceProcess(std::vector<std::string> extraArguments = {});
    ~ServiceProcess();
    ServiceProcess(const ServiceProcess&) = delete;
    ServiceProcess& operator=(const ServiceProcess&) = delete;

    int Port() const { return port_; }
    pid_t Pid() const { return pid_; }

    // Sends `signal` and waits for the end; the raw wait status, or -1 when the
    // process had to be killed after a generous watchdog.
    int StopWith(int signal);

private:
    pid_t pid_ = -1;
    int port_ = 0;
    int stdoutFd_ = -1;
};

// Runs the binary with `arguments` to its end; the exit code and what it wrote to stderr.
struct RunResult {
    int exitCode = -1;
    std::string standardError;
};
RunResult RunToEnd(const std::vector<std::string>& arguments);

// Raises this process's soft limit of open files to its hard limit; the new soft limit.
unsigned long RaiseOpenFileLimit();

}  // namespace seo::service_test
