// A pseudo-terminal read at a signal page's pace, with nothing else: a writer
// hands over 14-byte chunks (a UART FIFO's trigger level) at 19200 baud, four
// 561-byte blocks every 1.5 s tick, and a reader polls and reads them. The
// reader's CPU time is what the machine charges for that wake-up pattern alone;
// bench/live_page/run prints it beside the program's so that a slow stretch of
// the machine is not taken for the program's own cost.
// Usage: pty_control PIDFILE   (writes the reader's process id, runs until killed)
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

namespace {

// Bytes handed over together, as corvane-sim does.
constexpr int ChunkBytes = 14;
// One byte is ten bits on the wire at 19200 baud.
constexpr auto ByteTime = std::chrono::microseconds(10 * 1000000 / 19200);
// A signal page reads four 561-byte blocks a tick.
constexpr int BytesPerTick = 4 * 561;
// The polling cycle's tick.
constexpr auto Tick = std::chrono::milliseconds(1500);
// The reader's poll time-out, short enough to notice its writer is gone.
constexpr int ReaderPollMs = 500;

int runReader(int fd) {
    char buf[4096];
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        const int n = poll(&p, 1, ReaderPollMs);
        if (n < 0 || (n > 0 && read(fd, buf, sizeof buf) <= 0) || getppid() == 1)
            return 0;
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: pty_control PIDFILE\n");
        return 2;
    }
    int master = -1, slave = -1;
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
        std::perror("openpty");
        return 1;
    }
    termios t{};
    tcgetattr(slave, &t);
    cfmakeraw(&t);
    tcsetattr(slave, TCSANOW, &t);

    const pid_t reader = fork();
    if (reader < 0) {
        std::perror("fork");
        return 1;
    }
    if (reader == 0) {
        close(master);
        return runReader(slave);
    }
    close(slave);
    if (FILE* f = std::fopen(argv[1], "w")) {
        std::fprintf(f, "%d\n", int(reader));
        std::fclose(f);
    }

    const char chunk[ChunkBytes] = {};
    auto tickStart = std::chrono::steady_clock::now();
    for (;;) {
        auto next = tickStart;
        for (int sent = 0; sent < BytesPerTick; sent += ChunkBytes) {
            next += ByteTime * ChunkBytes;
            std::this_thread::sleep_until(next);
            if (write(master, chunk, ChunkBytes) != ChunkBytes)
                return 1;
        }
        tickStart += Tick;
        std::this_thread::sleep_until(tickStart);
    }
}
