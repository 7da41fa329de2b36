#include "cad/com_binding.h"

#include "cad/com_ids_win.h"
#include "com/com.h"
#include "pointlist/number_text.h"

namespace tessaly::cad {
namespace {

using com::Call;
using com::DoubleArray;
using com::Invoke;
using com::Ptr;
using com::Variant;

class ComEntity final : public IEntity {
public:
    ComEntity(Ptr<IDispatch> entity, com::ReadNumber readNumber)
        : entity_(std::move(entity)), readNumber_(std::move(readNumber))
    {}

    IDispatch* dispatch() const noexcept { return entity_.get(); }

    void Update() override { Invoke(entity_.get(), L"Update", Call::Method); }

    void SetColor(std::int16_t colorIndex) override
    {
        Invoke(entity_.get(), L"Color", Call::Put, Variant::I2(colorIndex));
    }

    void AddHyperlink(const std::wstring& name) override
    {
        Ptr<IDispatch> links = com::ToObject(Invoke(entity_.get(), L"Hyperlinks", Call::Get), L"Hyperlinks");
        Invoke(links.get(), L"Add", Call::Method, Variant::Text(name));
    }

    double Volume() override
    {
        return com::ToDouble(Invoke(entity_.get(), L"Volume", Call::Get), L"Volume", readNumber_);
    }

    void Delete() override { Invoke(entity_.get(), L"Delete", Call::Method); }

    std::unique_ptr<IEntity> CheckInterference(IEntity& other, bool createInterferenceSolid) override
    {
        auto* solid = dynamic_cast<ComEntity*>(&other);
        if (!solid)
            throw Error("CheckInterference: the other solid is not an entity of this drawing");
        // [in, out] by reference: the server may release the object passed and store
        // another. It gets a reference of its own, and whatever comes back is released
        // here; the other entity keeps its pointer.
        auto otherRef = Ptr<IDispatch>::Copy(solid->dispatch());
        Variant result = Invoke(entity_.get(), L"CheckInterference", Call::Get, Variant::RefDispatch(otherRef.inout()),
                                Variant::Bool(createInterferenceSolid));
        Ptr<IDispatch> interference = com::ToObjectOrNone(result, L"CheckInterference");
        if (!interference)
            return nullptr;
        return std::make_unique<ComEntity>(std::move(interference), readNumber_);
    }

private:
    Ptr<IDispatch> entity_;
    com::ReadNumber readNumber_;
};

class ComModelSpace final : public IModelSpace {
public:
    ComModelSpace(Ptr<IDispatch> space, com::ReadNumber readNumber)
        : space_(std::move(space)), readNumber_(std::move(readNumber))
    {}

    // The radius by reference as a double.
    std::unique_ptr<IEntity> AddSphere(const Point3& centre, double radius) override
    {
        DoubleArray at(centre);
        Variant result = Invoke(space_.get(), L"AddSphere", Call::Get, Variant::RefDoubleArray(at.address()),
                                Variant::RefR8(&radius));
        return std::make_unique<ComEntity>(com::ToObject(result, L"AddSphere"), readNumber_);
    }

    // The radius by reference as a variant holding a double.
    std::unique_ptr<IEntity> AddOuterSphere(const Point3& centre, double radius) override
    {
        DoubleArray at(centre);
        Variant held = Variant::R8(radius);
        Variant result = Invoke(space_.get(), L"AddSphere", Call::Get, Variant::RefDoubleArray(at.address()),
                                Variant::RefVariant(held.get()));
        return std::make_unique<ComEntity>(com::ToObject(result, L"AddSphere"), readNumber_);
    }

    std::unique_ptr<IEntity> AddCircle(const Point3& centre, double radius) override
    {
        DoubleArray at(centre);
        Variant result = Invoke(space_.get(), L"AddCircle", Call::Get, Variant::RefDoubleArray(at.address()),
                                Variant::RefR8(&radius));
        return std::make_unique<ComEntity>(
            com::Query<IDispatch>(com::ToObject(result, L"AddCircle").get(), ids::kCircleIid, L"AddCircle"),
            readNumber_);
    }

