#include "sim/dmis_simulation.h"

#include <stdexcept>

#include "base/error.h"

namespace tessaly::sim {

namespace {

// Counts itself in the simulation's `alive` while it exists.
class Counted {
public:
    explicit Counted(DmisSim& sim) : sim_(sim) { ++sim_.alive; }
    ~Counted() { --sim_.alive; }
    Counted(const Counted&) = delete;
    Counted& operator=(const Counted&) = delete;

private:
    DmisSim& sim_;
};

const char* const kAxisRead[3] = {"X", "Y", "Z"};
const char* const kAxisWrite[3] = {"X=", "Y=", "Z="};

// A copy of the coordinates: writes change this point object only, so the next run
// reads the part program's points as they were.
class Point : public dmis::IPoint, Counted {
public:
    Point(DmisSim& sim, std::array<double, 3> xyz) : Counted(sim), sim_(sim), xyz_(xyz) {}
    double Get(int axis) override
    {
        return sim_.log.Record(kAxisRead[Axis(axis)]).Number(xyz_[static_cast<std::size_t>(axis)]);
    }
    void Set(int axis, double value) override
    {
        sim_.log.NoteWrite(value); // sent, whatever the call does with it
        sim_.log.Record(kAxisWrite[Axis(axis)]);
        xyz_[static_cast<std::size_t>(axis)] = value;
    }

private:
    static int Axis(int axis)
    {
        if (axis < 0 || axis > 2)
            throw Error("no such axis");
        return axis;
    }
    DmisSim& sim_;
    std::array<double, 3> xyz_;
};

SimPartProgram& Program(DmisSim& sim)
{
    if (!sim.program)
        throw Error("no part program is open");
    return *sim.program;
}

class FeatureData : public dmis::IFeatureData, Counted {
public:
    FeatureData(DmisSim& sim, std::size_t command) : Counted(sim), sim_(sim), command_(command) {}
    std::int32_t PointCount() override
    {
        const Answer answer = sim_.log.Record("PointCount");
        const SimCommand& c = Command();
        return answer.WholeNumber(c.pointCountOverride >= 0 ? c.pointCountOverride
                                                            : static_cast<std::int32_t>(c.points.size()));
    }
    std::unique_ptr<dmis::IPoint> GetPoint(std::int32_t index, std::int32_t a, std::int32_t b, std::int32_t c,
                                           const std::wstring& text, std::int32_t d) override
    {
        const Answer answer = sim_.log.Record("GetPoint");
        sim_.getPointCalls.push_back({index, a, b, c, text, d});
        const SimCommand& command = Command();
        if (index < 1 || static_cast<std::size_t>(index) > command.points.size())
            throw Error("no such point");
        return answer.Object(std::make_unique<Point>(sim_, command.points[static_cast<std::size_t>(index) - 1]));
    }

private:
    const SimCommand& Command()
    {
        auto& commands = Program(sim_).commands;
        if (command_ >= commands.size())
            throw Error("the command no longer exists");
        return commands[command_];
    }
    DmisSim& sim_;
    std::size_t command_;
};

class Command : public dmis::ICommand, Counted {
public:
    Command(DmisSim& sim, std::size_t index) : Counted(sim), sim_(sim), index_(index) {}
    std::wstring ID() override { return sim_.log.Record("ID").Text(Get().id); }
    std::wstring DefaultValue() override { return sim_.log.Record("DefaultValue").Text(Get().defaultValue); }
    std::unique_ptr<dmis::IFeatureData> FeatureData() override
    {
        const Answer answer = sim_.log.Record("FeatureData");
        if (!Get().hasFeatureData)
            throw Error("the command has no feature data");
        return answer.Object(std::make_unique<sim::FeatureData>(sim_, index_));
    }

private:
    const SimCommand& Get()
    {
        auto& commands = Program(sim_).commands;
        if (index_ >= commands.size())
            throw Error("the command no longer exists");
        return commands[index_];
    }
    DmisSim& sim_;
    std::size_t index_;
};

class Commands : public dmis::ICommands, Counted {
public:
    explicit Commands(DmisSim& sim) : Counted(sim), sim_(sim) {}
    std::int32_t Count() override
    {
        return sim_.log.Record("count").WholeNumber(static_cast<std::int32_t>(Program(sim_).commands.size()));
    }
    std::unique_ptr<dmis::ICommand> Item(std::int32_t position) override
    {
        const Answer answer = sim_.log.Record("Item");
        if (position < 1 || static_cast<std::size_t>(position) > Program(sim_).commands.size())
            throw Error("no command at that position");
        return answer.Object(std::make_unique<Command>(sim_, static_cast<std::size_t>(position) - 1));
    }
    std::unique_ptr<dmis::ICommand> CommandByID(const std::wstring& id) override
    {
        const Answer answer = sim_.log.Record("CommandByID");
        const auto& commands = Program(sim_).commands;
        for (std::size_t i = 0; i < commands.size(); ++i)
            if (commands[i].id == id)
                return answer.Object(std::make_unique<Command>(sim_, i));
        throw Error("no command with that ID");
    }

private:
    DmisSim& sim_;
};

class OldBasic : public dmis::IOldBasic, Counted {
public:
    explicit OldBasic(DmisSim& sim) : Counted(sim), sim_(sim) {}
    double GetProbeRadius() override { return sim_.log.Record("GetProbeRadius").Number(Program(sim_).probeRadius); }

private:
    DmisSim& sim_;
};

class PartProgram : public dmis::IPartProgram, Counted {
public:
    explicit PartProgram(DmisSim& sim) : Counted(sim), sim_(sim) {}
    std::unique_ptr<dmis::IOldBasic> OldBasic() override
    {
        return sim_.log.Record("OldBasic").Object(std::make_unique<sim::OldBasic>(sim_));
    }
    std::unique_ptr<dmis::ICommands> Commands() override
    {
        return sim_.log.Record("Commands").Object(std::make_unique<sim::Commands>(sim_));
    }

private:
    DmisSim& sim_;
};

class Machine : public dmis::IMachine, Counted {
public:
    explicit Machine(DmisSim& sim) : Counted(sim), sim_(sim) {}
    std::wstring MachineName() override { return sim_.log.Record("MachineName").Text(sim_.machineName); }

private:
    DmisSim& sim_;
};

class Application : public dmis::IApplication, Counted {
public:
    explicit Application(DmisSim& sim) : Counted(sim), sim_(sim) {}
    std::unique_ptr<dmis::IMachine> MachineAt(std::int16_t number) override
    {
        const Answer answer = sim_.log.Record("MachineAt");
        if (number != 1)
            throw Error("no such machine");
        return answer.Object(std::make_unique<Machine>(sim_));
    }
    std::unique_ptr<dmis::IPartProgram> CurrentProgram() override
    {
        const Answer answer = sim_.log.Record("CurrentProgram");
        Program(sim_);
        return answer.Object(std::make_unique<PartProgram>(sim_));
    }

private:
    DmisSim& sim_;
};

} // namespace

// Created, not answered: no result of a call to convert, so an odd answer changes nothing.
std::unique_ptr<dmis::IApplication> DmisSim::CreateApplication()
{
    log.Record("CreateApplication");
    if (!installed)
        throw Error("the measuring application is not registered");
    if (foreignFailure)
        throw std::logic_error("not the program's exception");
    return std::make_unique<Application>(*this);
}

SimPartProgram DemoPartProgram()
{
    SimPartProgram program;
    program.probeRadius = 2.5;
    auto feature = [](std::wstring id, std::vector<std::array<double, 3>> points) {
        SimCommand command;
        command.id = std::move(id);
        command.points = std::move(points);
        return command;
    };
    auto other = [](std::wstring id) {
        SimCommand command;
        command.id = std::move(id);
        command.defaultValue = L"";
        command.hasFeatureData = false;
        return command;
    };
    program.commands = {
        other(L"A1"),
        feature(L"F1", {{0, 0, 0}}),
        feature(L"F2", {{5, 5, 1}, {15, 5, 1}}),
        feature(L"F3", {{10, 20, 5}, {12, 21, 6}}),
        other(L"PNT5"),
        feature(L"F4", {{30, 30, 30}}),
        feature(L"F5", {{2, 2, -1}, {4, 4, -1}, {6, 6, -1}}),
        feature(L"F6", {{-10, 0, 2}}),
        other(L"FA"),
        feature(L"F7", {{40, 0, 0}, {40, 10, 0}}),
        feature(L"F8", {{10, 10, 12}}),
        feature(L"F9", {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}}),
        other(L"f4"),
    };
    return program;
}

SimCommand ManyPoints(std::size_t count)
{
    SimCommand feature;
    feature.id = L"F10";
    for (std::size_t i = 0; i < count; ++i)
        feature.points.push_back({6.0 * static_cast<double>(i % 40), 6.0 * static_cast<double>(i / 40), 20.0});
    return feature;
}

} // namespace tessaly::sim
