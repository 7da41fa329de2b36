#pragma once

// A program started by the end-to-end tests or a tool. The destructor ends it if it still
// runs, so a failed assertion never leaves a process behind.

#include <windows.h>

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "driving/wait_win.h"

#include "win32/handles.h"

namespace tessaly::driving {

// "/tmp/build/src/tessaly.exe" as Wine's Z: drive sees it; a Windows path stays as it is.
std::wstring WindowsPath(const std::string& path);
// The program `builtIn`, unless the environment variable `variable` names another (the
// benchmarks pair a tessaly.exe and a simulated cell of different bitness).
std::wstring ProgramPath(const char* variable, const std::string& builtIn);

class ChildProcess {
public:
    enum class Pipes { None, StandardStreams };

    // Starts `exe` with `arguments`. With StandardStreams its standard input is a pipe
    // that Send writes to, and its standard output and error come back as lines.
    ChildProcess(const std::wstring& exe, const std::wstring& arguments, Pipes pipes);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    DWORD Id() const noexcept { return id_; }
    HANDLE Handle() const noexcept { return process_.get(); }
    const std::wstring& Name() const noexcept { return name_; }
    bool Running() const;
    // STILL_ACTIVE (259) while it runs.
    DWORD ExitCode() const;
    // The exit code once the process has ended on its own within the timeout.
    DWORD WaitForExit(Milliseconds timeout = kWaitTimeout);
    // Ends the process at once, if it still runs.
    void Terminate() noexcept;

    void Send(const std::string& line);
    // Every output line so far, in order.
    std::vector<std::string> Lines() const;
    // Waits for the first line at or after index `from` that starts with `prefix` and
    // returns its index; lines before it are passed over.
    std::size_t WaitForLine(const std::string& prefix, std::size_t from, Milliseconds timeout = kWaitTimeout);
    // The whole output, for failure messages.
    std::string Output() const;

private:
    // What the reader thread fills. Shared with it: a program that the child started
    // (Wine's explorer.exe, for one) may inherit the pipe and keep it open after the
    // child has ended, and then the reader is left behind rather than waited for.
    struct Stream {
        UniqueHandle pipe;
        std::mutex mutex;
        std::condition_variable changed;
        std::vector<std::string> lines;
        bool closed = false;
    };
    static void Read(const std::shared_ptr<Stream>& output);

    std::wstring name_;
    UniqueHandle process_;
    DWORD id_ = 0;
    UniqueHandle input_;
    std::shared_ptr<Stream> output_;
    std::thread reader_;
};

} // namespace tessaly::driving
