#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "action/link_at_load.h"
#include "action/window_state.h"
#include "sim/cad_simulation.h"
#include "sim/call_log.h"
#include "sim/dmis_simulation.h"
#include "sim/memory_form.h"

namespace tessaly::test {

// A measuring application and a CAD application, both simulated, sharing one call log.
struct SimulatedApplications {
    sim::CallLog log;
    sim::DmisSim dmis{log};
    sim::CadSim cad{log};
};

// The simulated applications behind a simulated window.
struct SimulatedCell : SimulatedApplications {
    // The load handler as the program runs it (the decimal point a full stop).
    void Load() { LinkAtLoad(form, state, dmis, L'.'); }

    sim::MemoryForm form;
    WindowState state;
};

// The action tests' cell: an empty part program, no drawing.
class CellTest : public ::testing::Test, protected SimulatedCell {
protected:
    CellTest() { dmis.program = sim::SimPartProgram{}; }

    // Sets the part program's commands: the features with their points.
    void SetFeatures(std::vector<sim::SimCommand> commands) { dmis.program->commands = std::move(commands); }
    static sim::SimCommand Feature(std::wstring id, std::vector<std::array<double, 3>> points)
    {
        sim::SimCommand command;
        command.id = std::move(id);
        command.points = std::move(points);
        return command;
    }
    // List2 as the load handler leaves it, with these entries selected, made without a
    // call to the applications.
    void LoadAndSelect(const std::vector<std::wstring>& ids)
    {
        for (const auto& command : dmis.program->commands)
            form.ListAppend(kFeatureList, command.id);
        form.SelectFeatures(ids);
        form.SetText(kProbeDiameter, L"5.000000");
    }
    std::vector<std::wstring> List1() const { return form.Items(kPointList); }
    std::wstring Label2() const { return form.Caption(kStatusLine); }
};

} // namespace tessaly::test
