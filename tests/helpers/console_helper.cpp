// A console program for the runner and process tests. Its first argument
// says what to do:
//   none              write nothing and exit
//   bytes N [FILL]    write N bytes at once (FILL, default 'a') and exit
//   nul               write "abc", a NUL byte and "def" and exit
//   stderr TEXT       write TEXT to standard error and exit
//   cwd               write the working folder and exit
//   stdin             report whether standard input is open and empty
//   sleep MS          sleep silently, then exit
//   ticks N MS        write "tick N" N times, MS apart
//   exit CODE         exit with CODE
//   respawn PROGRAM   run "PROGRAM sleep 30000" again each time it ends
#include <unistd.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

static void WriteAll(int fd, const char *data, size_t size)
{
    while (size > 0) {
        const ssize_t written = write(fd, data, size);
        if (written <= 0)
            return;
        data += written;
        size -= static_cast<size_t>(written);
    }
}

int main(int argc, char *argv[])
{
    const std::string mode = argc > 1 ? argv[1] : "none";
    if (mode == "bytes" && argc > 2) {
        const std::string data(static_cast<size_t>(std::atoi(argv[2])), argc > 3 ? argv[3][0] : 'a');
        WriteAll(1, data.data(), data.size());
    } else if (mode == "nul") {
        WriteAll(1, "abc\0def", 7);
    } else if (mode == "stderr" && argc > 2) {
        WriteAll(2, argv[2], std::strlen(argv[2]));
    } else if (mode == "cwd") {
        char folder[4096] = {};
        if (getcwd(folder, sizeof folder))
            WriteAll(1, folder, std::strlen(folder));
    } else if (mode == "stdin") {
        pollfd in{0, POLLIN, 0};
        const int ready = poll(&in, 1, 200);
        const bool open = fcntl(0, F_GETFD) != -1;
        const char *answer = !open ? "closed" : (ready == 0 ? "open-quiet" : "readable");
        WriteAll(1, answer, std::strlen(answer));
    } else if (mode == "sleep" && argc > 2) {
        usleep(static_cast<useconds_t>(std::atoi(argv[2])) * 1000);
    } else if (mode == "ticks" && argc > 3) {
        for (int i = 0; i < std::atoi(argv[2]); ++i) {
            const std::string tick = "tick " + std::to_string(i) + "\n";
            WriteAll(1, tick.data(), tick.size());
            usleep(static_cast<useconds_t>(std::atoi(argv[3])) * 1000);
        }
    } else if (mode == "exit" && argc > 2) {
        return std::atoi(argv[2]);
    } else if (mode == "respawn" && argc > 2) {
        for (;;) {
            const pid_t child = fork();
            if (child == 0) {
                execl(argv[2], argv[2], "sleep", "30000", static_cast<char *>(nullptr));
                _exit(127);
            }
            if (child < 0 || waitpid(child, nullptr, 0) < 0)
                return 1;
        }
    }
    return 0;
}
