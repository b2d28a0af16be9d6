// The encoder: converts the audio of one media file into one audio file.
// Started with "--serve" alone, it stays and converts one request after
// another from standard input (see EncoderService.h), reporting each one's
// exit status on descriptor 3.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

#include "EncoderService.h"

namespace {

constexpr int StatusFd = 3;

} // namespace

int main(int argc, char *argv[])
{
    // The libraries' own messages would mix with the progress reports.
    av_log_set_level(AV_LOG_QUIET);

    if (argc == 2 && std::strcmp(argv[1], "--serve") == 0) {
        if (::fcntl(StatusFd, F_GETFD) < 0) {
            std::fprintf(stderr, "evc: --serve needs a status pipe on descriptor %d\n", StatusFd);
            return 2;
        }
        return ServeRequests(STDIN_FILENO, stderr, StatusFd);
    }
    return ConvertOnce(std::vector<std::string>(argv + 1, argv + argc), stderr);
}
