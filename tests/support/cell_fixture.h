#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "sim/call_log.h"
#include "sim/cad_simulation.h"
#include "sim/dmis_simulation.h"
#include "action/window_state.h"
#include "sim/memory_form.h"

namespace tessaly::test {

// A window, a measuring application and a CAD application, all simulated, sharing one
// call log.
class CellTest : public ::testing::Test {
protected:
    CellTest() : dmis(log), cad(log) { dmis.program = sim::SimPartProgram{}; }

    // Sets the part program's commands: the features with their points.
    void SetFeatures(std::vector<sim::SimCommand> commands) { dmis.program->commands = std::move(commands); }
    static sim::SimCommand Feature(std::wstring id, std::vector<std::array<double, 3>> points)
    {
        sim::SimCommand command;
        command.id = std::move(id);
        command.points = std::move(points);
        return command;
    }
    // List2 as the load handler leaves it, with these entries selected.
    void LoadAndSelect(const std::vector<std::wstring>& ids)
    {
        for (const auto& command : dmis.program->commands)
            form.ListAppend(kFeatureList, command.id);
        form.SelectFeatures(ids);
        form.SetText(kProbeDiameter, L"5.000000");
    }
    std::vector<std::wstring> List1() const { return form.Items(kPointList); }
    std::wstring Label2() const { return form.Caption(kStatusLine); }

    sim::CallLog log;
    sim::DmisSim dmis;
    sim::CadSim cad;
    sim::MemoryForm form;
    WindowState state;
};

} // namespace tessaly::test
