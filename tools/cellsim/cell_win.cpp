// The simulated cell: the measuring application with the demo part program and the CAD
// application with the demo drawing, served over COM to a Tessaly in another process.
//
//   tessaly-cell [--no-dmis] [--no-cad] [--no-part-group] [--fail-at K] [--reject-at K]
//                [--busy-from K] [--odd-at K HOW] [--exit-at K] [--points N]
//                [--hold-at K MS] [--replace-registration]
//
//   --no-dmis        no measuring application is installed
//   --no-cad         the CAD application is installed but not running
//   --no-part-group  the drawing has no group "PART"
//   --fail-at K      the K-th automation call the cell receives fails
//   --reject-at K    the cell's message filter turns the K-th automation call away
//                    (SERVERCALL_REJECTED), as a busy application does
//   --busy-from K    the cell's message filter answers SERVERCALL_RETRYLATER to every
//                    automation call from the K-th on, as an application busy with a
//                    command of its own does (under Wine SERVERCALL_REJECTED, see
//                    CellFilter)
//   --odd-at K HOW   the K-th automation call is carried out, then answered oddly: HOW is
//                    null (a null object), text ("odd"), nan, inf, -inf, empty (VT_EMPTY),
//                    deferred (DISP_E_EXCEPTION whose texts only a fill-in of the cell's
//                    own would give), self (an object whose default value is itself and
//                    which has no other member) or byref (the call's own answer by
//                    reference)
//   --exit-at K      the cell's process ends, as if killed, when the K-th call arrives
//                    (its registrations taken back first, which Wine needs)
//   --points N       the part program also holds F10, a feature of N points clear of the
//                    part (for the benchmarks)
//   --hold-at K MS   the K-th automation call is held MS milliseconds before it is carried
//                    out, as by an application busy in a command or a dialog of its own:
//                    its window still answers, and "quit" ends the hold
//   --replace-registration
//                    where another program (the real application) is registered under
//                    a key the cell writes, the cell saves it, replaces it while it runs
//                    and puts it back when it ends; without it the cell names the key on
//                    standard error and does not start. A registration left by a cell
//                    that was killed is taken back, and what it saved put back, at the
//                    next start.
//
// Calls are counted as the simulations record them; the creation of the measuring
// application is one, but it is no automation call and cannot be answered oddly.
//
// Standard output: "ready" once both applications can be reached, then one line per
// entity added or changed ("added: sphere #2 centre (10, -20, 5) radius 2.5 colour 0"),
// and a line when an option above takes effect ("rejected: call K", "busy: from call K,
// ...", "odd answer: call K AddSphere nan").
// Standard input, one command a line: "drawing" (every entity, between "drawing:" and
// "end"), "calls" (automation calls so far), "round-trips" (the calls that reached the
// cell's objects from another process, by kind), "references" (objects
// handed out and still held by clients), "pixel X Y Z" (the colours the window shows at
// that point in the plan and the front view), "odd-at K HOW" (as the option, in place
// of an odd answer still to come), "reset" (the cell as it started: its drawing, part
// program, counts and the faults of its options), "quit". Closing the window ends the
// cell too.
// Also "hold-at K MS" (as the option), "call-names" (the calls so far, by operation,
// in order) and "non-finite-writes" (values that are not finite sent to either
// application: coordinates written, centres, radii, fit points, tangents).
#include <windows.h>

#include <shellapi.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/convert.h"
#include "sim/cad_simulation.h"
#include "cell_objects_win.h"
#include "drawing_view_win.h"
#include "sim/dmis_simulation.h"
#include "win32/window_proc.h"
#include "pointlist/number_text.h"
#include "registration_win.h"

