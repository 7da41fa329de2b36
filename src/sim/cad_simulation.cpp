#include "sim/cad_simulation.h"

#include <algorithm>
#include <cmath>
#include <cwctype>

#include "base/error.h"
#include "sim/geometry.h"

namespace tessaly::sim {

namespace {

constexpr double kPi = 3.14159265358979323846;

bool IsSolid(EntityKind kind)
{
    return kind == EntityKind::Sphere || kind == EntityKind::Box;
}

double Overlap(const SimEntity& a, const SimEntity& b)
{
    if (a.kind == EntityKind::Sphere && b.kind == EntityKind::Sphere)
        return SphereSphereOverlap(a.centre, a.radius, b.centre, b.radius);
    if (a.kind == EntityKind::Box && b.kind == EntityKind::Box)
        return BoxBoxOverlap(a.boxMin, a.boxMax, b.boxMin, b.boxMax);
    const SimEntity& sphere = a.kind == EntityKind::Sphere ? a : b;
    const SimEntity& box = a.kind == EntityKind::Box ? a : b;
    return SphereBoxOverlap(sphere.centre, sphere.radius, box.boxMin, box.boxMax);
}

// Names of groups (and of the application's other named objects) ignore case.
bool SameName(const std::wstring& a, const std::wstring& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
               return std::towupper(static_cast<std::wint_t>(x)) == std::towupper(static_cast<std::wint_t>(y));
           });
}

void CheckRadius(double radius)
{
    if (!std::isfinite(radius) || radius <= 0)
        throw Error("invalid radius");
}

class Entity : public cad::IEntity {
public:
    Entity(CadSim& sim, int handle) : sim_(sim), handle_(handle) {}
    int Handle() const { return handle_; }

    void Update() override
    {
        sim_.log.Record("Update");
        ++Live().updates;
        sim_.Changed(handle_, "update");
    }
    void SetColor(std::int16_t colorIndex) override
    {
        sim_.log.Record("SetColor");
        Live().color = colorIndex;
        sim_.Changed(handle_, "color");
    }
    void AddHyperlink(const std::wstring& name) override
    {
        sim_.log.Record("AddHyperlink");
        Live().hyperlinks.push_back(name);
        sim_.Changed(handle_, "hyperlink");
    }
    double Volume() override
    {
        const Answer answer = sim_.log.Record("Volume");
        const SimEntity& e = Live();
        switch (e.kind) {
        case EntityKind::Interference: return answer.Number(e.volume);
        case EntityKind::Sphere: return answer.Number(4.0 / 3.0 * kPi * e.radius * e.radius * e.radius);
        case EntityKind::Box: return answer.Number(BoxBoxOverlap(e.boxMin, e.boxMax, e.boxMin, e.boxMax));
        default: throw Error("the entity has no volume");
        }
    }
    void Delete() override
    {
        sim_.log.Record("Delete");
        Live().deleted = true;
        sim_.Changed(handle_, "deleted");
    }
    std::unique_ptr<cad::IEntity> CheckInterference(cad::IEntity& other, bool createInterferenceSolid) override
    {
        const Answer answer = sim_.log.Record("CheckInterference");
        auto* peer = dynamic_cast<Entity*>(&other);
        if (!peer)
            throw Error("not an entity of this drawing");
        const SimEntity& a = Live();
        const SimEntity& b = peer->Live();
        if (!IsSolid(a.kind) || !IsSolid(b.kind))
            throw Error("interference needs two solids");
        const double volume = Overlap(a, b);
        if (volume <= 0)
            return answer.ObjectOrNone(std::unique_ptr<Entity>());
        SimEntity solid;
        solid.kind = EntityKind::Interference;
        solid.volume = volume;
        int handle = sim_.AddEntity(solid);
        if (!createInterferenceSolid)
            sim_.Entity(handle).deleted = true;
        else
            sim_.Changed(handle, "added");
        return answer.ObjectOrNone(std::make_unique<Entity>(sim_, handle));
    }

private:
    SimEntity& Live()
    {
        SimEntity& e = sim_.Entity(handle_);
        if (e.deleted)
            throw Error("the entity was deleted");
        return e;
    }
    CadSim& sim_;
    int handle_;
};

