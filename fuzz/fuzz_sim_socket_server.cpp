// The simulator's server side fed any sequence of request frames by a peer that then hangs up:
// it must answer or drop the peer, never crash or hang. Input: bodies, each after a 16-bit
// little-endian length; they are sent as frames.
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <thread>
#include <vector>

#include "sim/sim_factory.h"
#include "sim/sim_socket.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> stream;
    for (size_t pos = 0; pos + 2 <= size;) {
        const size_t n = std::min<size_t>(data[pos] | data[pos + 1] << 8, size - pos - 2);
        pos += 2;
        const auto header = z7::SimFrameHeader(static_cast<uint32_t>(n));
        stream.insert(stream.end(), header.begin(), header.end());
        stream.insert(stream.end(), data + pos, data + pos + n);
        pos += n;
    }
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) return 0;
    // The peer writes everything, hangs up its side and reads whatever comes back.
    std::thread peer([fd = fds[1], &stream] {
        size_t done = 0;
        while (done < stream.size()) {
            const ssize_t n = ::send(fd, stream.data() + done, stream.size() - done, MSG_NOSIGNAL);
            if (n <= 0) break;
            done += static_cast<size_t>(n);
        }
        ::shutdown(fd, SHUT_WR);
        uint8_t sink[4096];
        while (::recv(fd, sink, sizeof sink, 0) > 0) {
        }
        ::close(fd);
    });
    z7::VirtualClock clock;
    z7::SimMouse mouse(clock, z7::FactorySimState());
    const std::atomic<bool> stop{false};
    z7::ServeSimSocketConnection(mouse, fds[0], stop);
    peer.join();
    return 0;
}
