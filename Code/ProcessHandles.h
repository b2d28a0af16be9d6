#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

// Small owners of the process handles that the runners use: each one is
// released on every path out.

// A file descriptor that closes itself.
class UniqueFd final
{
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd &&other) noexcept : m_fd(other.release()) {}
    UniqueFd &operator=(UniqueFd &&other) noexcept
    {
        reset(other.release());
        return *this;
    }
    UniqueFd(const UniqueFd &) = delete;
    UniqueFd &operator=(const UniqueFd &) = delete;

    int get() const { return m_fd; }
    int release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    void reset(int fd = -1)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd = -1;
};

struct Pipe
{
    UniqueFd readEnd;
    UniqueFd writeEnd;
};

inline bool MakePipe(Pipe &pipe)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return false;
    pipe.readEnd.reset(fds[0]);
    pipe.writeEnd.reset(fds[1]);
    return true;
}

// posix_spawn's setup objects, destroyed on every path out.
class SpawnSetup final
{
public:
    SpawnSetup()
    {
        m_ok = posix_spawn_file_actions_init(&m_actions) == 0;
        if (m_ok && posix_spawnattr_init(&m_attributes) != 0) {
            posix_spawn_file_actions_destroy(&m_actions);
            m_ok = false;
        }
    }
    ~SpawnSetup()
    {
        if (m_ok) {
            posix_spawnattr_destroy(&m_attributes);
            posix_spawn_file_actions_destroy(&m_actions);
        }
    }
    SpawnSetup(const SpawnSetup &) = delete;
    SpawnSetup &operator=(const SpawnSetup &) = delete;

    bool ok() const { return m_ok; }
    posix_spawn_file_actions_t *actions() { return &m_actions; }
    posix_spawnattr_t *attributes() { return &m_attributes; }

private:
    posix_spawn_file_actions_t m_actions{};
    posix_spawnattr_t m_attributes{};
    bool m_ok = false;
};

// The child process: reaped on every path out, so none is left a zombie.
class ChildProcess final
{
public:
    explicit ChildProcess(pid_t pid) : m_pid(pid) {}
    ~ChildProcess()
    {
        if (!m_reaped)
            ::waitpid(m_pid, nullptr, 0);
    }
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;

    pid_t pid() const { return m_pid; }
    // True once the child has ended; its status is kept.
    bool HasEnded()
    {
        if (m_reaped)
            return true;
        int status = 0;
        const pid_t result = ::waitpid(m_pid, &status, WNOHANG);
        if (result == m_pid || (result < 0 && errno == ECHILD)) {
            m_reaped = true;
            m_status = status;
        }
        return m_reaped;
    }
    int ExitCode() const
    {
        if (WIFEXITED(m_status))
            return WEXITSTATUS(m_status);
        if (WIFSIGNALED(m_status))
            return 128 + WTERMSIG(m_status);
        return -1;
    }

private:
    pid_t m_pid;
    bool m_reaped = false;
    int m_status = 0;
};
