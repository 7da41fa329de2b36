#include "cell_objects_win.h"

#include "dmis/com_ids_win.h"

namespace tessaly::cell {
namespace {

namespace ids = dmis::ids;

// Members called by name get DISPIDs of the cell's own choosing.
enum : DISPID { kCommands = 101, kOldBasic, kGetProbeRadius, kCount, kItem, kID };

constexpr MemberName kPointMembers[] = {{L"X", ids::kAxis[0]}, {L"Y", ids::kAxis[1]}, {L"Z", ids::kAxis[2]}};

class Point final : public Adapter<dmis::IPoint> {
public:
    explicit Point(std::unique_ptr<dmis::IPoint> point) : Adapter(&ids::kPointIid, kPointMembers, std::move(point)) {}

protected:
    void Call(DISPID id, const Args& args, VARIANT& result) override
    {
        const int axis = static_cast<int>(id - ids::kAxis[0]);
        if (args.IsPut()) {
            args.Expect(1);
            object().Set(axis, args.Double(0));
        } else {
            args.Expect(0);
            Return(result, object().Get(axis));
        }
    }
};

constexpr MemberName kFeatureDataMembers[] = {{L"PointCount", ids::kPointCount}, {L"GetPoint", ids::kGetPoint}};

class FeatureData final : public Adapter<dmis::IFeatureData> {
public:
    explicit FeatureData(std::unique_ptr<dmis::IFeatureData> data)
        : Adapter(&ids::kFeatureDataIid, kFeatureDataMembers, std::move(data))
    {}

protected:
    void Call(DISPID id, const Args& args, VARIANT& result) override
    {
        if (id == ids::kPointCount) {
            args.Expect(0);
            Return(result, object().PointCount());
            return;
        }
        args.Expect(6);
        Return(result, new Point(object().GetPoint(args.Int(0), args.Int(1), args.Int(2), args.Int(3), args.Text(4),
                                                   args.Int(5))));
    }
};

constexpr MemberName kCommandMembers[] = {
    {L"ID", kID}, {L"DefaultValue", ids::kDefaultValue}, {L"FeatureData", ids::kFeatureData}};

class Command final : public Adapter<dmis::ICommand> {
public:
    explicit Command(std::unique_ptr<dmis::ICommand> command)
        : Adapter(&ids::kCommandIid, kCommandMembers, std::move(command))
    {}

protected:
    void Call(DISPID id, const Args& args, VARIANT& result) override
    {
        args.Expect(0);
        switch (id) {
        case kID: Return(result, object().ID()); break;
        case ids::kDefaultValue: Return(result, object().DefaultValue()); break;
        default: Return(result, new FeatureData(object().FeatureData())); break;
        }
    }
};

constexpr MemberName kCommandsMembers[] = {{L"count", kCount}, {L"Item", kItem}, {L"CommandByID", ids::kCommandByID}};

class Commands final : public Adapter<dmis::ICommands> {
public:
    explicit Commands(std::unique_ptr<dmis::ICommands> commands)
        : Adapter(&ids::kCommandsIid, kCommandsMembers, std::move(commands))
    {}

protected:
    void Call(DISPID id, const Args& args, VARIANT& result) override
    {
        if (id == kCount) {
            args.Expect(0);
            Return(result, object().Count());
            return;
        }
        args.Expect(1);
        Return(result, new Command(id == kItem ? object().Item(args.Int(0)) : object().CommandByID(args.Text(0))));
    }
};

constexpr MemberName kOldBasicMembers[] = {{L"GetProbeRadius", kGetProbeRadius}};

class OldBasic final : public Adapter<dmis::IOldBasic> {
public:
    explicit OldBasic(std::unique_ptr<dmis::IOldBasic> basic) : Adapter(nullptr, kOldBasicMembers, std::move(basic)) {}

protected:
    void Call(DISPID, const Args& args, VARIANT& result) override
    {
        args.Expect(0);
        Return(result, object().GetProbeRadius());
    }
};

constexpr MemberName kPartProgramMembers[] = {{L"Commands", kCommands}, {L"OldBasic", kOldBasic}};

class PartProgram final : public Adapter<dmis::IPartProgram> {
public:
    explicit PartProgram(std::unique_ptr<dmis::IPartProgram> program)
        : Adapter(nullptr, kPartProgramMembers, std::move(program))
    {}

protected:
    void Call(DISPID id, const Args& args, VARIANT& result) override
    {
        args.Expect(0);
        if (id == kCommands)
            Return(result, new Commands(object().Commands()));
        else
            Return(result, new OldBasic(object().OldBasic()));
    }
};

constexpr MemberName kMachineMembers[] = {{L"MachineName", ids::kMachineName}};

class Machine final : public Adapter<dmis::IMachine> {
public:
    explicit Machine(std::unique_ptr<dmis::IMachine> machine)
        : Adapter(&ids::kMachineIid, kMachineMembers, std::move(machine))
    {}

protected:
    void Call(DISPID, const Args& args, VARIANT& result) override
    {
        args.Expect(0);
        Return(result, object().MachineName());
    }
};

constexpr MemberName kApplicationMembers[] = {{L"MachineAt", ids::kMachineAt},
                                              {L"CurrentProgram", ids::kCurrentProgram}};

class Application final : public Adapter<dmis::IApplication> {
public:
    explicit Application(std::unique_ptr<dmis::IApplication> app)
        : Adapter(&ids::kApplicationIid, kApplicationMembers, std::move(app))
    {}

protected:
    void Call(DISPID id, const Args& args, VARIANT& result) override
    {
        if (id == ids::kMachineAt) {
            args.Expect(1);
            Return(result, new Machine(object().MachineAt(args.Short(0))));
        } else {
            args.Expect(0);
            Return(result, new PartProgram(object().CurrentProgram()));
        }
    }
};

} // namespace

DispatchObject* NewMeasuringApplication(std::unique_ptr<dmis::IApplication> app)
{
    return new Application(std::move(app));
}

} // namespace tessaly::cell
