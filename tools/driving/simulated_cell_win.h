#pragma once

// The simulated cell (tessaly-cell.exe) as the tests and tools drive it: started with its
// options, asked what it drew, how many calls it got and how many objects are still held.

#include <cstddef>
#include <string>
#include <vector>

#include "driving/child_process_win.h"

namespace tessaly::driving {

class SimulatedCell {
public:
    // Starts the cell with options such as L"--no-cad" and waits for its "ready".
    explicit SimulatedCell(const std::wstring& options = L"");
    // The cell's program, for a test that starts it as a plain ChildProcess.
    static std::wstring Program();
    // Sends "quit" and waits for the cell to end; ends it at once if it does not.
    ~SimulatedCell();
    SimulatedCell(const SimulatedCell&) = delete;
    SimulatedCell& operator=(const SimulatedCell&) = delete;

    // The entities not deleted, one line each as "drawing" prints them, indent removed.
    std::vector<std::string> Drawing();
    long Calls();
    // Values that are not finite sent to either application so far.
    long NonFiniteWrites();
    long References();
    // The round trips the cell's objects have seen so far, by kind.
    struct RoundTripCounts {
        long total = 0;
        long names = 0;
        long invokes = 0;
        long queries = 0;
        long releases = 0;
        RoundTripCounts operator-(const RoundTripCounts& earlier) const
        {
            return {total - earlier.total, names - earlier.names, invokes - earlier.invokes, queries - earlier.queries,
                    releases - earlier.releases};
        }
    };
    RoundTripCounts RoundTrips();
    // "plan RRGGBB front RRGGBB": the colours the cell's window shows where the point lies
    // in its plan and its front view.
    std::string Colours(double x, double y, double z);
    // The change lines printed since the start or the last reset ("added: ...",
    // "color: ...", "deleted: ...").
    std::vector<std::string> Changes() const;
    // Has the cell answer its `call`-th call (counted as Calls() counts) oddly: `how` is
    // "null", "text", "nan", "inf", "empty" or "deferred", as its --odd-at takes.
    void AnswerOddly(long call, const std::string& how);
    // The operation that was answered oddly at `call` ("AddSphere"), or "" if none was.
    std::string OddlyAnswered(long call) const;
    // The calls so far by operation ("AddSphere"), in the order they came.
    std::vector<std::string> CallNames();
    // The cell as it started, for the next client (its --options still apply): the lines
    // it printed before are no longer read.
    void Reset();
    // "quit", then the cell's exit code.
    DWORD Quit();
    std::string Output() const { return process_.Output(); }

private:
    // Sends `command` and returns the index of the reply line starting with `reply`.
    std::size_t Ask(const std::string& command, const std::string& reply);
    long Number(const std::string& command);
    // The reply line's text after `reply`.
    std::string Reply(const std::string& command, const std::string& reply);

    ChildProcess process_;
    // Replies are looked for after this line, so that an old reply is never read twice.
    std::size_t next_ = 0;
    // The first line printed since the last reset.
    std::size_t since_ = 0;
    bool quit_ = false;
};

} // namespace tessaly::driving
