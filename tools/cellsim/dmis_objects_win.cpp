#include "cell_objects_win.h"

#include "dmis/com_ids_win.h"

namespace tessaly::cell {
namespace {

namespace ids = dmis::ids;

// Members called by name get DISPIDs of the cell's own choosing.
enum : DISPID { kCommands = 101, kOldBasic, kGetProbeRadius, kCount, kItem, kID };

constexpr MemberName kPointMembers[] = {{L"X", ids::kAxis[0]}, {L"Y", ids::kAxis[1]}, {L"Z", ids::kAxis[2]}};

class Point final : public DispatchObject {
public:
    explicit Point(std::unique_ptr<dmis::IPoint> point)
        : DispatchObject(&ids::kPointIid, kPointMembers), point_(std::move(point)) {}

protected:
    void Call(DISPID id, const Args& args, VARIANT& result) override {
        const int axis = static_cast<int>(id - ids::kAxis[0]);
        if (args.IsPut()) {
            args.Expect(1);
            point_->Set(axis, args.Double(0));
        } else {
            args.Expect(0);
            Return(result, point_->Get(axis));
        }
    }

private:
    std::unique_ptr<dmis::IPoint> point_;
};

constexpr MemberName kFeatureDataMembers[] = {{L"PointCount", ids::kPointCount}, {L"GetPoint", ids::kGetPoint}};

class FeatureData final : public DispatchObject {
public:
    explicit FeatureData(std::unique_ptr<dmis::IFeatureData> data)
        : DispatchObject(&ids::kFeatureDataIid, kFeatureDataMembers), data_(std::move(data)) {}

protected:
    void Call(DISPID id, const Args& args, VARIANT& result) override {
        if (id == ids::kPointCount) {
            args.Expect(0);
            Return(result, data_->PointCount());
            return;
        }
        args.Expect(6);
        Return(result, new Point(data_->GetPoint(args.Int(0), args.Int(1), args.Int(2), args.Int(3), args.Text(4),
                                                 args.Int(5))));
    }

private:
    std::unique_ptr<dmis::IFeatureData> data_;
};

constexpr MemberName kCommandMembers[] = {
    {L"ID", kID}, {L"DefaultValue", ids::kDefaultValue}, {L"FeatureData", ids::kFeatureData}};

class Command final : public DispatchObject {
public:
    explicit Command(std::unique_ptr<dmis::ICommand> command)
        : DispatchObject(&ids::kCommandIid, kCommandMembers), command_(std::move(command)) {}

protected:
    void Call(DISPID id, const Args& args, VARIANT& result) override {
        args.Expect(0);
        switch (id) {
        case kID: Return(result, command_->ID()); break;
        case ids::kDefaultValue: Return(result, command_->DefaultValue()); break;
        default: Return(result, new FeatureData(command_->FeatureData())); break;
        }
    }

private:
    std::unique_ptr<dmis::ICommand> command_;
};

constexpr MemberName kCommandsMembers[] = {{L"count", kCount}, {L"Item", kItem}, {L"CommandByID", ids::kCommandByID}};

class Commands final : public DispatchObject {
public:
    explicit Commands(std::unique_ptr<dmis::ICommands> commands)
        : DispatchObject(&ids::kCommandsIid, kCommandsMembers), commands_(std::move(commands)) {}

protected:
    void Call(DISPID id, const Args& args, VARIANT& result) override {
        if (id == kCount) {
            args.Expect(0);
            Return(result, commands_->Count());
            return;
        }
        args.Expect(1);
        Return(result, new Command(id == kItem ? commands_->Item(args.Int(0)) : commands_->CommandByID(args.Text(0))));
    }

private:
    std::unique_ptr<dmis::ICommands> commands_;
};

constexpr MemberName kOldBasicMembers[] = {{L"GetProbeRadius", kGetProbeRadius}};

class OldBasic final : public DispatchObject {
public:
    explicit OldBasic(std::unique_ptr<dmis::IOldBasic> basic)
        : DispatchObject(nullptr, kOldBasicMembers), basic_(std::move(basic)) {}

protected:
    void Call(DISPID, const Args& args, VARIANT& result) override {
        args.Expect(0);
        Return(result, basic_->GetProbeRadius());
    }

private:
    std::unique_ptr<dmis::IOldBasic> basic_;
};

constexpr MemberName kPartProgramMembers[] = {{L"Commands", kCommands}, {L"OldBasic", kOldBasic}};

class PartProgram final : public DispatchObject {
public:
    explicit PartProgram(std::unique_ptr<dmis::IPartProgram> program)
        : DispatchObject(nullptr, kPartProgramMembers), program_(std::move(program)) {}

protected:
    void Call(DISPID id, const Args& args, VARIANT& result) override {
        args.Expect(0);
        if (id == kCommands) {
            Return(result, new Commands(program_->Commands()));
        } else {
            Return(result, new OldBasic(program_->OldBasic()));
        }
    }

private:
    std::unique_ptr<dmis::IPartProgram> program_;
};

constexpr MemberName kMachineMembers[] = {{L"MachineName", ids::kMachineName}};

class Machine final : public DispatchObject {
public:
    explicit Machine(std::unique_ptr<dmis::IMachine> machine)
        : DispatchObject(&ids::kMachineIid, kMachineMembers), machine_(std::move(machine)) {}

protected:
    void Call(DISPID, const Args& args, VARIANT& result) override {
        args.Expect(0);
        Return(result, machine_->MachineName());
    }

private:
    std::unique_ptr<dmis::IMachine> machine_;
};

constexpr MemberName kApplicationMembers[] = {{L"MachineAt", ids::kMachineAt},
                                              {L"CurrentProgram", ids::kCurrentProgram}};

class Application final : public DispatchObject {
public:
    explicit Application(std::unique_ptr<dmis::IApplication> app)
        : DispatchObject(&ids::kApplicationIid, kApplicationMembers), app_(std::move(app)) {}

protected:
    void Call(DISPID id, const Args& args, VARIANT& result) override {
        if (id == ids::kMachineAt) {
            args.Expect(1);
            Return(result, new Machine(app_->MachineAt(args.Short(0))));
        } else {
            args.Expect(0);
            Return(result, new PartProgram(app_->CurrentProgram()));
        }
    }

private:
    std::unique_ptr<dmis::IApplication> app_;
};

} // namespace

DispatchObject* NewMeasuringApplication(std::unique_ptr<dmis::IApplication> app) {
    return new Application(std::move(app));
}

} // namespace tessaly::cell
