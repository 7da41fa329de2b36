#include "cell_objects_win.h"

namespace tessaly::cell {
namespace {

std::wstring TextOf(BSTR text)
{
    return text ? std::wstring(text, SysStringLen(text)) : std::wstring();
}

class Point final : public Served<IDmisPoint> {
public:
    explicit Point(std::unique_ptr<dmis::IPoint> point) : point_(std::move(point)) {}

    HRESULT STDMETHODCALLTYPE get_X(double* value) override { return Get(0, value); }
    HRESULT STDMETHODCALLTYPE put_X(double value) override { return Set(0, value); }
    HRESULT STDMETHODCALLTYPE get_Y(double* value) override { return Get(1, value); }
    HRESULT STDMETHODCALLTYPE put_Y(double value) override { return Set(1, value); }
    HRESULT STDMETHODCALLTYPE get_Z(double* value) override { return Get(2, value); }
    HRESULT STDMETHODCALLTYPE put_Z(double value) override { return Set(2, value); }

private:
    HRESULT Get(int axis, double* value)
    {
        return Guarded([&] { *value = point_->Get(axis); });
    }
    HRESULT Set(int axis, double value)
    {
        return Guarded([&] { point_->Set(axis, value); });
    }

    std::unique_ptr<dmis::IPoint> point_;
};

class FeatureData final : public Served<IDmisFeatureData> {
public:
    explicit FeatureData(std::unique_ptr<dmis::IFeatureData> data) : data_(std::move(data)) {}

    HRESULT STDMETHODCALLTYPE get_PointCount(long* count) override
    {
        return Guarded([&] { *count = data_->PointCount(); });
    }
    HRESULT STDMETHODCALLTYPE GetPoint(long index, long pointType, long dataType, long coordSystem, BSTR alignment,
                                       long workplane, IDmisPoint** point) override
    {
        return Guarded([&] {
            *point = new Point(data_->GetPoint(index, pointType, dataType, coordSystem, TextOf(alignment), workplane));
        });
    }

private:
    std::unique_ptr<dmis::IFeatureData> data_;
};

class Command final : public Served<IDmisCommand> {
public:
    explicit Command(std::unique_ptr<dmis::ICommand> command) : command_(std::move(command)) {}

    HRESULT STDMETHODCALLTYPE get_DefaultValue(BSTR* text) override
    {
        return Guarded([&] { *text = com::Bstr(command_->DefaultValue()).detach(); });
    }
    HRESULT STDMETHODCALLTYPE get_ID(BSTR* id) override
    {
        return Guarded([&] { *id = com::Bstr(command_->ID()).detach(); });
    }
    HRESULT STDMETHODCALLTYPE get_FeatureData(IDmisFeatureData** data) override
    {
        return Guarded([&] { *data = new FeatureData(command_->FeatureData()); });
    }

private:
    std::unique_ptr<dmis::ICommand> command_;
};

class Commands final : public Served<IDmisCommands> {
public:
    explicit Commands(std::unique_ptr<dmis::ICommands> commands) : commands_(std::move(commands)) {}

    HRESULT STDMETHODCALLTYPE Item(long position, IDmisCommand** command) override
    {
        return Guarded([&] { *command = new Command(commands_->Item(position)); });
    }
    HRESULT STDMETHODCALLTYPE get_Count(long* count) override
    {
        return Guarded([&] { *count = commands_->Count(); });
    }
    HRESULT STDMETHODCALLTYPE CommandByID(BSTR id, IDmisCommand** command) override
    {
        return Guarded([&] { *command = new Command(commands_->CommandByID(TextOf(id))); });
    }

private:
    std::unique_ptr<dmis::ICommands> commands_;
};

class OldBasic final : public Served<IDmisOldBasic> {
public:
    explicit OldBasic(std::unique_ptr<dmis::IOldBasic> basic) : basic_(std::move(basic)) {}

    HRESULT STDMETHODCALLTYPE GetProbeRadius(double* radius) override
    {
        return Guarded([&] { *radius = basic_->GetProbeRadius(); });
    }

private:
    std::unique_ptr<dmis::IOldBasic> basic_;
};

class PartProgram final : public Served<IDmisPartProgram> {
public:
    explicit PartProgram(std::unique_ptr<dmis::IPartProgram> program) : program_(std::move(program)) {}

    HRESULT STDMETHODCALLTYPE get_Commands(IDmisCommands** commands) override
    {
        return Guarded([&] { *commands = new Commands(program_->Commands()); });
    }
    HRESULT STDMETHODCALLTYPE get_OldBasic(IDmisOldBasic** basic) override
    {
        return Guarded([&] { *basic = new OldBasic(program_->OldBasic()); });
    }

private:
    std::unique_ptr<dmis::IPartProgram> program_;
};

class Machine final : public Served<IDmisMachine> {
public:
    explicit Machine(std::unique_ptr<dmis::IMachine> machine) : machine_(std::move(machine)) {}

    HRESULT STDMETHODCALLTYPE get_MachineName(BSTR* name) override
    {
        return Guarded([&] { *name = com::Bstr(machine_->MachineName()).detach(); });
    }

private:
    std::unique_ptr<dmis::IMachine> machine_;
};

class Application final : public Served<IDmisApplication> {
public:
    explicit Application(std::unique_ptr<dmis::IApplication> app) : app_(std::move(app)) {}

    HRESULT STDMETHODCALLTYPE get_CurrentProgram(IDmisPartProgram** program) override
    {
        return Guarded([&] { *program = new PartProgram(app_->CurrentProgram()); });
    }
    HRESULT STDMETHODCALLTYPE get_MachineAt(short number, IDmisMachine** machine) override
    {
        return Guarded([&] { *machine = new Machine(app_->MachineAt(number)); });
    }

private:
    std::unique_ptr<dmis::IApplication> app_;
};

} // namespace

IDispatch* NewMeasuringApplication(std::unique_ptr<dmis::IApplication> app)
{
    return new Application(std::move(app));
}

} // namespace tessaly::cell