namespace {

using namespace tessaly;

constexpr UINT kCommandMessage = WM_APP + 1; // lParam: a std::string* the handler deletes
// The entity list is repainted once changes have paused this long: repainting it for
// every change costs more than the call that made the change.
constexpr UINT_PTR kListTimer = 1;
constexpr UINT kListRepaintDelayMs = 200;
constexpr wchar_t kWindowClass[] = L"TessalyCell";

// The call to answer oddly, and how ("null", "text", ...).
struct OddCall {
    std::size_t at = 0;
    cell::OddAnswer answer = cell::OddAnswer::NoObject;
    std::wstring how;
};

std::optional<OddCall> ParseOddCall(const std::wstring& at, const std::wstring& how)
{
    const auto answer = cell::OddAnswerNamed(how);
    if (!answer) {
        std::fprintf(
            stderr,
            "tessaly-cell: an odd answer is null, text, nan, inf, -inf, empty, deferred, self or byref, not %s\n",
            Narrow(how).c_str());
        return std::nullopt;
    }
    return OddCall{static_cast<std::size_t>(std::wcstoul(at.c_str(), nullptr, 10)), *answer, how};
}

struct Options {
    bool measuring = true;
    bool cad = true;
    bool partGroup = true;
    std::size_t failAt = 0;
    std::size_t rejectAt = 0;
    std::size_t busyFrom = 0;
    OddCall odd;
    std::size_t exitAt = 0;
    std::size_t points = 0;
    std::size_t holdAt = 0;
    DWORD holdMs = 0;
    bool replaceRegistration = false;
};

// --hold-at K MS, its arguments after `i`, which it moves past them.
void ReadHold(Options& options, LPWSTR* args, int& i)
{
    options.holdAt = static_cast<std::size_t>(std::wcstoul(args[++i], nullptr, 10));
    options.holdMs = static_cast<DWORD>(std::wcstoul(args[++i], nullptr, 10));
}

Options ParseOptions(const wchar_t* commandLine)
{
    Options options;
    int count = 0;
    LPWSTR* args = CommandLineToArgvW(commandLine, &count);
    for (int i = 1; args && i < count; ++i) {
        const std::wstring arg = args[i];
        if (arg == L"--no-dmis")
            options.measuring = false;
        else if (arg == L"--no-cad")
            options.cad = false;
        else if (arg == L"--no-part-group")
            options.partGroup = false;
        else if (arg == L"--fail-at" && i + 1 < count)
            options.failAt = static_cast<std::size_t>(std::wcstoul(args[++i], nullptr, 10));
        else if (arg == L"--reject-at" && i + 1 < count)
            options.rejectAt = static_cast<std::size_t>(std::wcstoul(args[++i], nullptr, 10));
        else if (arg == L"--busy-from" && i + 1 < count)
            options.busyFrom = static_cast<std::size_t>(std::wcstoul(args[++i], nullptr, 10));
        else if (arg == L"--odd-at" && i + 2 < count) {
            const std::wstring at = args[++i];
            const std::wstring how = args[++i];
            options.odd = ParseOddCall(at, how).value_or(OddCall{});
        } else if (arg == L"--exit-at" && i + 1 < count)
            options.exitAt = static_cast<std::size_t>(std::wcstoul(args[++i], nullptr, 10));
        else if (arg == L"--points" && i + 1 < count)
            options.points = static_cast<std::size_t>(std::wcstoul(args[++i], nullptr, 10));
        else if (arg == L"--hold-at" && i + 2 < count)
            ReadHold(options, args, i);
        else if (arg == L"--replace-registration")
            options.replaceRegistration = true;
        else
            std::fprintf(stderr, "tessaly-cell: unknown option %s\n", Narrow(arg).c_str());
    }
    LocalFree(args);
    return options;
}

const wchar_t* KindName(sim::EntityKind kind)
{
    switch (kind) {
    case sim::EntityKind::Sphere: return L"sphere";
    case sim::EntityKind::Circle: return L"circle";
    case sim::EntityKind::Spline: return L"spline";
    case sim::EntityKind::Box: return L"box";
    case sim::EntityKind::Interference: return L"interference";
    }
    return L"entity";
}

std::wstring Num(double value)
{
    if (std::isnan(value))
        return L"nan";
    if (std::isinf(value))
        return value > 0 ? L"inf" : L"-inf";
    return FormatNumber(value, L'.');
}

std::wstring Point(const cad::Point3& p)
{
    return L"(" + Num(p[0]) + L", " + Num(p[1]) + L", " + Num(p[2]) + L")";
}

std::wstring Describe(const sim::SimEntity& e)
{
    std::wstring line = std::wstring(KindName(e.kind)) + L" #" + std::to_wstring(e.handle);
    if (e.kind == sim::EntityKind::Sphere || e.kind == sim::EntityKind::Circle)
        line += L" centre " + Point(e.centre) + L" radius " + Num(e.radius);
    if (e.kind == sim::EntityKind::Interference)
        line += L" volume " + Num(e.volume);
    if (e.kind == sim::EntityKind::Spline) {
        line += L" fit points";
        for (double v : e.fitPoints)
            line += L" " + Num(v);
        line += L" start tangent " + Point(e.startTangent) + L" end tangent " + Point(e.endTangent);
    }
    line += L" colour " + std::to_wstring(e.color);
    for (const auto& link : e.hyperlinks)
        line += L" hyperlink " + link;
    return line;
}

void Print(const std::wstring& line)
{
    std::fputs(Narrow(line).c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// Wine 8 runs a call that a server's filter answers "retry later" all the same ("retry
// call later not implemented") and never asks the client's filter whether to retry.
bool UnderWine()
{
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// The cell's message filter: turns the --reject-at call away and answers "retry later"
// from the --busy-from call on. Under Wine a busy cell turns the calls away instead:
// what a client sees once its filter gives up retrying. Only invokes are counted and
// turned away: lookups, queries and releases always pass, so no reference is lost.
class CellFilter final : public com::Uncounted<IMessageFilter> {
public:
    CellFilter(const sim::CallLog& log, std::size_t rejectAt, std::size_t busyFrom)
        : log_(log), rejectAt_(rejectAt), busyFrom_(busyFrom),
          busyAnswer_(UnderWine() ? SERVERCALL_REJECTED : SERVERCALL_RETRYLATER)
    {}

    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO info) override
    {
        // IRemUnknown and IRemUnknown2 carry the references; IDispatch::Invoke is method 6.
        const bool invoke = info && info->wMethod == 6 && info->iid.Data1 != 0x131 && info->iid.Data1 != 0x143;
        if (!invoke)
            return SERVERCALL_ISHANDLED;
        const std::size_t next = log_.Count() + 1;
        if (!rejected_ && next == rejectAt_) {
            rejected_ = true;
            Print(L"rejected: call " + std::to_wstring(rejectAt_));
            return SERVERCALL_REJECTED;
        }
        if (busyFrom_ > 0 && next >= busyFrom_) {
            if (!busy_)
                Print(L"busy: from call " + std::to_wstring(next) +
                      (busyAnswer_ == SERVERCALL_REJECTED ? L", turned away" : L", retry later"));
            busy_ = true;
            return busyAnswer_;
        }
        return SERVERCALL_ISHANDLED;
    }
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD, DWORD) override { return static_cast<DWORD>(-1); }
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override { return PENDINGMSG_WAITDEFPROCESS; }

private:
    const sim::CallLog& log_;
    std::size_t rejectAt_;
    std::size_t busyFrom_;
    DWORD busyAnswer_;
    bool rejected_ = false;
    bool busy_ = false;
};

class Cell {
public:
    explicit Cell(const Options& options) : options_(options), dmis_(log_), cad_(log_)
    {
        dmis_.machineName = L"DEMO CMM";
        LoadDemo();
        cell::LoadTypeLibraries();
        if (options.cad)
            cadApp_ = com::Ptr<IDispatch>::Adopt(cell::NewCadApplication(cad_.GetRunningApplication()));
        ArmFaults();
        log_.onArrival = [this, options](std::size_t position) {
            arrived_ = position;
            if (position == holdAt_)
                Hold(position);
            if (position == options.exitAt) {
                // Wine 8 keeps the class and running-object registrations of a process
                // that was killed, and no client reaches a cell started after it: take
                // them back first. To the client the end is the same as a kill.
                registration_.reset();
                TerminateProcess(GetCurrentProcess(), 3);
            }
        };
        // Asked once the invoke that made the call is done, before the next call arrives.
        cell::ServedObject::SetOddAnswers([this]() -> std::optional<cell::OddAnswer> {
            if (odd_.at == 0 || arrived_ != odd_.at)
                return std::nullopt;
            Print(L"odd answer: call " + std::to_wstring(odd_.at) + L" " + Widen(log_.Calls()[odd_.at - 1]) + L" " +
                  odd_.how);
            odd_.at = 0;
            return odd_.answer;
        });
        registration_ = std::make_unique<cell::Registration>(options.measuring ? &dmis_ : nullptr, cadApp_.get(),
                                                             options.replaceRegistration);
        cad_.onChange = [this](const sim::SimEntity& e, const char* change) { OnChange(e, change); };
    }

    ~Cell()
    {
        cell::ServedObject::SetOddAnswers(nullptr);
        registration_.reset();
        cadApp_.reset();
        if (filter_) {
            IMessageFilter* ours = nullptr;
            CoRegisterMessageFilter(nullptr, &ours);
        }
    }

    void CreateWindows(HINSTANCE instance)
    {
        WNDCLASSW wc{};
        wc.lpfnWndProc = &GuardedWindowProc<&Cell::WindowProc>;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kWindowClass;
        RegisterClassW(&wc);
        window_ = CreateWindowExW(0, kWindowClass, L"Simulated cell", WS_OVERLAPPEDWINDOW, 330, 0, 900, 600, nullptr,
                                  nullptr, instance, this);
        list_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", nullptr,
                                WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | LBS_NOINTEGRALHEIGHT, 0, 0, 0, 0,
                                window_, nullptr, instance, nullptr);
        view_ = std::make_unique<cell::DrawingView>(window_, instance, [this] { return cad_.Drawn(); });
        RECT client{};
        GetClientRect(window_, &client);
        Arrange(client.right, client.bottom);
        SendMessageW(list_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
        SendMessageW(list_, LB_SETHORIZONTALEXTENT, 2000, 0);
        for (const auto& e : cad_.Drawn())
            Show(e);
        ShowWindow(window_, SW_SHOWNOACTIVATE);
    }

    HWND window() const { return window_; }

    void OnCommand(const std::string& command)
    {
        // What a command reports, the window shows too.
        ThawList();
        if (command == "drawing") {
            Print(L"drawing:");
            for (const auto& e : cad_.Drawn())
                Print(L"  " + Describe(e));
            Print(L"end");
        } else if (command == "calls") {
            Print(L"calls: " + std::to_wstring(log_.Count()));
        } else if (command == "non-finite-writes") {
            Print(L"non-finite-writes: " + std::to_wstring(log_.NonFiniteWrites()));
        } else if (command == "round-trips") {
            Print(cell::ServedObject::RoundTrips());
        } else if (command.rfind("pixel ", 0) == 0) {
            cad::Point3 p{};
            if (std::sscanf(command.c_str() + 6, "%lf %lf %lf", &p[0], &p[1], &p[2]) == 3 && view_)
                Print(L"pixel: " + view_->ColoursAt(p));
            else
                Print(L"pixel: needs X Y Z");
        } else if (command == "references") {
            // The CAD application stays referenced by the cell and the running object table.
            const long own = cadApp_ ? 1 : 0;
            Print(L"references: " + std::to_wstring(cell::ServedObject::Alive() - own));
        } else if (command.rfind("odd-at ", 0) == 0) {
            char at[32] = {};
            char how[32] = {};
            std::optional<OddCall> odd;
            if (std::sscanf(command.c_str() + 7, "%31s %31s", at, how) == 2)
                odd = ParseOddCall(Widen(at), Widen(how));
            if (odd)
                odd_ = *odd;
            Print(odd ? L"odd-at: call " + std::to_wstring(odd->at) + L" " + odd->how : L"odd-at: needs K HOW");
        } else if (command.rfind("hold-at ", 0) == 0) {
            unsigned long at = 0;
            unsigned long ms = 0;
            const bool ok = std::sscanf(command.c_str() + 8, "%lu %lu", &at, &ms) == 2;
            if (ok) {
                holdAt_ = at;
                holdMs_ = ms;
            }
            Print(ok ? L"hold-at: call " + std::to_wstring(at) + L" " + std::to_wstring(ms) + L" ms"
                     : L"hold-at: needs K MS");
        } else if (command == "call-names") {
            std::wstring names = L"call-names:";
            for (const std::string& call : log_.Calls())
                names += L" " + Widen(call);
            Print(names);
        } else if (command == "reset") {
            Reset();
            Print(L"reset");
        } else if (command == "quit") {
            quitAsked_ = true;
            DestroyWindow(window_);
        } else if (!command.empty()) {
            Print(L"unknown command: " + std::wstring(command.begin(), command.end()));
        }
    }

private:
    // The part program and the drawing the cell starts with.
    void LoadDemo()
    {
        dmis_.program = sim::DemoPartProgram();
        if (options_.points > 0)
            dmis_.program->commands.push_back(sim::ManyPoints(options_.points));
        dmis_.getPointCalls.clear();
        cad_.entities.clear();
        cad_.groups.clear();
        cad_.visible = false;
        sim::LoadDemoDrawing(cad_);
        if (!options_.partGroup)
            cad_.groups.clear();
    }

    // No call counted yet, and the faults of the options armed.
    void ArmFaults()
    {
        log_.Clear(); // set-up is not the client's
        log_.ClearFailures();
        if (options_.failAt > 0)
            log_.FailAt(options_.failAt);
        arrived_ = 0;
        holdAt_ = options_.holdAt;
        holdMs_ = options_.holdMs;
        odd_ = options_.odd;
        if (filter_) {
            IMessageFilter* ours = nullptr;
            CoRegisterMessageFilter(nullptr, &ours);
            filter_.reset();
        }
        if (options_.rejectAt > 0 || options_.busyFrom > 0) {
            filter_ = std::make_unique<CellFilter>(log_, options_.rejectAt, options_.busyFrom);
            IMessageFilter* previous = nullptr;
            CoRegisterMessageFilter(filter_.get(), &previous);
        }
    }

    // The cell as it started, for the next client: what it drew and was written gone.
    void Reset()
    {
        LoadDemo();
        ArmFaults();
        if (list_) {
            SendMessageW(list_, LB_RESETCONTENT, 0, 0);
            for (const auto& e : cad_.Drawn())
                Show(e);
            ThawList();
        }
        if (view_)
            view_->Changed();
    }

    // Holds the call that arrives for holdMs_, its window and standard input still
    // answered (a call that comes in meanwhile is served); "quit" ends the hold at once.
    void Hold(std::size_t position)
    {
        Print(L"held: call " + std::to_wstring(position) + L" for " + std::to_wstring(holdMs_) + L" ms");
        const DWORD start = GetTickCount();
        bool quit = false;
        while (!quit && !quitAsked_) {
            const DWORD since = GetTickCount() - start;
            if (since >= holdMs_)
                break;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, holdMs_ - since, QS_ALLINPUT);
            MSG msg{};
            while (!quit && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.message == WM_QUIT) {
                    PostQuitMessage(static_cast<int>(msg.wParam)); // for the cell's own loop
                    quit = true;
                } else {
                    TranslateMessage(&msg);
                    DispatchMessageW(&msg);
                }
            }
        }
        Print(L"held: call " + std::to_wstring(position) + L" goes on");
    }

