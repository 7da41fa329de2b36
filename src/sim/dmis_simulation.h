#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "sim/call_log.h"
#include "dmis/dmis.h"

namespace tessaly::sim {

struct SimCommand {
    std::wstring id;
    std::wstring defaultValue = L"FEAT"; // empty: not a feature
    bool hasFeatureData = true;
    std::vector<std::array<double, 3>> points;
    std::int32_t pointCountOverride = -1; // >= 0: PointCount reports this
};

struct SimPartProgram {
    double probeRadius = 2.5;
    std::vector<SimCommand> commands;
};

// The measuring application with a part program in memory. Objects it hands out
// read its data at call time; the simulation must outlive them.
class DmisSim : public dmis::IConnector {
public:
    explicit DmisSim(CallLog& log) : log(log) {}

    std::unique_ptr<dmis::IApplication> CreateApplication() override;

    CallLog& log;
    bool installed = true;
    bool foreignFailure = false; // CreateApplication throws std::logic_error, not Error
    std::wstring machineName = L"CMM-1";
    std::optional<SimPartProgram> program; // empty: no part program open

    struct GetPointArgs {
        std::int32_t index, a, b, c;
        std::wstring text;
        std::int32_t d;
    };
    std::vector<GetPointArgs> getPointCalls;

    // Objects handed out and not yet destroyed: 0 once the client let go of every one.
    int alive = 0;
};

// Features F1 to F9 among other commands; F3 holds (10, 20, 5) and (12, 21, 6).
SimPartProgram DemoPartProgram();

// F10: `count` points on a grid 6 apart (40 a row), 17 above the part's top: no sphere of
// any tolerance below 8 touches the part or another point's spheres.
SimCommand ManyPoints(std::size_t count);

} // namespace tessaly::sim
