#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "sim/call_log.h"
#include "cad/cad.h"

namespace tessaly::sim {

enum class EntityKind { Sphere, Circle, Spline, Box, Interference };

struct SimEntity {
    int handle = 0; // 1, 2, 3 ... in order of creation
    EntityKind kind = EntityKind::Sphere;
    cad::Point3 centre{};
    double radius = 0;
    bool outer = false; // added as a tolerance check's outer sphere
    cad::Point3 boxMin{};
    cad::Point3 boxMax{};
    std::vector<double> fitPoints;
    cad::Point3 startTangent{};
    cad::Point3 endTangent{};
    double volume = 0; // interference solids
    std::int16_t color = cad::kColorByBlock;
    std::vector<std::wstring> hyperlinks;
    int updates = 0;
    bool deleted = false;
};

// The CAD application with one drawing in memory. Interference is answered with real
// geometry: spheres and boxes, overlap and its volume.
class CadSim : public cad::IConnector {
public:
    explicit CadSim(CallLog& log) : log(log) {}

    std::unique_ptr<cad::IApplication> GetRunningApplication() override;

    // Set-up, not recorded in the log.
    int AddBox(const cad::Point3& min, const cad::Point3& max);
    int AddEntity(SimEntity entity);
    std::vector<SimEntity> Drawn() const; // every entity not deleted

    SimEntity& Entity(int handle) { return entities.at(static_cast<std::size_t>(handle) - 1); }
    void Changed(int handle, const char* change);

    CallLog& log;
    bool running = true;
    bool hasDocument = true;
    bool visible = false;
    std::vector<SimEntity> entities;
    std::map<std::wstring, std::vector<int>> groups;
    std::function<void(const SimEntity&, const char* change)> onChange;
    // Runs inside GetRunningApplication, as messages from other programs do while a
    // call waits.
    std::function<void()> whileLookedFor;
};

// Group "PART" holding one box solid from (0, -30, -10) to (20, -15, 3). With mirror Y
// the demo's F3 points lie 2 and 3 above its top face: a probe sphere of radius 2.5
// overlaps at the first point only; F4's point is far from it.
void LoadDemoDrawing(CadSim& cad);

} // namespace tessaly::sim
