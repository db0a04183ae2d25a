#pragma once
// A scripted HTTP server on 127.0.0.1 and an ephemeral port, for tests: each connection's request
// is read and handed to a handler that writes exactly the bytes the test wants (a page, a wrong
// length, an early close, a stall).

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

class LoopbackServer {
public:
    // One accepted connection as a handler sees it.
    class Connection {
    public:
        Connection(int fd, const std::atomic<bool>& stopping) : fd(fd), stopping(stopping) {}
        const std::string& Request() const { return request; }
        // The request target: "/a.jpg" of "GET /a.jpg HTTP/1.1".
        std::string Path() const;
        bool Send(std::string_view bytes);
        // Holds the connection open, sending nothing, until the server stops.
        void Stall();

    private:
        friend class LoopbackServer;
        int fd;
        const std::atomic<bool>& stopping;
        std::string request;
    };
    using Handler = std::function<void(Connection&)>;

    explicit LoopbackServer(Handler handler);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    uint16_t Port() const { return port; }
    // "127.0.0.1:PORT" followed by `path`.
    std::string Address(const std::string& path = "/") const;
    std::vector<std::string> Requests() const;

    // A complete HTTP/1.0 response with a Content-Length.
    static std::string Response(std::string_view body, std::string_view status = "200 OK",
                                std::string_view headers = "Content-Type: text/html\r\n");
    // Handlers: exactly `bytes`, then close; Response(...) as a handler; a 302 to `location`;
    // `bytes`, then silence until the server stops; `head`, then `pieces` pieces of `size`
    // bytes 'd', `gapMs` apart.
    static Handler Serve(std::string bytes);
    static Handler Answer(std::string_view body, std::string_view status = "200 OK",
                          std::string_view headers = "");
    static Handler Redirect(const std::string& location);
    static Handler ThenStall(std::string bytes);
    static Handler Drip(std::string head, int pieces, std::size_t size, int gapMs);
    // A handler that hands each request to the handler of its path (leading slashes folded into
    // one); other paths get a 404.
    static Handler Routes(std::map<std::string, Handler> routes);

private:
    void AcceptLoop();
    void Handle(int fd);

    Handler handler;
    int listener = -1;
    uint16_t port = 0;
    std::atomic<bool> stopping{false};
    mutable std::mutex requestsLock;
    std::vector<std::string> requests;
    std::vector<std::thread> workers;
    std::thread acceptor;
};
