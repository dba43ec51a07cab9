#pragma once

// Another program started by a test, with its standard output read line by line and
// lines written to its standard input.

#include <string>
#include <vector>

class ChildProcess {
public:
    // Starts program with args in directory (empty: the current one).
    ChildProcess(const std::string& program, const std::vector<std::string>& args, const std::string& directory = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // The next line of output without its newline; false at the end of output or after
    // timeoutMs without a line.
    bool readLine(std::string& line, int timeoutMs);
    // Writes text and a newline to the program's standard input.
    void writeLine(const std::string& text);
    void kill();
    // Waits for the program to end; its exit status, or -signal when a signal ended it.
    int wait();

private:
    int m_pid = -1;
    int m_out = -1;
    int m_in = -1;
    std::string m_buffer;
};
