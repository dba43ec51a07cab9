#include "ChildProcess.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           const std::string& directory)
{
    int pipeFds[2];
    int inputFds[2];
    if (pipe(pipeFds) != 0 || pipe(inputFds) != 0)
        throw std::runtime_error("pipe failed");
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    m_pid = fork();
    if (m_pid < 0)
        throw std::runtime_error("fork failed");
    if (m_pid == 0) {
        // Only async-signal-safe calls between fork and exec.
        dup2(pipeFds[1], STDOUT_FILENO);
        dup2(inputFds[0], STDIN_FILENO);
        close(pipeFds[0]);
        close(pipeFds[1]);
        close(inputFds[0]);
        close(inputFds[1]);
        if (!directory.empty() && chdir(directory.c_str()) != 0)
            _exit(127);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(pipeFds[1]);
    close(inputFds[0]);
    m_out = pipeFds[0];
    m_in = inputFds[1];
}

ChildProcess::~ChildProcess()
{
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
    if (m_out >= 0)
        close(m_out);
    if (m_in >= 0)
        close(m_in);
}

void ChildProcess::writeLine(const std::string& text)
{
    const std::string line = text + "\n";
    if (write(m_in, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
        throw std::runtime_error("cannot write to the child program");
}

bool ChildProcess::readLine(std::string& line, int timeoutMs)
{
    for (;;) {
        const auto newline = m_buffer.find('\n');
        if (newline != std::string::npos) {
            line = m_buffer.substr(0, newline);
            m_buffer.erase(0, newline + 1);
            return true;
        }
        pollfd fd{m_out, POLLIN, 0};
        if (poll(&fd, 1, timeoutMs) <= 0)
            return false;
        char chunk[512];
        const ssize_t got = read(m_out, chunk, sizeof chunk);
        if (got <= 0)
            return false;
        m_buffer.append(chunk, static_cast<size_t>(got));
    }
}

void ChildProcess::kill()
{
    if (m_pid > 0)
        ::kill(m_pid, SIGKILL);
}

int ChildProcess::wait()
{
    if (m_pid <= 0)
        return -1;
    int status = 0;
    waitpid(m_pid, &status, 0);
    m_pid = -1;
    if (WIFSIGNALED(status))
        return -WTERMSIG(status);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
