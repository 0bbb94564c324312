// A helper of bench/fleet.sh (not a benchmark): relays COUNT local TCP ports from FIRST_PORT on to one
// address, so that one collector can be reached under many names, and a group of them can be frozen
// together with SIGSTOP, as a collector that stopped answering.
//   tcp_relay LISTEN_ADDRESS FIRST_PORT COUNT TARGET_ADDRESS TARGET_PORT
// Prints "ready" once every port listens; runs until it is ended.
#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <unordered_map>

namespace {

struct Pipe {
    int peer = -1;
};

sockaddr_in addressOf(const char *host, int port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    if (inet_pton(AF_INET, host, &address.sin_addr) != 1) {
        std::fprintf(stderr, "tcp_relay: %s is no IPv4 address\n", host);
        std::exit(2);
    }
    return address;
}

void closePair(int epoll, std::unordered_map<int, Pipe> &pipes, int fd)
{
    const auto found = pipes.find(fd);
    if (found == pipes.end())
        return;
    const int peer = found->second.peer;
    for (const int end : {fd, peer}) {
        epoll_ctl(epoll, EPOLL_CTL_DEL, end, nullptr);
        close(end);
        pipes.erase(end);
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 6) {
        std::fprintf(stderr, "usage: tcp_relay LISTEN_ADDRESS FIRST_PORT COUNT TARGET_ADDRESS TARGET_PORT\n");
        return 2;
    }
    std::signal(SIGPIPE, SIG_IGN);
    const int first = std::atoi(argv[2]), count = std::atoi(argv[3]);
    const sockaddr_in target = addressOf(argv[4], std::atoi(argv[5]));
    const int epoll = epoll_create1(EPOLL_CLOEXEC);
    std::unordered_map<int, bool> listeners;
    for (int port = first; port < first + count; ++port) {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        const int yes = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        const sockaddr_in address = addressOf(argv[1], port);
        if (bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0 ||
            listen(fd, 64) != 0) {
            std::fprintf(stderr, "tcp_relay: port %d: %s\n", port, std::strerror(errno));
            return 1;
        }
        epoll_event event{EPOLLIN, {.fd = fd}};
        epoll_ctl(epoll, EPOLL_CTL_ADD, fd, &event);
        listeners[fd] = true;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    std::unordered_map<int, Pipe> pipes;
    epoll_event events[64];
    char buffer[65536];
    for (;;) {
        const int n = epoll_wait(epoll, events, 64, -1);
        for (int i = 0; i < n; ++i) {
            const int fd = events[i].data.fd;
            if (listeners.count(fd)) {
                const int client = accept4(fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
                if (client < 0)
                    continue;
                // The collector is near: a blocking connect takes microseconds.
                const int server = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
                if (connect(server, reinterpret_cast<const sockaddr *>(&target), sizeof target) != 0) {
                    close(client);
                    close(server);
                    continue;
                }
                fcntl(server, F_SETFL, fcntl(server, F_GETFL) | O_NONBLOCK);
                const int yes = 1;
                for (const int end : {client, server}) {
                    setsockopt(end, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
                    epoll_event event{EPOLLIN | EPOLLRDHUP, {.fd = end}};
                    epoll_ctl(epoll, EPOLL_CTL_ADD, end, &event);
                }
                pipes[client] = {server};
                pipes[server] = {client};
                continue;
            }
            if (!pipes.count(fd))
                continue;
            const int peer = pipes[fd].peer;
            const ssize_t got = read(fd, buffer, sizeof buffer);
            if (got <= 0) {
                if (got < 0 && (errno == EAGAIN || errno == EINTR))
                    continue;
                closePair(epoll, pipes, fd);
                continue;
            }
            // Small answers to a peer that reads: written whole, waiting on it briefly if need be.
            for (ssize_t done = 0; done < got;) {
                const ssize_t put = write(peer, buffer + done, static_cast<std::size_t>(got - done));
                if (put > 0)
                    done += put;
                else if (errno != EAGAIN && errno != EINTR)
                    break;
            }
        }
    }
}
