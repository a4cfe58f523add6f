// The live page's server over loopback, spoken to through plain sockets: what it answers to
// each method, path and Host, and a page that stops reading while records pour in: it is
// dropped with a line, the decode's hand-over never waits for it, and a page that reads gets
// every record meanwhile.
#include "page_server.h"
#include "station.h"
#include "station_records.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

namespace {

using station_test::Call;
using station_test::Record;

// A socket connected to 127.0.0.1:port; `receiveBuffer` small makes a client that cannot
// take much before the server's writes stop.
int Connect(int port, int receiveBuffer = 0) {
    const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
    if (receiveBuffer > 0)
        setsockopt(socket, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    const timeval wait{10, 0};
    setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    return socket;
}

void Send(int socket, const std::string& text) {
    ASSERT_EQ(send(socket, text.data(), text.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(text.size()));
}

// The whole answer to one request (the server closes after it).
std::string Ask(int port, const std::string& request) {
    const int socket = Connect(port);
    Send(socket, request);
    std::string answer;
    char buffer[65536];
    for (ssize_t got; (got = recv(socket, buffer, sizeof buffer, 0)) > 0;)
        answer.append(buffer, static_cast<std::size_t>(got));
    close(socket);
    return answer;
}

std::string Host(int port) {
    return "127.0.0.1:" + std::to_string(port);
}

class PageServerTest : public testing::Test {
protected:
    void Start(std::size_t pageQueueBytes = vantrel::Station::PageQueueBytes) {
        auto warn = [this](std::string_view line) {
            std::lock_guard lock(mutex);
            warnings.emplace_back(line);
        };
        station = std::make_unique<vantrel::Station>(100, warn, pageQueueBytes);
        server = std::make_unique<vantrel::PageServer>(*station, warn);
        port = server->Start({"127.0.0.1", 0});
    }
    void TearDown() override {
        server.reset();
        station.reset();
    }
    std::vector<std::string> Warnings() {
        std::lock_guard lock(mutex);
        return warnings;
    }

    std::mutex mutex;
    std::vector<std::string> warnings;
    std::unique_ptr<vantrel::Station> station;
    std::unique_ptr<vantrel::PageServer> server;
    int port = 0;
};

TEST_F(PageServerTest, GetServesItsFourPathsAndNothingElse) {
    Start();
    struct Case {
        std::string method, path, host;
        const char* status; // the status line's start
    };
    const std::string here = Host(port);
    for (const Case& c : {
             Case{"GET", "/", here, "HTTP/1.1 200"},
             Case{"GET", "/state.json", here, "HTTP/1.1 200"},
             Case{"GET", "/?x=1", "localhost:" + std::to_string(port), "HTTP/1.1 200"},
             Case{"GET", "/plot.svg", here, "HTTP/1.1 404"}, // no position yet
             Case{"GET", "/index.html", here, "HTTP/1.1 404"},
             Case{"GET", "/events/", here, "HTTP/1.1 404"},
             Case{"GET", "/../etc/passwd", here, "HTTP/1.1 404"},
             Case{"POST", "/", here, "HTTP/1.1 405"},
             Case{"PUT", "/state.json", here, "HTTP/1.1 405"},
             Case{"DELETE", "/events", here, "HTTP/1.1 405"},
             Case{"PATCH", "/", here, "HTTP/1.1 405"},
             Case{"OPTIONS", "/", here, "HTTP/1.1 405"},
             Case{"HEAD", "/", here, "HTTP/1.1 405"},
             Case{"TRACE", "/", here, "HTTP/1.1 405"},
             Case{"POST", "/nowhere", here, "HTTP/1.1 405"},
             // A web site whose name it made resolve to 127.0.0.1 is not this page's host.
             Case{"GET", "/state.json", "attacker.example:" + std::to_string(port), "HTTP/1.1 403"},
             Case{"GET", "/", "127.0.0.1:1", "HTTP/1.1 403"},
         }) {
        const std::string answer =
            Ask(port, c.method + " " + c.path + " HTTP/1.1\r\nHost: " + c.host +
                          "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        EXPECT_TRUE(answer.starts_with(c.status))
            << c.method << ' ' << c.path << ' ' << c.host << ":\n"
            << answer.substr(0, 200);
        if (std::string_view(c.status).ends_with("405")) {
            EXPECT_NE(answer.find("\r\nAllow: GET\r\n"), std::string::npos) << answer;
        }
    }
}

TEST_F(PageServerTest, APageThatStopsReadingIsDroppedAndNeverHoldsTheDecode) {
    Start(64 << 10);
    const auto openStream = [this](int receiveBuffer) {
        const int socket = Connect(port, receiveBuffer);
        Send(socket, "GET /events HTTP/1.1\r\nHost: " + Host(port) + "\r\n\r\n");
        return socket;
    };
    const int stalled = openStream(4096);
    sockaddr_in stalledAddress{};
    socklen_t length = sizeof stalledAddress;
    getsockname(stalled, reinterpret_cast<sockaddr*>(&stalledAddress), &length);
    const std::string stalledName = "127.0.0.1:" + std::to_string(ntohs(stalledAddress.sin_port));

    // A page that reads everything, counting the records it is sent.
    const int reading = openStream(0);
    std::atomic<std::size_t> received{0};
    std::thread reader([&] {
        std::string text;
        char buffer[1 << 16];
        for (ssize_t got; (got = recv(reading, buffer, sizeof buffer, 0)) > 0;) {
            text.append(buffer, static_cast<std::size_t>(got));
            std::size_t count = 0;
            for (std::size_t at = 0;
                 (at = text.find("{\"version\":1,\"file\"", at)) != std::string::npos; ++at)
                ++count;
            received = count;
        }
    });

    // Rounds of records, each fewer than a news event takes, with room for the news between
    // them, until the stalled page is said to be dropped: with a 64 KiB bound and the
    // kernel's buffers that is a few MB. The hand-over returns every time meanwhile.
    const Call call{.message = std::string(2000, 'M')};
    std::size_t added = 0;
    for (int round = 0; round < 400 && Warnings().empty(); ++round) {
        for (int i = 0; i < 50; ++i)
            station->Add(Record(call, static_cast<std::int64_t>(++added)));
        std::this_thread::sleep_for(std::chrono::milliseconds(vantrel::Station::PaceMs + 10));
    }
    const std::vector<std::string> said = Warnings();
    ASSERT_EQ(said.size(), 1U) << added << " records added, no page dropped";
    EXPECT_TRUE(said[0].starts_with(stalledName + ": a live page that left 64 KiB")) << said[0];

    for (int wait = 0; wait < 200 && received < added; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(received, added);
    close(stalled);
    shutdown(reading, SHUT_RDWR);
    reader.join();
    close(reading);
}

} // namespace
