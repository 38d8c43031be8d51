// The loopback ceiling for the transfer benchmark: one TCP stream carrying a file into
// tmpfs, with large reads and writes and nothing else in the way.
//   rawtcp SOURCE DESTINATION   prints "<bytes> bytes in <seconds> s (<MiB/s> MiB/s)"
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: rawtcp SOURCE DESTINATION\n");
        return 2;
    }
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listener, 1) != 0
        || getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        std::perror("listen");
        return 1;
    }
    const auto start = std::chrono::steady_clock::now();
    long long received = 0;
    std::thread receiver([&] {
        const int peer = accept(listener, nullptr, nullptr);
        const int out = open(argv[2], O_WRONLY | O_CREAT | O_TRUNC, 0644);
        std::vector<char> buffer(1 << 20);
        ssize_t n;
        while ((n = recv(peer, buffer.data(), buffer.size(), 0)) > 0) {
            if (write(out, buffer.data(), size_t(n)) != n)
                break;
            received += n;
        }
        close(out);
        close(peer);
    });
    const int sender = socket(AF_INET, SOCK_STREAM, 0);
    if (connect(sender, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        std::perror("connect");
        return 1;
    }
    const int in = open(argv[1], O_RDONLY);
    std::vector<char> buffer(1 << 20);
    ssize_t n;
    while ((n = read(in, buffer.data(), buffer.size())) > 0) {
        for (ssize_t off = 0; off < n;) {
            const ssize_t sent = send(sender, buffer.data() + off, size_t(n - off), 0);
            if (sent <= 0)
                return 1;
            off += sent;
        }
    }
    close(sender);
    receiver.join();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::fprintf(stderr, "%lld bytes in %.3f s (%.1f MiB/s)\n", received, seconds, received / seconds / 1048576.0);
    return 0;
}
