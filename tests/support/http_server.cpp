#include "http_server.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace {

int loopback_socket(int& port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        close(fd);
        return -1;
    }
    port = ntohs(address.sin_port);
    return fd;
}

// Waits up to `ms` for `fd` to be readable, in slices so that a stop is noticed.
bool readable(HttpServer& server, int fd, int ms) {
    for (int waited = 0; waited < ms && !server.stopping; waited += 50) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 50) > 0) return true;
    }
    return false;
}

void serve(HttpServer& server) {
    size_t next = 0;
    while (!server.stopping) {
        if (!readable(server, server.listener, 1 << 30)) break;
        int client = accept4(server.listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) continue;
        std::string head;
        char buffer[4096];
        while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536 && readable(server, client, 5000)) {
            ssize_t n = recv(client, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            head.append(buffer, size_t(n));
        }
        {
            std::lock_guard<std::mutex> hold(server.lock);
            server.requests.push_back(head);
        }
        HttpCanned answer;
        if (!server.answers.empty()) answer = server.answers[std::min(next, server.answers.size() - 1)];
        next++;
        auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(answer.delay_ms);
        while (!server.stopping && std::chrono::steady_clock::now() < until) usleep(20000);
        for (size_t at = 0; at < answer.bytes.size() && !server.stopping;) {
            ssize_t n = send(client, answer.bytes.data() + at, answer.bytes.size() - at, MSG_NOSIGNAL);
            if (n <= 0) break;
            at += size_t(n);
        }
        close(client);
    }
}

}  // namespace

HttpCanned http_answer(int status, const std::string& body, const std::string& headers) {
    return {"HTTP/1.1 " + std::to_string(status) + " Answer\r\nContent-Length: " + std::to_string(body.size()) +
                "\r\nConnection: close\r\n" + headers + "\r\n" + body,
            0};
}

bool http_server_start(HttpServer& server) {
    server.listener = loopback_socket(server.port);
    if (server.listener < 0 || listen(server.listener, 8) != 0) return false;
    server.thread = std::thread(serve, std::ref(server));
    return true;
}

void http_server_stop(HttpServer& server) {
    server.stopping = true;
    if (server.thread.joinable()) server.thread.join();
    if (server.listener >= 0) close(server.listener);
    server.listener = -1;
}

std::vector<std::string> http_server_requests(HttpServer& server) {
    std::lock_guard<std::mutex> hold(server.lock);
    return server.requests;
}

int http_port_refusing() {
    int port = 0;
    int fd = loopback_socket(port);
    if (fd >= 0) close(fd);
    return port;
}
