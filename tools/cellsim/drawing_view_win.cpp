#include "drawing_view_win.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cwchar>

#include "win32/handles.h"
#include "win32/window_proc.h"

namespace tessaly::cell {
namespace {

constexpr wchar_t kViewClass[] = L"TessalyCellDrawing";
constexpr UINT_PTR kRepaintTimer = 1;
// Long enough that a running action (a call every few milliseconds) never repaints.
constexpr UINT kRepaintDelayMs = 200;
constexpr int kMargin = 12;
constexpr int kLabelHeight = 18;
constexpr int kCentreMark = 2; // half the side of the square at a sphere's or circle's centre

// The colour indices the action uses: 1 red, 3 green; 0 (by block) and any other in the
// window's text colour. Green is darkened a little to read on the white background.
COLORREF ColourOf(std::int16_t index)
{
    switch (index) {
    case 1: return RGB(255, 0, 0);
    case 3: return RGB(0, 160, 0);
    default: return GetSysColor(COLOR_WINDOWTEXT);
    }
}

// What the views must hold, in drawing units.
struct Bounds {
    cad::Point3 min{0, 0, 0};
    cad::Point3 max{0, 0, 0};
    bool empty = true;

    // A point that is not finite would leave no scale for the rest: it is left out.
    void Add(const cad::Point3& p, double radius = 0)
    {
        if (!std::isfinite(p[0] + p[1] + p[2] + radius))
            return;
        for (int a = 0; a < 3; ++a) {
            if (empty || p[a] - radius < min[a])
                min[a] = p[a] - radius;
            if (empty || p[a] + radius > max[a])
                max[a] = p[a] + radius;
        }
        empty = false;
    }
};

Bounds BoundsOf(const std::vector<sim::SimEntity>& entities)
{
    Bounds b;
    for (const auto& e : entities) {
        switch (e.kind) {
        case sim::EntityKind::Box:
            b.Add(e.boxMin);
            b.Add(e.boxMax);
            break;
        case sim::EntityKind::Sphere:
        case sim::EntityKind::Circle: b.Add(e.centre, e.radius); break;
        case sim::EntityKind::Spline:
            for (std::size_t i = 0; i + 2 < e.fitPoints.size(); i += 3)
                b.Add({e.fitPoints[i], e.fitPoints[i + 1], e.fitPoints[i + 2]});
            break;
        case sim::EntityKind::Interference: break;
        }
    }
    return b;
}

// One projection: drawing axis `u` to the right, axis `v` upwards.
struct Projection {
    int u = 0;
    int v = 1;
    const wchar_t* label = L"";
    RECT area{};      // the view's part of the window
    double scale = 1; // pixels per drawing unit
    double left = 0;  // pixel of u = minU
    double top = 0;   // pixel of v = maxV
    double minU = 0;
    double maxV = 0;