    void OnChange(const sim::SimEntity& e, const char* change)
    {
        Print(std::wstring(change, change + std::strlen(change)) + L": " + Describe(e));
        Show(e);
        if (view_)
            view_->Changed();
    }

    // The entity list on the left, the drawing on the right.
    void Arrange(int width, int height)
    {
        const int listWidth = width * 2 / 5;
        if (list_)
            MoveWindow(list_, 0, 0, listWidth, height, TRUE);
        if (view_)
            MoveWindow(view_->window(), listWidth, 0, width - listWidth, height, TRUE);
    }

    // One line per entity, at index handle - 1; the list is not redrawn until the
    // changes pause.
    void Show(const sim::SimEntity& e)
    {
        if (!list_)
            return;
        if (!listFrozen_) {
            SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
            listFrozen_ = true;
        }
        SetTimer(window_, kListTimer, kListRepaintDelayMs, nullptr);
        const auto index = static_cast<WPARAM>(e.handle - 1);
        const std::wstring text = Describe(e) + (e.deleted ? L"  (deleted)" : L"");
        const auto count = static_cast<WPARAM>(SendMessageW(list_, LB_GETCOUNT, 0, 0));
        if (index < count) {
            SendMessageW(list_, LB_DELETESTRING, index, 0);
            SendMessageW(list_, LB_INSERTSTRING, index, reinterpret_cast<LPARAM>(text.c_str()));
        } else {
            SendMessageW(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        }
    }

    void ThawList()
    {
        KillTimer(window_, kListTimer);
        if (listFrozen_) {
            listFrozen_ = false;
            SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
            InvalidateRect(list_, nullptr, TRUE);
        }
    }

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* cell = reinterpret_cast<Cell*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        switch (message) {
        case kCommandMessage: {
            std::unique_ptr<std::string> command(reinterpret_cast<std::string*>(lParam));
            if (cell)
                cell->OnCommand(*command);
            return 0;
        }
        case WM_TIMER:
            if (cell && wParam == kListTimer)
                cell->ThawList();
            return 0;
        case WM_SIZE:
            if (cell)
                cell->Arrange(LOWORD(lParam), HIWORD(lParam));
            return 0;
        case WM_DESTROY: PostQuitMessage(0); return 0;
        default: return DefWindowProcW(hwnd, message, wParam, lParam);
        }
    }

