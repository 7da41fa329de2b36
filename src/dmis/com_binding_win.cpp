#include "dmis/com_binding.h"

#include "com/com.h"
#include "pointlist/number_text.h"
#include "dmis/com_ids_win.h"

namespace tessaly::dmis {
namespace {

using com::Call;
using com::Invoke;
using com::Member;
using com::Ptr;
using com::Variant;

constexpr Member kMachineAt{ids::kMachineAt, L"MachineAt"};
constexpr Member kCurrentProgram{ids::kCurrentProgram, L"CurrentProgram"};
constexpr Member kMachineName{ids::kMachineName, L"MachineName"};
constexpr Member kCommandByID{ids::kCommandByID, L"CommandByID"};
constexpr Member kDefaultValue{ids::kDefaultValue, L"DefaultValue"};
constexpr Member kFeatureData{ids::kFeatureData, L"FeatureData"};
constexpr Member kPointCount{ids::kPointCount, L"PointCount"};
constexpr Member kGetPoint{ids::kGetPoint, L"GetPoint"};
constexpr Member kAxes[] = {{ids::kAxis[0], L"X"}, {ids::kAxis[1], L"Y"}, {ids::kAxis[2], L"Z"}};

// The result object of `what`, queried for `iid`.
Ptr<IDispatch> Queried(const Variant& result, const IID& iid, const wchar_t* what)
{
    return com::Query<IDispatch>(com::ToObject(result, what).get(), iid, what);
}

class ComPoint final : public IPoint {
public:
    ComPoint(Ptr<IDispatch> point, com::ReadNumber readNumber)
        : point_(std::move(point)), readNumber_(std::move(readNumber))
    {}

    double Get(int axis) override
    {
        const Member member = Axis(axis);
        return com::ToDouble(Invoke(point_.get(), member, Call::Get), member.name, readNumber_);
    }

    void Set(int axis, double value) override { Invoke(point_.get(), Axis(axis), Call::Put, Variant::R8(value)); }

private:
    static Member Axis(int axis)
    {
        if (axis < 0 || axis > 2)
            throw Error("point axis " + std::to_string(axis) + " is not 0, 1 or 2");
        return kAxes[axis];
    }

    Ptr<IDispatch> point_;
    com::ReadNumber readNumber_;
};

class ComFeatureData final : public IFeatureData {
public:
    ComFeatureData(Ptr<IDispatch> data, com::ReadNumber readNumber)
        : data_(std::move(data)), readNumber_(std::move(readNumber))
    {}

    std::int32_t PointCount() override
    {
        return com::ToInt32(Invoke(data_.get(), kPointCount, Call::Get), kPointCount.name, readNumber_);
    }

    std::unique_ptr<IPoint> GetPoint(std::int32_t index, std::int32_t a, std::int32_t b, std::int32_t c,
                                     const std::wstring& text, std::int32_t d) override
    {
        Variant result = Invoke(data_.get(), kGetPoint, Call::Get, Variant::I4(index), Variant::I4(a), Variant::I4(b),
                                Variant::I4(c), Variant::Text(text), Variant::I4(d));
        return std::make_unique<ComPoint>(Queried(result, ids::kPointIid, kGetPoint.name), readNumber_);
    }

private:
    Ptr<IDispatch> data_;
    com::ReadNumber readNumber_;
};

class ComCommand final : public ICommand {
public:
    ComCommand(Ptr<IDispatch> command, com::ReadNumber readNumber)
        : command_(std::move(command)), readNumber_(std::move(readNumber))
    {}

    std::wstring ID() override { return com::ToText(Invoke(command_.get(), L"ID", Call::Get), L"ID"); }

    std::wstring DefaultValue() override
    {
        return com::ToText(Invoke(command_.get(), kDefaultValue, Call::Get), kDefaultValue.name);
    }

    std::unique_ptr<IFeatureData> FeatureData() override
    {
        Variant result = Invoke(command_.get(), kFeatureData, Call::Get);
        return std::make_unique<ComFeatureData>(Queried(result, ids::kFeatureDataIid, kFeatureData.name), readNumber_);
    }

private:
    Ptr<IDispatch> command_;
    com::ReadNumber readNumber_;
};

class ComCommands final : public ICommands {
public:
    ComCommands(Ptr<IDispatch> commands, com::ReadNumber readNumber)
        : commands_(std::move(commands)), readNumber_(std::move(readNumber))
    {}

    std::int32_t Count() override
    {
        return com::ToInt32(Invoke(commands_.get(), L"count", Call::Get), L"count", readNumber_);
    }

