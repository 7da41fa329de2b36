#pragma once

#include <array>

#include "action/form.h"

namespace tessaly {

// Rows 0..2000 by columns 0..2. Column 2 is compared, column 1 reported and returned;
// column 0 and row 0 are never read.
using HTable = std::array<std::array<double, 3>, 2001>;

// The program's table: all zeros, and nothing writes it.
const HTable& hTable();

// Scans rows 1..1000 (x up to 0.654375) or 1001..2000 (larger x) without stopping:
// every row whose column 2 is at most x shows "h=" and its column 1, and becomes the
// result. 0 when no row matches.
double LookupH(const double& x, const HTable& table, Form& form, wchar_t decimalSeparator);

} // namespace tessaly
