#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The CAD application's automation objects, as far as Tessaly uses them. Every
// operation either returns its result or throws Error.
namespace tessaly::cad {

using Point3 = std::array<double, 3>;

// Colour indices.
constexpr std::int16_t kColorByBlock = 0;
constexpr std::int16_t kRed = 1;
constexpr std::int16_t kGreen = 3;

// Any entity of the drawing: solids, circles, splines, group members.
class IEntity {
public:
    virtual ~IEntity() = default;
    virtual void Update() = 0;
    virtual void SetColor(std::int16_t colorIndex) = 0;
    // Adds a hyperlink through the entity's hyperlink collection; no description and
    // no named location.
    virtual void AddHyperlink(const std::wstring& name) = 0;
    virtual double Volume() = 0;
    virtual void Delete() = 0;
    // The interference solid of this solid and `other`, or nullptr when they do not
    // overlap.
    virtual std::unique_ptr<IEntity> CheckInterference(IEntity& other, bool createInterferenceSolid) = 0;
};

class IModelSpace {
public:
    virtual ~IModelSpace() = default;
    virtual std::unique_ptr<IEntity> AddSphere(const Point3& centre, double radius) = 0;
    // The same add for the outer sphere of a tolerance check, whose radius the
    // application's clients of that check pass in a form of its own.
    virtual std::unique_ptr<IEntity> AddOuterSphere(const Point3& centre, double radius) = 0;
    // The result is the circle interface (queried by IID in the COM binding).
    virtual std::unique_ptr<IEntity> AddCircle(const Point3& centre, double radius) = 0;
    virtual std::unique_ptr<IEntity> AddSpline(const std::vector<double>& fitPoints, const Point3& startTangent,
                                               const Point3& endTangent) = 0;
};

class IGroup {
public:
    virtual ~IGroup() = default;
    virtual std::unique_ptr<IEntity> Item(std::int16_t index) = 0;
};

class IGroups {
public:
    virtual ~IGroups() = default;
    virtual std::unique_ptr<IGroup> Item(const std::wstring& name) = 0;
};

class IDocument {
public:
    virtual ~IDocument() = default;
    virtual std::unique_ptr<IGroups> Groups() = 0;
    virtual std::unique_ptr<IModelSpace> ModelSpace() = 0;
};

class IApplication {
public:
    virtual ~IApplication() = default;
    virtual void SetVisible(bool visible) = 0;
    virtual std::unique_ptr<IDocument> ActiveDocument() = 0;
};

// Links to the running instance; fails when none runs and never starts one.
class IConnector {
public:
    virtual ~IConnector() = default;
    virtual std::unique_ptr<IApplication> GetRunningApplication() = 0;
};

} // namespace tessaly::cad