    std::unique_ptr<ICommand> Item(std::int32_t position) override
    {
        Variant result = Invoke(commands_.get(), L"Item", Call::Get, Variant::I4(position));
        return std::make_unique<ComCommand>(Queried(result, ids::kCommandIid, L"Item"), readNumber_);
    }

    std::unique_ptr<ICommand> CommandByID(const std::wstring& id) override
    {
        Variant result = Invoke(commands_.get(), kCommandByID, Call::Get, Variant::Text(id));
        return std::make_unique<ComCommand>(Queried(result, ids::kCommandIid, kCommandByID.name), readNumber_);
    }

private:
    Ptr<IDispatch> commands_;
    com::ReadNumber readNumber_;
};

class ComOldBasic final : public IOldBasic {
public:
    ComOldBasic(Ptr<IDispatch> basic, com::ReadNumber readNumber)
        : basic_(std::move(basic)), readNumber_(std::move(readNumber))
    {}

    double GetProbeRadius() override
    {
        return com::ToDouble(Invoke(basic_.get(), L"GetProbeRadius", Call::Get), L"GetProbeRadius", readNumber_);
    }

private:
    Ptr<IDispatch> basic_;
    com::ReadNumber readNumber_;
};

class ComPartProgram final : public IPartProgram {
public:
    ComPartProgram(Ptr<IDispatch> program, com::ReadNumber readNumber)
        : program_(std::move(program)), readNumber_(std::move(readNumber))
    {}

    std::unique_ptr<IOldBasic> OldBasic() override
    {
        Variant result = Invoke(program_.get(), L"OldBasic", Call::Get);
        return std::make_unique<ComOldBasic>(com::ToObject(result, L"OldBasic"), readNumber_);
    }

    std::unique_ptr<ICommands> Commands() override
    {
        Variant result = Invoke(program_.get(), L"Commands", Call::Get);
        return std::make_unique<ComCommands>(Queried(result, ids::kCommandsIid, L"Commands"), readNumber_);
    }

private:
    Ptr<IDispatch> program_;
    com::ReadNumber readNumber_;
};

class ComMachine final : public IMachine {
public:
    explicit ComMachine(Ptr<IDispatch> machine) : machine_(std::move(machine)) {}

    std::wstring MachineName() override
    {
        return com::ToText(Invoke(machine_.get(), kMachineName, Call::Get), kMachineName.name);
    }

private:
    Ptr<IDispatch> machine_;
};

class ComApplication final : public IApplication {
public:
    ComApplication(Ptr<IDispatch> app, com::ReadNumber readNumber)
        : app_(std::move(app)), readNumber_(std::move(readNumber))
    {}

    std::unique_ptr<IMachine> MachineAt(std::int16_t number) override
    {
        Variant result = Invoke(app_.get(), kMachineAt, Call::Get, Variant::I2(number));
        return std::make_unique<ComMachine>(Queried(result, ids::kMachineIid, kMachineAt.name));
    }

    std::unique_ptr<IPartProgram> CurrentProgram() override
    {
        Variant result = Invoke(app_.get(), kCurrentProgram, Call::Get);
        return std::make_unique<ComPartProgram>(com::ToObject(result, kCurrentProgram.name), readNumber_);
    }

private:
    Ptr<IDispatch> app_;
    com::ReadNumber readNumber_;
};

class ComConnector final : public IConnector {
public:
    explicit ComConnector(com::ReadNumber readNumber) : readNumber_(std::move(readNumber)) {}

    std::unique_ptr<IApplication> CreateApplication() override
    {
        const CLSID clsid = com::ClassIdOf(ids::kProgId);
        Ptr<IDispatch> created;
        com::Check(CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER | CLSCTX_INPROC_SERVER, IID_IDispatch,
                                    created.put_void()),
                   std::wstring(L"CoCreateInstance(\"") + ids::kProgId + L"\")");
        return std::make_unique<ComApplication>(
            com::Query<IDispatch>(created.get(), ids::kApplicationIid, ids::kProgId), readNumber_);
    }

private:
    com::ReadNumber readNumber_;
};

} // namespace

std::unique_ptr<IConnector> MakeComConnector(wchar_t decimalSeparator)
{
    // A text answered where a number belongs reads as the window reads its own.
    return std::make_unique<ComConnector>(
        [decimalSeparator](std::wstring_view text) { return ParseNumber(text, decimalSeparator); });
}

} // namespace tessaly::dmis