    std::unique_ptr<IEntity> AddSpline(const std::vector<double>& fitPoints, const Point3& startTangent,
                                       const Point3& endTangent) override
    {
        DoubleArray points(fitPoints);
        DoubleArray start(startTangent);
        DoubleArray end(endTangent);
        Variant result = Invoke(space_.get(), L"AddSpline", Call::Get, Variant::RefDoubleArray(points.address()),
                                Variant::RefDoubleArray(start.address()), Variant::RefDoubleArray(end.address()));
        return std::make_unique<ComEntity>(com::ToObject(result, L"AddSpline"), readNumber_);
    }

private:
    Ptr<IDispatch> space_;
    com::ReadNumber readNumber_;
};

class ComGroup final : public IGroup {
public:
    ComGroup(Ptr<IDispatch> group, com::ReadNumber readNumber)
        : group_(std::move(group)), readNumber_(std::move(readNumber))
    {}

    std::unique_ptr<IEntity> Item(std::int16_t index) override
    {
        Variant result = Invoke(group_.get(), L"Item", Call::Get, Variant::I2(index));
        return std::make_unique<ComEntity>(com::ToObject(result, L"Item"), readNumber_);
    }

private:
    Ptr<IDispatch> group_;
    com::ReadNumber readNumber_;
};

class ComGroups final : public IGroups {
public:
    ComGroups(Ptr<IDispatch> groups, com::ReadNumber readNumber)
        : groups_(std::move(groups)), readNumber_(std::move(readNumber))
    {}

    std::unique_ptr<IGroup> Item(const std::wstring& name) override
    {
        Variant result = Invoke(groups_.get(), L"Item", Call::Get, Variant::Text(name));
        return std::make_unique<ComGroup>(com::ToObject(result, L"Item"), readNumber_);
    }

private:
    Ptr<IDispatch> groups_;
    com::ReadNumber readNumber_;
};

class ComDocument final : public IDocument {
public:
    ComDocument(Ptr<IDispatch> document, com::ReadNumber readNumber)
        : document_(std::move(document)), readNumber_(std::move(readNumber))
    {}

    std::unique_ptr<IGroups> Groups() override
    {
        return std::make_unique<ComGroups>(com::ToObject(Invoke(document_.get(), L"Groups", Call::Get), L"Groups"),
                                           readNumber_);
    }

    std::unique_ptr<IModelSpace> ModelSpace() override
    {
        return std::make_unique<ComModelSpace>(
            com::ToObject(Invoke(document_.get(), L"ModelSpace", Call::Get), L"ModelSpace"), readNumber_);
    }

private:
    Ptr<IDispatch> document_;
    com::ReadNumber readNumber_;
};

class ComApplication final : public IApplication {
public:
    ComApplication(Ptr<IDispatch> app, com::ReadNumber readNumber)
        : app_(std::move(app)), readNumber_(std::move(readNumber))
    {}

    void SetVisible(bool visible) override { Invoke(app_.get(), L"Visible", Call::Put, Variant::Bool(visible)); }

    std::unique_ptr<IDocument> ActiveDocument() override
    {
        return std::make_unique<ComDocument>(
            com::ToObject(Invoke(app_.get(), L"ActiveDocument", Call::Get), L"ActiveDocument"), readNumber_);
    }

private:
    Ptr<IDispatch> app_;
    com::ReadNumber readNumber_;
};

class ComConnector final : public IConnector {
public:
    explicit ComConnector(com::ReadNumber readNumber) : readNumber_(std::move(readNumber)) {}

    std::unique_ptr<IApplication> GetRunningApplication() override
    {
        const CLSID clsid = com::ClassIdOf(ids::kProgId);
        Ptr<IUnknown> running;
        com::Check(GetActiveObject(clsid, nullptr, running.put()),
                   std::wstring(L"GetActiveObject(\"") + ids::kProgId + L"\")");
        return std::make_unique<ComApplication>(com::Query<IDispatch>(running.get(), IID_IDispatch, ids::kProgId),
                                                readNumber_);
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

} // namespace tessaly::cad
