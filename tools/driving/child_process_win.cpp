#include "driving/child_process_win.h"

#include <algorithm>
#include <cstdlib>

#include "base/convert.h"
#include "base/error.h"
#include "win32/failure.h"

namespace tessaly::driving {

namespace {

// A pipe whose child end is inheritable and whose parent end is not, so that no other
// program started later holds the parent's end open.
void MakePipe(UniqueHandle& read, UniqueHandle& write, bool childReads)
{
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        throw LastWin32Error("CreatePipe");
    read.reset(readEnd);
    write.reset(writeEnd);
    SetHandleInformation(childReads ? writeEnd : readEnd, HANDLE_FLAG_INHERIT, 0);
}

} // namespace

std::wstring WindowsPath(const std::string& path)
{
    std::wstring result(path.begin(), path.end());
    std::replace(result.begin(), result.end(), L'/', L'\\');
    if (!result.empty() && result[0] == L'\\')
        result = L"Z:" + result;
    return result;
}

std::wstring ProgramPath(const char* variable, const std::string& builtIn)
{
    const char* chosen = std::getenv(variable);
    return WindowsPath(chosen && *chosen ? chosen : builtIn);
}

ChildProcess::ChildProcess(const std::wstring& exe, const std::wstring& arguments, Pipes pipes)
    : name_(exe.substr(exe.find_last_of(L"\\/") + 1))
{
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    UniqueHandle childInput;
    UniqueHandle childOutput;
    if (pipes == Pipes::StandardStreams) {
        output_ = std::make_shared<Stream>();
        MakePipe(childInput, input_, true);
        MakePipe(output_->pipe, childOutput, false);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = childInput.get();
        startup.hStdOutput = childOutput.get();
        startup.hStdError = childOutput.get();
    }
    std::wstring commandLine = L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    PROCESS_INFORMATION info{};
    // CREATE_NO_WINDOW: a console program gets no console window of its own.
    const auto create = [&] {
        return CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, pipes == Pipes::StandardStreams,
                              CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info);
    };
    BOOL started = create();
    // Wine under load now and then fails a start with ERROR_INTERNAL_ERROR (seen with
    // builds running beside the suites); a second try a moment later starts it.
    if (!started && GetLastError() == ERROR_INTERNAL_ERROR) {
        Sleep(500);
        started = create();
    }
    // Every handle made so far closes itself on the way out.
    if (!started)
        throw LastWin32Error("CreateProcess of " + Narrow(commandLine));
    // The child's ends belong to the child now; holding them would keep the output open.
    childInput.reset();
    childOutput.reset();
    UniqueHandle{info.hThread}; // the thread's handle is not needed
    process_.reset(info.hProcess);
    id_ = info.dwProcessId;
    if (output_)
        reader_ = std::thread(&ChildProcess::Read, output_);
}

ChildProcess::~ChildProcess()
{
    Terminate();
    input_.reset();
    if (reader_.joinable()) {
        std::unique_lock lock(output_->mutex);
        const bool closed = output_->changed.wait_for(lock, Milliseconds(3000), [&] { return output_->closed; });
        lock.unlock();
        if (closed)
            reader_.join();
        else
            reader_.detach();
    }
}

bool ChildProcess::Running() const
{
    return WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

DWORD ChildProcess::ExitCode() const
{
    DWORD code = 0;
    GetExitCodeProcess(process_.get(), &code);
    return code;
}

DWORD ChildProcess::WaitForExit(Milliseconds timeout)
{
    if (WaitForSingleObject(process_.get(), static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0)
        throw Error(Narrow(name_) + " did not end within " + std::to_string(timeout.count()) + " ms");
    // What it wrote last may still be in the pipe: its reader ends at the pipe's end.
    if (output_) {
        std::unique_lock lock(output_->mutex);
        output_->changed.wait_for(lock, std::chrono::seconds(2), [&] { return output_->closed; });
    }
    return ExitCode();
}

void ChildProcess::Terminate() noexcept
{
    if (process_ && Running()) {
        TerminateProcess(process_.get(), 255);
        WaitForSingleObject(process_.get(), 10000);
    }
}

void ChildProcess::Send(const std::string& line)
{
    if (!input_)
        throw Error(Narrow(name_) + " has no input pipe");
    const std::string text = line + "\n";
    DWORD written = 0;
    if (!WriteFile(input_.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written != text.size())
        throw LastWin32Error("writing \"" + line + "\" to the input of " + Narrow(name_));
}

std::vector<std::string> ChildProcess::Lines() const
{
    if (!output_)
        return {};
    std::lock_guard lock(output_->mutex);
    return output_->lines;
}

std::size_t ChildProcess::WaitForLine(const std::string& prefix, std::size_t from, Milliseconds timeout)
{
    if (!output_)
        throw Error(Narrow(name_) + " has no output pipe");
    Stream& output = *output_;
    std::unique_lock lock(output.mutex);
    std::size_t found = from;
    const auto seen = [&] {
        for (; found < output.lines.size(); ++found)
            if (output.lines[found].rfind(prefix, 0) == 0)
                return true;
        return output.closed;
    };
    if (!output.changed.wait_for(lock, timeout, seen) || found >= output.lines.size()) {
        const std::string why = output.closed ? " (its output has ended)" : "";
        lock.unlock();
        throw Error(Narrow(name_) + " printed no line starting with \"" + prefix + "\" within " +
                    std::to_string(timeout.count()) + " ms" + why + "; its output:\n" + Output());
    }
    return found;
}

std::string ChildProcess::Output() const
{
    std::string text;
    for (const std::string& line : Lines())
        text += "    " + line + "\n";
    return text;
}

void ChildProcess::Read(const std::shared_ptr<Stream>& output)
{
    std::string pending;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(output->pipe.get(), buffer, sizeof(buffer), &got, nullptr) && got > 0) {
        pending.append(buffer, got);
        std::lock_guard lock(output->mutex);
        for (std::size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1)) {
            std::string line = pending.substr(0, end);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            output->lines.push_back(std::move(line));
        }
        output->changed.notify_all();
    }
    std::lock_guard lock(output->mutex);
    if (!pending.empty())
        output->lines.push_back(pending);
    output->closed = true;
    output->changed.notify_all();
}

} // namespace tessaly::driving
