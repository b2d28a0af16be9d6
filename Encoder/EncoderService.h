#pragma once

#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

// Converts one file as one command line of the encoder asks; reports and
// errors go to the given stream. Returns the encoder's exit status: 0 for a
// complete output file, 1 for a failed conversion, 2 for a bad command line.
int ConvertOnce(const std::vector<std::string> &arguments, std::FILE *progress);

// The requests of a resident encoder, read from a descriptor. A request is
// the number of its arguments in decimal, then the arguments; each of these
// fields ends with a NUL byte, which no argument can hold.
class RequestReader final
{
public:
    explicit RequestReader(int fd) : m_fd(fd) {}

    // The next request's arguments; nothing at the end of the requests or
    // when they are malformed (then the reader is at its end too).
    std::optional<std::vector<std::string>> Next();

private:
    // The next field, without its NUL; false at the end of the input.
    bool NextField(std::string *field);

    int m_fd;
    std::string m_buffer;
    std::size_t m_used = 0;
    bool m_ended = false;
};

// Converts the files of one request after another in one process, so that
// a batch pays the libraries' start-up once per job slot rather than once
// per file. Each conversion reports on `progress` as a run of its own would;
// then its exit status goes to statusFd as a line of text. Returns when the
// requests end.
int ServeRequests(int requestFd, std::FILE *progress, int statusFd);