    POINT At(const cad::Point3& p) const
    {
        return {static_cast<LONG>(std::lround(left + (p[u] - minU) * scale)),
                static_cast<LONG>(std::lround(top + (maxV - p[v]) * scale))};
    }
    int Length(double d) const { return static_cast<int>(std::lround(d * scale)); }
};

// The plan view above the front view; both at the one scale that fits both, X aligned.
struct Layout {
    Projection plan{0, 1, L"Plan (X, Y)"};
    Projection front{0, 2, L"Front (X, Z)"};
};

Layout LayoutOf(const RECT& client, const Bounds& b)
{
    Layout layout;
    const LONG middle = client.top + (client.bottom - client.top) / 2;
    layout.plan.area = {client.left, client.top, client.right, middle};
    layout.front.area = {client.left, middle, client.right, client.bottom};
    const double width = std::max(1L, client.right - client.left - 2 * kMargin);
    const double height = std::max(1L, middle - client.top - 2 * kMargin - kLabelHeight);
    auto extent = [&](int axis) { return std::max(b.max[axis] - b.min[axis], 1e-9); };
    const double scale = std::min({width / extent(0), height / extent(1), height / extent(2)});
    for (Projection* view : {&layout.plan, &layout.front}) {
        view->scale = scale;
        view->minU = b.min[view->u];
        view->maxV = b.max[view->v];
        view->left = view->area.left + kMargin + (width - extent(view->u) * scale) / 2;
        view->top = view->area.top + kMargin + kLabelHeight + (height - extent(view->v) * scale) / 2;
    }
    return layout;
}

Layout LayoutOf(HWND window, const std::vector<sim::SimEntity>& entities)
{
    RECT client{};
    GetClientRect(window, &client);
    return LayoutOf(client, BoundsOf(entities));
}

// A smooth curve through `points` (Catmull-Rom segments as Bézier curves).
void DrawCurveThrough(HDC dc, const std::vector<POINT>& points)
{
    if (points.size() < 2) {
        if (!points.empty()) {
            Ellipse(dc, points[0].x - kCentreMark, points[0].y - kCentreMark, points[0].x + kCentreMark + 1,
                    points[0].y + kCentreMark + 1);
        }
        return;
    }
    std::vector<POINT> bezier{points[0]};
    const std::size_t last = points.size() - 1;
    for (std::size_t i = 0; i < last; ++i) {
        const POINT& before = points[i == 0 ? 0 : i - 1];
        const POINT& from = points[i];
        const POINT& to = points[i + 1];
        const POINT& after = points[std::min(i + 2, last)];
        bezier.push_back({from.x + (to.x - before.x) / 6, from.y + (to.y - before.y) / 6});
        bezier.push_back({to.x - (after.x - from.x) / 6, to.y - (after.y - from.y) / 6});
        bezier.push_back(to);
    }
    PolyBezier(dc, bezier.data(), static_cast<DWORD>(bezier.size()));
}

void DrawEntity(HDC dc, const Projection& view, const sim::SimEntity& e)
{
    switch (e.kind) {
    case sim::EntityKind::Box: {
        const POINT a = view.At(e.boxMin);
        const POINT b = view.At(e.boxMax);
        Rectangle(dc, std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x) + 1, std::max(a.y, b.y) + 1);
        break;
    }
    case sim::EntityKind::Sphere:
    case sim::EntityKind::Circle: {
        const POINT c = view.At(e.centre);
        const int r = std::max(1, view.Length(e.radius));
        if (e.kind == sim::EntityKind::Circle && view.v == 2) {
            // A circle lies in the XY plane: seen from the front it is a line.
            MoveToEx(dc, c.x - r, c.y, nullptr);
            LineTo(dc, c.x + r + 1, c.y);
        } else {
            Ellipse(dc, c.x - r, c.y - r, c.x + r + 1, c.y + r + 1);
        }
        break;
    }
    case sim::EntityKind::Spline: {
        std::vector<POINT> points;
        for (std::size_t i = 0; i + 2 < e.fitPoints.size(); i += 3)
            points.push_back(view.At({e.fitPoints[i], e.fitPoints[i + 1], e.fitPoints[i + 2]}));
        DrawCurveThrough(dc, points);
        break;
    }
    case sim::EntityKind::Interference: break; // no shape of its own; deleted at once
    }
}

// On top of every outline, so that no other entity's outline hides it.
void DrawCentreMark(HDC dc, const Projection& view, const sim::SimEntity& e)
{
    if (e.kind != sim::EntityKind::Sphere && e.kind != sim::EntityKind::Circle)
        return;
    const POINT c = view.At(e.centre);
    RECT mark{c.x - kCentreMark, c.y - kCentreMark, c.x + kCentreMark + 1, c.y + kCentreMark + 1};
    SetDCBrushColor(dc, ColourOf(e.color));
    FillRect(dc, &mark, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

std::wstring Hex(COLORREF colour)
{
    wchar_t text[8] = {};
    std::swprintf(text, 8, L"%02x%02x%02x", GetRValue(colour), GetGValue(colour), GetBValue(colour));
    return text;
}

} // namespace

DrawingView::DrawingView(HWND parent, HINSTANCE instance, Entities entities) : entities_(std::move(entities))
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = &GuardedWindowProc<&DrawingView::WindowProc>;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kViewClass;
    RegisterClassW(&wc);
    window_ = CreateWindowExW(WS_EX_CLIENTEDGE, kViewClass, nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent, nullptr,
                              instance, this);
}

void DrawingView::Changed()
{
    // Setting the timer again restarts it.
    SetTimer(window_, kRepaintTimer, kRepaintDelayMs, nullptr);
}

std::wstring DrawingView::ColoursAt(const cad::Point3& point)
{
    KillTimer(window_, kRepaintTimer);
    InvalidateRect(window_, nullptr, FALSE);
    UpdateWindow(window_);
    const Layout layout = LayoutOf(window_, entities_());
    const WindowDc dc(window_);
    const POINT plan = layout.plan.At(point);
    const POINT front = layout.front.At(point);
    return L"plan " + Hex(GetPixel(dc.get(), plan.x, plan.y)) + L" front " + Hex(GetPixel(dc.get(), front.x, front.y));
}

void DrawingView::Paint(HDC dc, const RECT& client)
{
    // Into a bitmap first, then onto the screen in one piece: no flicker.
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    const UniqueDc memoryDc(CreateCompatibleDC(dc));
    const UniqueGdi<HBITMAP> bitmap(CreateCompatibleBitmap(dc, std::max(width, 1), std::max(height, 1)));
    if (!memoryDc || !bitmap)
        return;
    const HDC memory = memoryDc.get();
    const SelectedObject selectedBitmap(memory, bitmap.get());
    FillRect(memory, &client, GetSysColorBrush(COLOR_WINDOW));
    SetBkMode(memory, TRANSPARENT);
    SetTextColor(memory, GetSysColor(COLOR_WINDOWTEXT));
    const SelectedObject selectedFont(memory, GetStockObject(DEFAULT_GUI_FONT));
    const SelectedObject selectedBrush(memory, GetStockObject(NULL_BRUSH));
    const SelectedObject selectedPen(memory, GetStockObject(DC_PEN));

    const std::vector<sim::SimEntity> entities = entities_();
    const Layout layout = LayoutOf(client, BoundsOf(entities));
    SetDCPenColor(memory, GetSysColor(COLOR_GRAYTEXT));
    MoveToEx(memory, client.left, layout.front.area.top, nullptr);
    LineTo(memory, client.right, layout.front.area.top);
    for (const Projection* view : {&layout.plan, &layout.front}) {
        TextOutW(memory, view->area.left + kMargin / 2, view->area.top + kMargin / 2, view->label,
                 static_cast<int>(std::wcslen(view->label)));
        for (const auto& e : entities) {
            SetDCPenColor(memory, ColourOf(e.color));
            DrawEntity(memory, *view, e);
        }
        for (const auto& e : entities)
            DrawCentreMark(memory, *view, e);
    }
    BitBlt(dc, 0, 0, width, height, memory, 0, 0, SRCCOPY);
}

LRESULT CALLBACK DrawingView::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* view = reinterpret_cast<DrawingView*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (message) {
    case WM_TIMER:
        KillTimer(hwnd, kRepaintTimer);
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case WM_SIZE: InvalidateRect(hwnd, nullptr, FALSE); return 0;
    case WM_ERASEBKGND: return 1; // the paint covers every pixel
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT client{};
        GetClientRect(hwnd, &client);
        if (view) {
            try {
                view->Paint(dc, client);
            } catch (const std::exception&) {
                // Out of memory while painting: the picture stays as it was.
            }
        }
        EndPaint(hwnd, &ps);
        return 0;
    }
    default: return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

} // namespace tessaly::cell
