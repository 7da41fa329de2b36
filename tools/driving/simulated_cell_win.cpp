#include "driving/simulated_cell_win.h"

#include <cstdio>
#include <cstdlib>

#include "base/convert.h"
#include "base/error.h"

namespace tessaly::driving {

namespace {

constexpr const char* kChangePrefixes[] = {"added: ", "update: ", "color: ", "hyperlink: ", "deleted: "};

bool IsChange(const std::string& line)
{
    for (const char* prefix : kChangePrefixes)
        if (line.rfind(prefix, 0) == 0)
            return true;
    return false;
}

} // namespace

std::wstring SimulatedCell::Program()
{
    return ProgramPath("TESSALY_CELL_EXE", TESSALY_CELL_EXE);
}

SimulatedCell::SimulatedCell(const std::wstring& options)
    : process_(Program(), options, ChildProcess::Pipes::StandardStreams)
{
    // Its applications are registered only once it says so.
    next_ = process_.WaitForLine("ready", 0) + 1;
}

SimulatedCell::~SimulatedCell()
{
    if (!quit_ && process_.Running()) {
        try {
            Quit();
        } catch (const Error&) {
            // The process destructor ends it.
        }
    }
}

std::size_t SimulatedCell::Ask(const std::string& command, const std::string& reply)
{
    process_.Send(command);
    const std::size_t index = process_.WaitForLine(reply, next_);
    next_ = index + 1;
    return index;
}

long SimulatedCell::Number(const std::string& command)
{
    const std::string reply = command + ": ";
    const std::size_t index = Ask(command, reply);
    const std::string line = process_.Lines()[index];
    char* end = nullptr;
    const long value = std::strtol(line.c_str() + reply.size(), &end, 10);
    if (end == line.c_str() + reply.size() || *end != '\0')
        throw Error("the cell's reply \"" + line + "\" to \"" + command + "\" is not a number");
    return value;
}

std::vector<std::string> SimulatedCell::Drawing()
{
    const std::size_t first = Ask("drawing", "drawing:") + 1;
    const std::size_t end = process_.WaitForLine("end", first);
    next_ = end + 1;
    const std::vector<std::string> lines = process_.Lines();
    std::vector<std::string> entities;
    for (std::size_t i = first; i < end; ++i)
        if (lines[i].rfind("  ", 0) == 0)
            entities.push_back(lines[i].substr(2));
    return entities;
}

long SimulatedCell::Calls()
{
    return Number("calls");
}

long SimulatedCell::NonFiniteWrites()
{
    return Number("non-finite-writes");
}

long SimulatedCell::References()
{
    return Number("references");
}

SimulatedCell::RoundTripCounts SimulatedCell::RoundTrips()
{
    const std::string reply = Reply("round-trips", "round trips: ");
    RoundTripCounts c;
    if (std::sscanf(reply.c_str(), "%ld (names %ld, invokes %ld, queries %ld, releases %ld)", &c.total, &c.names,
                    &c.invokes, &c.queries, &c.releases) != 5)
        throw Error("the cell's round trips \"" + reply + "\" do not read");
    return c;
}

std::string SimulatedCell::Colours(double x, double y, double z)
{
    char command[96];
    std::snprintf(command, sizeof command, "pixel %.17g %.17g %.17g", x, y, z);
    return Reply(command, "pixel: ");
}

std::string SimulatedCell::Reply(const std::string& command, const std::string& reply)
{
    const std::size_t index = Ask(command, reply);
    return process_.Lines()[index].substr(reply.size());
}

std::vector<std::string> SimulatedCell::Changes() const
{
    const std::vector<std::string> lines = process_.Lines();
    std::vector<std::string> changes;
    for (std::size_t i = since_; i < lines.size(); ++i)
        if (IsChange(lines[i]))
            changes.push_back(lines[i]);
    return changes;
}

void SimulatedCell::Reset()
{
    since_ = Ask("reset", "reset") + 1;
}

void SimulatedCell::AnswerOddly(long call, const std::string& how)
{
    const std::string armed = Reply("odd-at " + std::to_string(call) + " " + how, "odd-at: ");
    if (armed != "call " + std::to_string(call) + " " + how)
        throw Error("the cell did not take \"odd-at " + std::to_string(call) + " " + how + "\": " + armed);
}

std::string SimulatedCell::OddlyAnswered(long call) const
{
    const std::string prefix = "odd answer: call " + std::to_string(call) + " ";
    const std::vector<std::string> lines = process_.Lines();
    for (std::size_t i = since_; i < lines.size(); ++i)
        if (lines[i].rfind(prefix, 0) == 0)
            return lines[i].substr(prefix.size(), lines[i].find(' ', prefix.size()) - prefix.size());
    return "";
}

std::vector<std::string> SimulatedCell::CallNames()
{
    std::vector<std::string> names;
    const std::string line = Reply("call-names", "call-names:");
    std::size_t at = 0;
    while ((at = line.find_first_not_of(' ', at)) != std::string::npos) {
        const std::size_t end = line.find(' ', at);
        names.push_back(line.substr(at, end == std::string::npos ? end : end - at));
        at = end;
    }
    return names;
}

DWORD SimulatedCell::Quit()
{
    quit_ = true;
    process_.Send("quit");
    return process_.WaitForExit();
}

} // namespace tessaly::driving
