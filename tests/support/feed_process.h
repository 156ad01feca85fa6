// skerrow-feed run as a process by the tests (POSIX): started with its
// standard error in a file and extra environment, waited for with a deadline,
// ended; and loopback datagrams sent to it.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

inline std::string feed_read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// True once `condition` holds, false when `timeout_ms` passed first.
inline bool feed_wait_for(const std::function<bool()>& condition, int timeout_ms) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// Starts `exe` with `args`, standard error to `errors`, and `env` ("NAME=value") added to ours.
inline pid_t feed_start(const std::string& exe, const std::vector<std::string>& args, const std::string& errors,
                        const std::vector<std::string>& env = {}) {
    std::vector<std::string> all = {exe};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> env_all = env;
    for (char** e = environ; *e; e++) env_all.push_back(*e);  // the first of a name counts
    std::vector<char*> envp;
    for (std::string& e : env_all) envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t p = -1;
    if (posix_spawn(&p, exe.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0) p = -1;
    posix_spawn_file_actions_destroy(&actions);
    return p;
}

// The exit code of `pid` once it ends (-1: killed, or still running after `timeout_ms`, then killed); `pid` becomes -1.
inline int feed_finish(pid_t& pid, int timeout_ms = 20000) {
    int status = 0;
    bool ended = feed_wait_for([&] { return waitpid(pid, &status, WNOHANG) == pid; }, timeout_ms);
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    pid = -1;
    return ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Ends `pid` with SIGTERM and gives its exit code.
inline int feed_stop(pid_t& pid) {
    if (pid > 0) kill(pid, SIGTERM);
    return feed_finish(pid);
}

// A UDP port on 127.0.0.1 that was free a moment ago.
inline uint16_t feed_free_port() {
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size);
    close(fd);
    return ntohs(a.sin_port);
}

// True while something holds 127.0.0.1:`port` for itself.
inline bool feed_port_taken(uint16_t port) {
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool taken = bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0;
    close(fd);
    return taken;
}

// Sends each datagram to `host`:`port` (IPv4) from one socket, multicast through loopback.
inline bool feed_send(const std::string& host, uint16_t port, const std::vector<std::string>& datagrams) {
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    in_addr loopback{htonl(INADDR_LOOPBACK)};
    setsockopt(fd, IPPROTO_IP, IP_MULTICAST_IF, &loopback, sizeof loopback);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    inet_pton(AF_INET, host.c_str(), &to.sin_addr);
    bool ok = true;
    for (const std::string& d : datagrams)
        ok &= sendto(fd, d.data(), d.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to) == ssize_t(d.size());
    close(fd);
    return ok;
}
