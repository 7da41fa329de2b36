#include "layout/layout.h"

#include <algorithm>

namespace tessaly::layout {

namespace {

const Row* RowAtTab(int tabIndex)
{
    for (const Row& row : kTable)
        if (row.tabIndex == tabIndex)
            return &row;
    return nullptr;
}

} // namespace

PixelRect ToPixels(const Rect& twips, int dpi)
{
    return {TwipsToPixels(twips.left, dpi), TwipsToPixels(twips.top, dpi), TwipsToPixels(twips.right(), dpi),
            TwipsToPixels(twips.bottom(), dpi)};
}

Rect WindowRect(ControlId id)
{
    const Row& row = RowOf(id);
    if (row.frame == kOnWindow)
        return row.rect;
    const Rect frame = WindowRect(row.frame);
    return {frame.left + row.rect.left, frame.top + row.rect.top, row.rect.width, row.rect.height};
}

std::vector<ControlId> CreationOrder()
{
    std::vector<ControlId> order;
    order.reserve(kTable.size());
    for (const Row& row : kTable)
        order.push_back(row.id);
    std::sort(order.begin(), order.end(),
              [](ControlId a, ControlId b) { return RowOf(a).tabIndex < RowOf(b).tabIndex; });
    return order;
}

bool TakesFocus(const Row& row)
{
    switch (row.kind) {
    case Kind::Label:
    case Kind::LineLabel:
    case Kind::Frame: return false;
    default: return row.visible;
    }
}

bool StartsGroup(const Row& row)
{
    if (row.kind != Kind::OptionButton)
        return false;
    const Row* previous = RowAtTab(row.tabIndex - 1);
    return previous == nullptr || previous->kind != Kind::OptionButton || previous->frame != row.frame;
}

int FontHeight(Font font, int dpi)
{
    // lfHeight < 0 asks for the character height: points × dpi / 72, here in hundredths
    // of a point. 8 pt at 96 dpi gives -11, 9.75 pt gives -13.
    const long long scaled = static_cast<long long>(FontSpecOf(font).hundredthsOfPoint) * dpi;
    return -static_cast<int>((scaled + 3600) / 7200);
}

} // namespace tessaly::layout