    const Options options_;
    sim::CallLog log_;
    std::size_t arrived_ = 0; // the position of the last call
    std::size_t holdAt_ = 0;
    DWORD holdMs_ = 0;
    bool quitAsked_ = false;
    OddCall odd_;
    std::unique_ptr<CellFilter> filter_;
    sim::DmisSim dmis_;
    sim::CadSim cad_;
    com::Ptr<IDispatch> cadApp_;
    std::unique_ptr<cell::Registration> registration_;
    HWND window_ = nullptr;
    HWND list_ = nullptr;
    bool listFrozen_ = false;
    std::unique_ptr<cell::DrawingView> view_;
};

// The cell's window, once there is one to close.
std::atomic<HWND> closable{nullptr};

// Ctrl-C, Ctrl-Break or the console closed: the cell ends as if its window were closed,
// so that its registration is put back. The process ends when a close handler returns:
// it waits, and the cell's end ends it sooner.
BOOL WINAPI OnConsoleEvent(DWORD event)
{
    const HWND window = closable.load();
    if (!window)
        return FALSE;
    PostMessageW(window, WM_CLOSE, 0, 0);
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        Sleep(10000);
    return TRUE;
}

// Reads commands from standard input and hands them to the window's thread, which owns
// every object of the cell. End of input just ends the reading.
DWORD WINAPI ReadCommands(void* window)
{
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    std::string line;
    char c = 0;
    DWORD got = 0;
    while (ReadFile(input, &c, 1, &got, nullptr) && got == 1) {
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            PostMessageW(static_cast<HWND>(window), kCommandMessage, 0,
                         reinterpret_cast<LPARAM>(new std::string(std::move(line))));
            line.clear();
        } else {
            line += c;
        }
    }
    return 0;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    const Options options = ParseOptions(GetCommandLineW());
    com::Apartment apartment;
    if (!apartment.ok()) {
        std::fprintf(stderr, "tessaly-cell: CoInitializeEx failed\n");
        return 1;
    }
    try {
        Cell cell(options);
        cell.CreateWindows(instance);
        closable = cell.window();
        SetConsoleCtrlHandler(&OnConsoleEvent, TRUE);
        CloseHandle(CreateThread(nullptr, 0, &ReadCommands, cell.window(), 0, nullptr));
        Print(L"ready");
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tessaly-cell: %s\n", e.what());
        return 1;
    }
    return 0;
}
