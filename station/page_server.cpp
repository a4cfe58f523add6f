// The one file that includes the HTTP library (cpp-httplib, Debian's libcpp-httplib-dev).
#include "page_server.h"

#include "live_json.h"
#include "live_page.h"

#include <httplib.h>

#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <set>
#include <system_error>
#include <thread>
#include <vector>

namespace vantrel {

namespace {

using Clock = std::chrono::steady_clock;

// An open page's stream says something at least this often, so a page that went away
// without a word is found out and its thread freed.
constexpr std::chrono::seconds KeepAlive{15};
// A page whose socket takes nothing for this long while updates wait is dropped.
constexpr int WriteTimeoutSeconds = 5;
// Threads for requests besides the event streams (the page, the state, the plot).
constexpr std::size_t SpareThreads = 8;

// The server's threads, made as connections need them (an idle station has few) up to a
// bound: every open page holds one for its stream.
class ServerThreads : public httplib::TaskQueue {
public:
    explicit ServerThreads(std::size_t limit) : limit_(limit) {}

    void enqueue(std::function<void()> job) override {
        {
            std::lock_guard lock(mutex_);
            jobs_.push_back(std::move(job));
            if (idle_ == 0 && threads_.size() < limit_)
                threads_.emplace_back([this] { Work(); });
        }
        ready_.notify_one();
    }

    void shutdown() override {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        ready_.notify_all();
        for (std::thread& thread : threads_)
            thread.join();
    }

private:
    void Work() {
        std::unique_lock lock(mutex_);
        for (;;) {
            ++idle_;
            ready_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            --idle_;
            if (jobs_.empty())
                return; // stopping, nothing left
            std::function<void()> job = std::move(jobs_.front());
            jobs_.pop_front();
            lock.unlock();
            job();
            lock.lock();
        }
    }

    std::size_t limit_;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::function<void()>> jobs_;
    std::vector<std::thread> threads_;
    std::size_t idle_ = 0;
    bool stopping_ = false;
};

// Binds a socket as the library will, to say why when it cannot: the library answers only
// yes or no.
void CheckBindable(const ServeAddress& address) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE;
    addrinfo* found = nullptr;
    const std::string port = std::to_string(address.port);
    if (const int error = getaddrinfo(address.host.c_str(), port.c_str(), &hints, &found);
        error != 0)
        throw ServeError(gai_strerror(error));
    int error = 0;
    for (const addrinfo* at = found; at != nullptr; at = at->ai_next) {
        const int probe = socket(at->ai_family, at->ai_socktype | SOCK_CLOEXEC, at->ai_protocol);
        if (probe < 0) {
            error = errno;
            continue;
        }
        const int yes = 1;
        setsockopt(probe, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        const bool bound = bind(probe, at->ai_addr, at->ai_addrlen) == 0;
        error = bound ? 0 : errno;
        close(probe);
        if (bound)
            break;
    }
    freeaddrinfo(found);
    if (error != 0)
        throw ServeError(std::generic_category().message(error));
}

// The Host names a page on loopback answers to: those a browser on this machine uses.
std::set<std::string> LoopbackHosts(const ServeAddress& address, int port) {
    std::set<std::string> names = {"localhost", "127.0.0.1", "[::1]"};
    names.insert(address.host.find(':') != std::string::npos ? "[" + address.host + "]"
                                                             : address.host);
    std::set<std::string> hosts;
    for (const std::string& name : names) {
        hosts.insert(name + ":" + std::to_string(port));
        if (port == 80)
            hosts.insert(name);
    }
    return hosts;
}

void Text(httplib::Response& response, int status, const std::string& text) {
    response.status = status;
    response.set_content(text + "\n", "text/plain; charset=utf-8");
}

} // namespace

struct PageServer::Impl {
    Impl(Station& station, std::function<void(std::string_view)> warn)
        : station(station), warn(std::move(warn)) {}

    void Routes();
    void Events(const httplib::Request& request, httplib::Response& response);

