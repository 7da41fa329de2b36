#pragma once

// The simulated cell's picture of its drawing: a plan view (X, Y) above a front view
// (X, Z), both at one scale that fits everything drawn, each entity in its colour index.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "sim/cad_simulation.h"

namespace tessaly::cell {

class DrawingView {
public:
    using Entities = std::function<std::vector<sim::SimEntity>()>;

    // A child window of `parent`; `entities` gives what to draw at each paint.
    DrawingView(HWND parent, HINSTANCE instance, Entities entities);
    DrawingView(const DrawingView&) = delete;
    DrawingView& operator=(const DrawingView&) = delete;

    HWND window() const noexcept { return window_; }

    // The drawing changed. The repaint waits until changes have stopped for a moment, so
    // that an action of thousands of calls is not slowed by thousands of repaints.
    void Changed();

    // "plan RRGGBB front RRGGBB": the colours on screen where `point` lies in each view,
    // after any pending repaint.
    std::wstring ColoursAt(const cad::Point3& point);

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void Paint(HDC dc, const RECT& client);

    Entities entities_;
    HWND window_ = nullptr;
};

} // namespace tessaly::cell
