// Runs tarn-gateway as a child process for end-to-end tests: started on port 0, its port read from
// the first line it prints, its standard error kept in a file, and always ended with the test.
// Header-only; needs POSIX and GoogleTest only, so other folders' tests can use it as it is.
#pragma once

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>
#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace tarntest {

// The folder of the built programs, as the test environment names it.
inline std::string binDir()
{
    const char* dir = std::getenv("TARN_BIN_DIR");
    return dir && *dir ? dir : "build/bin";
}

class GatewayProcess
{
public:
    // Arguments after the program name; --listen 127.0.0.1:0 is added unless given.
    explicit GatewayProcess(std::vector<std::string> args, int startMs = 15000)
    {
        bool hasListen = false;
        for (const auto& a : args)
            hasListen |= a == "--listen";
        if (!hasListen) {
            args.insert(args.begin(), "127.0.0.1:0");
            args.insert(args.begin(), "--listen");
        }
        char errTemplate[] = "/tmp/tarn-gateway-stderr-XXXXXX";
        int errFd = ::mkstemp(errTemplate);
        stderrPath_ = errTemplate;
        int out[2];
        if (errFd < 0 || ::pipe(out) != 0) {
            ADD_FAILURE() << "cannot set up the gateway's output: " << std::strerror(errno);
            return;
        }
        std::string program = binDir() + "/tarn-gateway";
        pid_ = ::fork();
        if (pid_ == 0) {
#ifdef __linux__
            ::prctl(PR_SET_PDEATHSIG, SIGKILL); // never outlive a crashed test
#endif
            ::dup2(out[1], 1);
            ::dup2(errFd, 2);
            ::close(out[0]);
            ::close(out[1]);
            ::close(errFd);
            std::vector<char*> argv;
            argv.push_back(program.data());
            for (auto& a : args)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execv(program.c_str(), argv.data());
            std::fprintf(stderr, "cannot run %s: %s\n", program.c_str(), std::strerror(errno));
            ::_exit(127);
        }
        ::close(out[1]);
        ::close(errFd);
        stdout_ = out[0];
        std::string line = readLine(startMs);
        const std::string prefix = "listening on ";
        if (line.rfind(prefix, 0) == 0) {
            address_ = line.substr(prefix.size());
            std::size_t colon = address_.rfind(':');
            port_ = std::atoi(address_.c_str() + colon + 1);
        } else {
            ADD_FAILURE() << "tarn-gateway did not start: first line '" << line
                          << "', stderr: " << stderrText();
        }
    }

    ~GatewayProcess()
    {
        stop();
        if (!stderrPath_.empty()) ::unlink(stderrPath_.c_str());
    }
    GatewayProcess(const GatewayProcess&) = delete;
    GatewayProcess& operator=(const GatewayProcess&) = delete;

    int port() const
    {
        return port_;
    }
    bool ok() const
    {
        return port_ > 0;
    }
    pid_t pid() const
    {
        return pid_;
    }

    std::string stderrText() const
    {
        std::ifstream in(stderrPath_);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    // Waits until standard error holds the text (the gateway logs with --verbose).
    bool waitForLog(const std::string& text, int timeoutMs) const
    {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < end) {
            if (stderrText().find(text) != std::string::npos) return true;
            ::usleep(20000);
        }
        return stderrText().find(text) != std::string::npos;
    }

    bool running()
    {
        if (pid_ <= 0) return false;
        int status;
        pid_t r = ::waitpid(pid_, &status, WNOHANG);
        if (r == pid_) {
            status_ = status;
            pid_ = -1;
            return false;
        }
        return true;
    }

    // SIGTERM, then SIGKILL if it has not ended within the grace time. The wait status, or -1.
    int stop(int graceMs = 5000)
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(graceMs);
            while (running() && std::chrono::steady_clock::now() < end)
                ::usleep(10000);
            if (pid_ > 0) {
                ::kill(pid_, SIGKILL);
                int status;
                ::waitpid(pid_, &status, 0);
                status_ = status;
                pid_ = -1;
                killed_ = true;
            }
        }
        if (stdout_ >= 0) {
            ::close(stdout_);
            stdout_ = -1;
        }
        return status_;
    }

    bool killedHard() const
    {
        return killed_;
    }

private:
    std::string readLine(int timeoutMs)
    {
        std::string line;
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < end) {
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            pollfd p{stdout_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count()) + 1) <= 0) continue;
            char c;
            ssize_t n = ::read(stdout_, &c, 1);
            if (n <= 0) break;
            if (c == '\n') return line;
            line += c;
        }
        return line;
    }

    pid_t pid_ = -1;
    int stdout_ = -1;
    int port_ = 0;
    int status_ = -1;
    bool killed_ = false;
    std::string address_;
    std::string stderrPath_;
};

} // namespace tarntest