    Station& station;
    std::function<void(std::string_view)> warn;
    httplib::Server server;
    std::thread listening;
    std::set<std::string> hosts; // empty: any (not on loopback)
    bool started = false;
};

PageServer::PageServer(Station& station, std::function<void(std::string_view)> warn)
    : impl_(std::make_unique<Impl>(station, std::move(warn))) {}

PageServer::~PageServer() {
    Stop();
}

void PageServer::Impl::Routes() {
    server.new_task_queue = [] { return new ServerThreads(Station::PageLimit + SpareThreads); };
    // Without the library's SO_REUSEPORT, so that a port another program listens on is
    // refused rather than shared.
    server.set_socket_options([](socket_t socket) {
        const int yes = 1;
        setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    server.set_payload_max_length(4096);
    // One request a connection, and a connection that sends none is let go after a second:
    // an idle connection holds a thread, and the server's stop waits for its threads.
    server.set_keep_alive_max_count(1);
    server.set_keep_alive_timeout(1);
    server.set_write_timeout(WriteTimeoutSeconds, 0);
    server.set_default_headers({{"X-Content-Type-Options", "nosniff"},
                                {"Referrer-Policy", "no-referrer"},
                                {"X-Frame-Options", "DENY"},
                                {"Cache-Control", "no-store"}});
    server.set_pre_routing_handler(
        [this](const httplib::Request& request, httplib::Response& response) {
            if (request.method != "GET") {
                response.set_header("Allow", "GET");
                Text(response, 405, "405 method not allowed: the live page is read-only");
                return httplib::Server::HandlerResponse::Handled;
            }
            if (!hosts.empty() && hosts.count(request.get_header_value("Host")) == 0) {
                Text(response, 403,
                     "403 forbidden: the live page answers only to this machine's "
                     "own names for it");
                return httplib::Server::HandlerResponse::Handled;
            }
            return httplib::Server::HandlerResponse::Unhandled;
        });
    server.set_error_handler([](const httplib::Request&, httplib::Response& response) {
        if (response.status == 404 && response.body.empty())
            Text(response, 404, "404 not found: the live page is at /");
    });
    server.Get("/", [](const httplib::Request&, httplib::Response& response) {
        response.set_header("Content-Security-Policy", LivePagePolicy());
        response.set_content(LivePage(), "text/html; charset=utf-8");
    });
    server.Get("/state.json", [this](const httplib::Request&, httplib::Response& response) {
        response.set_content(station.Render(StateJson), "application/json");
    });
    server.Get("/plot.svg", [this](const httplib::Request&, httplib::Response& response) {
        std::string plot =
            station.Render([](const LiveState& state, bool) { return PositionPlotImage(state); });
        if (plot.empty())
            return Text(response, 404, "404 not found: no position yet");
        response.set_header("Content-Security-Policy",
                            "default-src 'none'; style-src 'unsafe-inline'");
        response.set_content(plot, "image/svg+xml");
    });
    server.Get("/events", [this](const httplib::Request& request, httplib::Response& response) {
        Events(request, response);
    });
}

// The page's stream: the reconnection delay, then its queue's events as they come, a comment
// when nothing came for a while. The stream ends when the queue does (the page dropped, the
// station stopped) or a write fails (the page went away, or stopped reading).
void PageServer::Impl::Events(const httplib::Request& request, httplib::Response& response) {
    const std::string peer = request.remote_addr + ":" + std::to_string(request.remote_port);
    std::shared_ptr<ClientQueue> queue = station.OpenPage(peer);
    if (!queue)
        return Text(response, 503, "503 too many live pages are open");
    response.set_chunked_content_provider(
        "text/event-stream",
        [this, queue, peer](std::size_t offset, httplib::DataSink& sink) {
            std::string text;
            if (offset == 0)
                text = "retry: 2000\n\n";
            const std::optional<std::vector<ClientQueue::Event>> events = queue->Take(KeepAlive);
            if (!events) {
                // Dropped: cut off. The station stopping: the stream's proper end.
                if (queue->dropped())
                    return false;
                sink.done();
                return true;
            }
            for (const ClientQueue::Event& event : *events)
                text += *event;
            if (text.empty())
                text = ":\n\n";
            const auto began = Clock::now();
            if (sink.write(text.data(), text.size()))
                return true;
            // A page that went away fails at once; one that stopped reading only after the
            // write timeout.
            if (Clock::now() - began >= std::chrono::seconds(WriteTimeoutSeconds - 1))
                warn(peer + ": a live page that read nothing for " +
                     std::to_string(WriteTimeoutSeconds) + " s was dropped");
            return false;
        },
        [this, queue](bool) { station.PageClosed(queue); });
}

int PageServer::Start(const ServeAddress& address) {
    CheckBindable(address);
    impl_->Routes();
    const int port =
        address.port == 0
            ? impl_->server.bind_to_any_port(address.host)
            : (impl_->server.bind_to_port(address.host, address.port) ? address.port : -1);
    if (port < 0)
        throw ServeError(errno != 0 ? std::generic_category().message(errno) : "cannot listen");
    if (IsLoopback(address.host))
        impl_->hosts = LoopbackHosts(address, port);
    impl_->started = true;
    impl_->listening = std::thread([this] { impl_->server.listen_after_bind(); });
    return port;
}

void PageServer::Stop() {
    if (!impl_->started)
        return;
    impl_->started = false;
    // The streams first: their threads wait on their queues, and the server's stop waits for
    // its threads.
    impl_->station.Stop();
    impl_->server.stop();
    impl_->listening.join();
}

} // namespace vantrel
