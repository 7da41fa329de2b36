#include "action/lookup.h"

#include "action/report.h"
#include "pointlist/number_text.h"

namespace tessaly {

const HTable& hTable()
{
    static const HTable table{};
    return table;
}

double LookupH(const double& x, const HTable& table, Form& form, wchar_t decimalSeparator)
{
    const std::size_t first = x > 0.654375 ? 1001 : 1;
    double result = 0;
    // The program's table holds zeros, so every row matches an x of 0 or more: the
    // tolerance check shows a thousand "h=" boxes for every tolerance sphere that
    // touches the part.
    for (std::size_t i = first; i < first + 1000; ++i) {
        if (table[i][2] <= x) {
            form.ShowMessage(TextOf(ReportText::H) + FormatNumber(table[i][1], decimalSeparator));
            result = table[i][1];
        }
    }
    return result;
}

} // namespace tessaly
