#include "EncoderService.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "EncoderOptions.h"
#include "Transcoder.h"

namespace {

// Far more than any command line of the program; a longer field means the
// requests are not ours.
constexpr std::size_t LongestField = 64 * 1024;
constexpr long MostArguments = 1024;

bool WriteAll(int fd, const std::string &text)
{
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t result = ::write(fd, text.data() + written, text.size() - written);
        if (result < 0 && errno == EINTR)
            continue;
        if (result <= 0)
            return false;
        written += static_cast<std::size_t>(result);
    }
    return true;
}

} // namespace

int ConvertOnce(const std::vector<std::string> &arguments, std::FILE *progress)
{
    std::string error;
    const auto options = ParseEncoderArguments(arguments, &error);
    if (!options) {
        std::fprintf(progress, "evc: %s\n", error.c_str());
        return 2;
    }
    if (!Transcode(*options, progress, &error)) {
        std::fprintf(progress, "evc: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

bool RequestReader::NextField(std::string *field)
{
    for (;;) {
        const std::size_t end = m_buffer.find('\0', m_used);
        if (end != std::string::npos) {
            field->assign(m_buffer, m_used, end - m_used);
            m_used = end + 1;
            return true;
        }
        if (m_buffer.size() - m_used > LongestField)
            return false;
        m_buffer.erase(0, m_used);
        m_used = 0;
        char chunk[4096];
        ssize_t got;
        do
            got = ::read(m_fd, chunk, sizeof chunk);
        while (got < 0 && errno == EINTR);
        if (got <= 0)
            return false;
        m_buffer.append(chunk, static_cast<std::size_t>(got));
    }
}

std::optional<std::vector<std::string>> RequestReader::Next()
{
    if (m_ended)
        return std::nullopt;
    std::string field;
    if (NextField(&field)) {
        char *end = nullptr;
        const long count = std::strtol(field.c_str(), &end, 10);
        if (!field.empty() && *end == '\0' && count >= 0 && count <= MostArguments) {
            std::vector<std::string> arguments(static_cast<std::size_t>(count));
            bool whole = true;
            for (std::string &argument : arguments)
                whole = whole && NextField(&argument);
            if (whole)
                return arguments;
        }
    }
    m_ended = true;
    return std::nullopt;
}

int ServeRequests(int requestFd, std::FILE *progress, int statusFd)
{
    RequestReader requests(requestFd);
    while (const auto arguments = requests.Next()) {
        const int status = ConvertOnce(*arguments, progress);
        // Every report of this file is out before its status: whoever reads
        // both knows the file's output is complete once the status arrives.
        std::fflush(progress);
        if (!WriteAll(statusFd, std::to_string(status) + "\n"))
            return 1;
    }
    return 0;
}
