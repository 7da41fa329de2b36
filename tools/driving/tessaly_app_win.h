#pragma once

// The shipped tessaly.exe, in a process of its own, driven through its window as a
// person would: clicks, ticks, typing, a selection in the feature list, and the message
// boxes read and answered. Every read is a message the system marshals between processes.

#include <windows.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "driving/child_process_win.h"
#include "action/control_names.h"

namespace tessaly::driving {

// A message box of the program: its caption and its text.
struct MessageBoxSeen {
    std::wstring caption;
    std::wstring text;
};

class TessalyApp {
public:
    // Starts tessaly.exe and waits until its window "Tessaly 3.5" is up and loaded.
    TessalyApp();
    TessalyApp(const TessalyApp&) = delete;
    TessalyApp& operator=(const TessalyApp&) = delete;

    HWND Window() const noexcept { return window_; }
    HWND Control(ControlId id) const;

    // A click on a button, check box or option button, handled before this returns.
    void Click(ControlId id);
    void SetChecked(ControlId checkBox, bool checked);
    bool Checked(ControlId id) const;
    // Types `text` into a text box in place of what it held.
    void Type(ControlId textBox, const std::wstring& text);
    // Selects exactly these entries of List2.
    void SelectFeatures(std::initializer_list<const wchar_t*> features);

    std::wstring Text(ControlId id) const;
    std::vector<std::wstring> Items(ControlId list) const;

    // Presses "Send To Acad" and answers every message box the action shows with OK,
    // until the action has ended. `timeout` bounds each wait: for the action to end or
    // for the next box. Returns the boxes in the order they came.
    std::vector<MessageBoxSeen> SendToAcad(Milliseconds timeout = kWaitTimeout);

    // Presses "Close" and returns the program's exit code.
    DWORD Close();

    // While an action runs, as another program would: posts the click on "Send To Acad"
    // without waiting; sends a message to the window or a control and returns how long
    // the program took to answer it (a sent message is delivered while a call waits).
    void StartSendToAcad();
    Milliseconds SendDuringAction(ControlId control, UINT message);
    Milliseconds SendDuringAction(UINT message);
    // A click on a button sent without waiting for it to be handled: a sent message is
    // delivered while a call waits, a posted one is not.
    void ClickDuringAction(ControlId button);
    // Posts a message to the window or a control without waiting, as another program, a
    // window manager or a macro tool may: a posted message waits in the queue while a
    // call waits.
    void PostDuringAction(UINT message, WPARAM wParam, LPARAM lParam);
    void PostDuringAction(ControlId control, UINT message);
    // Posts WM_QUIT with `exitCode` to the window's thread, as another program may.
    void PostQuit(WPARAM exitCode);
    // The control that has the keyboard focus in the program's thread.
    HWND Focus() const;
    // Answers message boxes with OK until the action started by StartSendToAcad ends.
    std::vector<MessageBoxSeen> FinishSendToAcad(Milliseconds timeout = kWaitTimeout);
    DWORD WaitForExit(Milliseconds timeout = kWaitTimeout) { return process_.WaitForExit(timeout); }
    bool Running() const { return process_.Running(); }

private:
    void ExpectRunning() const;
    LRESULT Send(HWND to, UINT message, WPARAM wParam, LPARAM lParam) const;
    // Waits until the program's thread has taken every message posted so far from a
    // message loop that reads input: its own, or a message box's.
    void Settle();
    bool MarkerTaken() const;
    void PostMarker();
    HWND OpenMessageBox() const;
    Milliseconds Timed(HWND to, UINT message) const;
    MessageBoxSeen Answer(HWND box);

    ChildProcess process_;
    HWND window_ = nullptr;
    unsigned marker_ = 0;
};

} // namespace tessaly::driving