class ModelSpace : public cad::IModelSpace {
public:
    explicit ModelSpace(CadSim& sim) : sim_(sim) {}
    std::unique_ptr<cad::IEntity> AddSphere(const cad::Point3& centre, double radius) override
    {
        NoteRound(centre, radius);
        const Answer answer = sim_.log.Record("AddSphere");
        return answer.Object(AddRound(EntityKind::Sphere, centre, radius, false));
    }
    // One call of the application's, as over COM.
    std::unique_ptr<cad::IEntity> AddOuterSphere(const cad::Point3& centre, double radius) override
    {
        NoteRound(centre, radius);
        const Answer answer = sim_.log.Record("AddSphere");
        return answer.Object(AddRound(EntityKind::Sphere, centre, radius, true));
    }
    std::unique_ptr<cad::IEntity> AddCircle(const cad::Point3& centre, double radius) override
    {
        NoteRound(centre, radius);
        const Answer answer = sim_.log.Record("AddCircle");
        return answer.Object(AddRound(EntityKind::Circle, centre, radius, false));
    }
    std::unique_ptr<cad::IEntity> AddSpline(const std::vector<double>& fitPoints, const cad::Point3& startTangent,
                                            const cad::Point3& endTangent) override
    {
        for (double value : fitPoints)
            sim_.log.NoteWrite(value);
        for (const cad::Point3& tangent : {startTangent, endTangent})
            for (double value : tangent)
                sim_.log.NoteWrite(value);
        const Answer answer = sim_.log.Record("AddSpline");
        if (fitPoints.size() < 6 || fitPoints.size() % 3 != 0)
            throw Error("a spline needs two fit points or more, three coordinates each");
        SimEntity e;
        e.kind = EntityKind::Spline;
        e.fitPoints = fitPoints;
        e.startTangent = startTangent;
        e.endTangent = endTangent;
        return answer.Object(Added(e));
    }

private:
    // The values an add sends, whatever the call does with them.
    void NoteRound(const cad::Point3& centre, double radius)
    {
        for (double value : {centre[0], centre[1], centre[2], radius})
            sim_.log.NoteWrite(value);
    }
    // Spheres and circles: a centre and a radius the CAD application accepts.
    std::unique_ptr<cad::IEntity> AddRound(EntityKind kind, const cad::Point3& centre, double radius, bool outer)
    {
        CheckRadius(radius);
        SimEntity e;
        e.kind = kind;
        e.centre = centre;
        e.radius = radius;
        e.outer = outer;
        return Added(e);
    }
    std::unique_ptr<cad::IEntity> Added(const SimEntity& e)
    {
        int handle = sim_.AddEntity(e);
        sim_.Changed(handle, "added");
        return std::make_unique<Entity>(sim_, handle);
    }
    CadSim& sim_;
};

class Group : public cad::IGroup {
public:
    Group(CadSim& sim, std::wstring name) : sim_(sim), name_(std::move(name)) {}
    std::unique_ptr<cad::IEntity> Item(std::int16_t index) override
    {
        const Answer answer = sim_.log.Record("Group.Item");
        const auto& members = sim_.groups.at(name_);
        if (index < 0 || static_cast<std::size_t>(index) >= members.size())
            throw Error("no entity at that index of the group");
        return answer.Object(std::make_unique<Entity>(sim_, members[static_cast<std::size_t>(index)]));
    }

private:
    CadSim& sim_;
    std::wstring name_;
};

class Groups : public cad::IGroups {
public:
    explicit Groups(CadSim& sim) : sim_(sim) {}
    std::unique_ptr<cad::IGroup> Item(const std::wstring& name) override
    {
        const Answer answer = sim_.log.Record("Groups.Item");
        for (const auto& [groupName, members] : sim_.groups)
            if (SameName(groupName, name))
                return answer.Object(std::make_unique<Group>(sim_, groupName));
        throw Error("no such group");
    }

private:
    CadSim& sim_;
};

class Document : public cad::IDocument {
public:
    explicit Document(CadSim& sim) : sim_(sim) {}
    std::unique_ptr<cad::IGroups> Groups() override
    {
        return sim_.log.Record("Groups").Object(std::make_unique<sim::Groups>(sim_));
    }
    std::unique_ptr<cad::IModelSpace> ModelSpace() override
    {
        return sim_.log.Record("ModelSpace").Object(std::make_unique<sim::ModelSpace>(sim_));
    }

private:
    CadSim& sim_;
};

class Application : public cad::IApplication {
public:
    explicit Application(CadSim& sim) : sim_(sim) {}
    void SetVisible(bool visible) override
    {
        sim_.log.Record("Visible");
        sim_.visible = visible;
    }
    std::unique_ptr<cad::IDocument> ActiveDocument() override
    {
        const Answer answer = sim_.log.Record("ActiveDocument");
        if (!sim_.hasDocument)
            throw Error("no drawing is open");
        return answer.Object(std::make_unique<Document>(sim_));
    }

private:
    CadSim& sim_;
};

} // namespace

// Found running, not answered: no result of a call to convert, so an odd answer changes
// nothing.
std::unique_ptr<cad::IApplication> CadSim::GetRunningApplication()
{
    log.Record("GetRunningApplication");
    if (whileLookedFor)
        whileLookedFor();
    if (!running)
        throw Error("the CAD application is not running");
    return std::make_unique<Application>(*this);
}

int CadSim::AddBox(const cad::Point3& min, const cad::Point3& max)
{
    SimEntity e;
    e.kind = EntityKind::Box;
    e.boxMin = min;
    e.boxMax = max;
    return AddEntity(e);
}

int CadSim::AddEntity(SimEntity entity)
{
    entity.handle = static_cast<int>(entities.size()) + 1;
    entities.push_back(std::move(entity));
    return entities.back().handle;
}

std::vector<SimEntity> CadSim::Drawn() const
{
    std::vector<SimEntity> drawn;
    for (const auto& e : entities)
        if (!e.deleted)
            drawn.push_back(e);
    return drawn;
}

void CadSim::Changed(int handle, const char* change)
{
    if (onChange)
        onChange(Entity(handle), change);
}

void LoadDemoDrawing(CadSim& cad)
{
    cad.groups[L"PART"] = {cad.AddBox({0, -30, -10}, {20, -15, 3})};
}

} // namespace tessaly::sim
