#pragma once

#include <cstdint>
#include <memory>
#include <string>

// The measuring application's automation objects, as far as Tessaly uses them. Every
// operation either returns its result or throws Error; results are already converted
// to the type the caller relies on (text, double, 32-bit whole number).
namespace tessaly::dmis {

class IPoint {
public:
    virtual ~IPoint() = default;
    // X, Y, Z: axis 0, 1, 2 (DISPIDs 1, 2, 3). Set writes into the point the
    // application holds.
    virtual double Get(int axis) = 0;
    virtual void Set(int axis, double value) = 0;
};

class IFeatureData {
public:
    virtual ~IFeatureData() = default;
    virtual std::int32_t PointCount() = 0;
    virtual std::unique_ptr<IPoint> GetPoint(std::int32_t index, std::int32_t a, std::int32_t b, std::int32_t c,
                                             const std::wstring& text, std::int32_t d) = 0;
};

class ICommand {
public:
    virtual ~ICommand() = default;
    virtual std::wstring ID() = 0;
    virtual std::wstring DefaultValue() = 0;
    virtual std::unique_ptr<IFeatureData> FeatureData() = 0;
};

class ICommands {
public:
    virtual ~ICommands() = default;
    virtual std::int32_t Count() = 0;                                  // "count"
    virtual std::unique_ptr<ICommand> Item(std::int32_t position) = 0; // 1-based
    virtual std::unique_ptr<ICommand> CommandByID(const std::wstring& id) = 0;
};

// What "OldBasic" returns.
class IOldBasic {
public:
    virtual ~IOldBasic() = default;
    virtual double GetProbeRadius() = 0;
};

class IPartProgram {
public:
    virtual ~IPartProgram() = default;
    virtual std::unique_ptr<IOldBasic> OldBasic() = 0;
    virtual std::unique_ptr<ICommands> Commands() = 0;
};

class IMachine {
public:
    virtual ~IMachine() = default;
    virtual std::wstring MachineName() = 0;
};

class IApplication {
public:
    virtual ~IApplication() = default;
    virtual std::unique_ptr<IMachine> MachineAt(std::int16_t number) = 0;
    virtual std::unique_ptr<IPartProgram> CurrentProgram() = 0;
};

// Creates the application object.
class IConnector {
public:
    virtual ~IConnector() = default;
    virtual std::unique_ptr<IApplication> CreateApplication() = 0;
};

} // namespace tessaly::dmis
