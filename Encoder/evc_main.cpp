// The encoder: converts the audio of one media file into one audio file.
#include <cstdio>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

#include "EncoderOptions.h"
#include "Transcoder.h"

int main(int argc, char *argv[])
{
    // The libraries' own messages would mix with the progress reports.
    av_log_set_level(AV_LOG_QUIET);

    std::vector<std::string> arguments(argv + 1, argv + argc);
    std::string error;
    const auto options = ParseEncoderArguments(arguments, &error);
    if (!options) {
        std::fprintf(stderr, "evc: %s\n", error.c_str());
        return 2;
    }
    if (!Transcode(*options, stderr, &error)) {
        std::fprintf(stderr, "evc: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
