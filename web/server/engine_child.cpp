#include "engine_child.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace web {

namespace {

void closeFd(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
}

std::string describeStatus(int status) {
    if (WIFEXITED(status)) return "exited with status " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) return "killed by signal " + std::to_string(WTERMSIG(status));
    return "stopped";
}

}  // namespace

EngineChild::~EngineChild() {
    closeFd(toEngine_);
    if (pid_ > 0 && !reaped_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    closeFd(fromEngine_);
}

bool EngineChild::start(const std::string& path, std::string& error) {
    // Close-on-exec on every pipe end: another session's engine must not hold
    // this one's pipes open, or its end of output would never be seen.
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    if (pipe2(out, O_CLOEXEC) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        close(in[0]);
        close(in[1]);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    // The server blocks its stop signals and ignores SIGPIPE; the engine
    // starts with neither, in a process group of its own.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
    std::string program = path;
    char* argv[] = {program.data(), nullptr};
    const int failure = posix_spawn(&pid_, program.c_str(), &actions, &attributes, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(in[0]);
    close(out[1]);
    if (failure != 0) {
        pid_ = -1;
        close(in[1]);
        close(out[0]);
        error = "cannot run " + path + ": " + std::strerror(failure);
        return false;
    }
    toEngine_ = in[1];
    fromEngine_ = out[0];
    return true;
}

bool EngineChild::write(std::string_view text) {
    size_t done = 0;
    while (done < text.size()) {
        if (toEngine_ < 0) return false;
        const ssize_t n = ::write(toEngine_, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += size_t(n);
    }
    return true;
}

bool EngineChild::readLine(std::string& line) {
    for (;;) {
        const size_t end = pending_.find('\n');
        if (end != std::string::npos) {
            line.assign(pending_, 0, end);
            pending_.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.size() > MaxLine) line.resize(MaxLine);
            return true;
        }
        char buffer[4096];
        const ssize_t n = fromEngine_ < 0 ? 0 : read(fromEngine_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            // The end of output: a last line without its line feed still counts.
            if (pending_.empty()) return false;
            line.swap(pending_);
            pending_.clear();
            if (line.size() > MaxLine) line.resize(MaxLine);
            return true;
        }
        // A line that never ends is cut, not kept growing.
        if (pending_.size() > 4 * MaxLine && pending_.find('\n') == std::string::npos) pending_.resize(MaxLine);
        pending_.append(buffer, size_t(n));
    }
}

void EngineChild::closeInput() { closeFd(toEngine_); }

std::string EngineChild::reap(int graceMs) {
    if (pid_ <= 0 || reaped_) return "not running";
    int status = 0;
    for (int waited = 0;; waited += 10) {
        const pid_t done = waitpid(pid_, &status, WNOHANG);
        if (done == pid_) break;
        if (done < 0 && errno != EINTR) {
            reaped_ = true;
            return "gone";
        }
        if (waited >= graceMs) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    reaped_ = true;
    return describeStatus(status);
}

}  // namespace web
