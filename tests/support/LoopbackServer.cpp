#include "tests/support/LoopbackServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace {

bool WaitReadable(int fd, int milliseconds) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, milliseconds) > 0;
}

} // namespace

bool LoopbackServer::Connection::Send(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

std::string LoopbackServer::Connection::Path() const {
    const std::size_t start = request.find(' ');
    const std::size_t end = request.find(' ', start + 1);
    if (start == std::string::npos || end == std::string::npos)
        return {};
    return request.substr(start + 1, end - start - 1);
}

void LoopbackServer::Connection::Stall() {
    while (!stopping.load())
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

LoopbackServer::LoopbackServer(Handler handler) : handler(std::move(handler)) {
    listener = ::socket(AF_INET, SOCK_STREAM, 0);
    if (listener < 0)
        throw std::runtime_error("socket");
    const int yes = 1;
    ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 16) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("bind");
    port = ntohs(address.sin_port);
    acceptor = std::thread([this] { AcceptLoop(); });
}

LoopbackServer::~LoopbackServer() {
    stopping.store(true);
    acceptor.join();
    for (std::thread& t : workers)
        t.join();
    ::close(listener);
}

std::string LoopbackServer::Address(const std::string& path) const {
    return "127.0.0.1:" + std::to_string(port) + path;
}

std::vector<std::string> LoopbackServer::Requests() const {
    std::lock_guard<std::mutex> lock(requestsLock);
    return requests;
}

std::string LoopbackServer::Response(std::string_view body, std::string_view status,
                                     std::string_view headers) {
    std::string r = "HTTP/1.0 ";
    r += status;
    r += "\r\n";
    r += headers;
    r += "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
    r += body;
    return r;
}

LoopbackServer::Handler LoopbackServer::Serve(std::string bytes) {
    return [bytes = std::move(bytes)](Connection& c) { c.Send(bytes); };
}

LoopbackServer::Handler LoopbackServer::Answer(std::string_view body, std::string_view status,
                                               std::string_view headers) {
    return Serve(Response(body, status, headers));
}

LoopbackServer::Handler LoopbackServer::Redirect(const std::string& location) {
    return Answer("moved", "302 Found", "Location: " + location + "\r\n");
}

LoopbackServer::Handler LoopbackServer::ThenStall(std::string bytes) {
    return [bytes = std::move(bytes)](Connection& c) {
        c.Send(bytes);
        c.Stall();
    };
}

LoopbackServer::Handler LoopbackServer::Drip(std::string head, int pieces, std::size_t size,
                                             int gapMs) {
    return [=](Connection& c) {
        c.Send(head);
        for (int i = 0; i < pieces && c.Send(std::string(size, 'd')); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(gapMs));
    };
}

LoopbackServer::Handler LoopbackServer::Routes(std::map<std::string, Handler> routes) {
    return [routes = std::move(routes)](Connection& c) {
        std::string path = c.Path(); // "//page", as a followed absolute link asks, is "/page"
        while (path.size() > 1 && path[1] == '/')
            path.erase(0, 1);
        const auto route = routes.find(path);
        if (route != routes.end())
            route->second(c);
        else
            c.Send(Response("", "404 Not Found"));
    };
}

void LoopbackServer::AcceptLoop() {
    while (!stopping.load()) {
        if (!WaitReadable(listener, 20))
            continue;
        const int fd = ::accept(listener, nullptr, nullptr);
        if (fd < 0)
            continue;
        workers.emplace_back([this, fd] { Handle(fd); });
    }
}

void LoopbackServer::Handle(int fd) {
    Connection connection(fd, stopping);
    char buffer[4096];
    // Read the request head (a GET has no body); give up after two quiet seconds.
    while (connection.request.find("\r\n\r\n") == std::string::npos && !stopping.load()) {
        if (!WaitReadable(fd, 2000))
            break;
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        connection.request.append(buffer, static_cast<std::size_t>(n));
    }
    {
        std::lock_guard<std::mutex> lock(requestsLock);
        requests.push_back(connection.request);
    }
    handler(connection);
    ::shutdown(fd, SHUT_RDWR);
    ::close(fd);
}
