#include "cad/com_ids_win.h"
#include "cell_objects_win.h"

namespace tessaly::cell {
namespace {

enum : DISPID {
    kUpdate = 201,
    kColor,
    kHyperlinks,
    kVolume,
    kDelete,
    kCheckInterference,
    kAdd,
    kAddSphere,
    kAddCircle,
    kAddSpline,
    kItem,
    kGroups,
    kModelSpace,
    kVisible,
    kActiveDocument,
};

cad::Point3 ToPoint(const std::vector<double>& values, const char* what)
{
    if (values.size() != 3)
        throw Error(std::string(what) + " needs three coordinates");
    return {values[0], values[1], values[2]};
}

constexpr MemberName kEntityMembers[] = {{L"Update", kUpdate},         {L"Color", kColor},
                                         {L"Hyperlinks", kHyperlinks}, {L"Volume", kVolume},
                                         {L"Delete", kDelete},         {L"CheckInterference", kCheckInterference}};

class Entity final : public Adapter<cad::IEntity> {
public:
    Entity(std::unique_ptr<cad::IEntity> entity, const IID* typed) : Adapter(typed, kEntityMembers, std::move(entity))
    {}

protected:
    void Call(DISPID id, const Args& args, VARIANT& result) override;
};

constexpr MemberName kHyperlinksMembers[] = {{L"Add", kAdd}};

// An entity's hyperlink collection; it keeps the entity alive.
class Hyperlinks final : public DispatchObject {
public:
    explicit Hyperlinks(Entity* owner)
        : DispatchObject(nullptr, kHyperlinksMembers), owner_(com::Ptr<Entity>::Copy(owner))
    {}

protected:
    void Call(DISPID, const Args& args, VARIANT&) override
    {
        if (args.Count() < 1 || args.Count() > 3)
            throw Error("Add takes a name, and optionally a description and a named location");
        owner_->object().AddHyperlink(args.Text(0));
    }

private:
    com::Ptr<Entity> owner_;
};

void Entity::Call(DISPID id, const Args& args, VARIANT& result)
{
    switch (id) {
    case kUpdate:
        args.Expect(0);
        object().Update();
        break;
    case kColor:
        if (!args.IsPut())
            throw Error("Color can only be set here");
        args.Expect(1);
        object().SetColor(args.Short(0));
        break;
    case kHyperlinks:
        args.Expect(0);
        Return(result, new Hyperlinks(this));
        break;
    case kVolume:
        args.Expect(0);
        Return(result, object().Volume());
        break;
    case kDelete:
        args.Expect(0);
        object().Delete();
        break;
    default: {
        args.Expect(2);
        auto* other = dynamic_cast<Entity*>(DispatchObject::From(args.Object(0)));
        if (!other)
            throw Error("CheckInterference: the other solid is not an entity of this drawing");
        std::unique_ptr<cad::IEntity> interference = object().CheckInterference(other->object(), args.Bool(1));
        Return(result, interference ? new Entity(std::move(interference), nullptr) : nullptr);
        break;
    }
    }
}

constexpr MemberName kModelSpaceMembers[] = {
    {L"AddSphere", kAddSphere}, {L"AddCircle", kAddCircle}, {L"AddSpline", kAddSpline}};

class ModelSpace final : public Adapter<cad::IModelSpace> {
public:
    explicit ModelSpace(std::unique_ptr<cad::IModelSpace> space)
        : Adapter(nullptr, kModelSpaceMembers, std::move(space))
    {}

protected:
    void Call(DISPID id, const Args& args, VARIANT& result) override
    {
        if (id == kAddSpline) {
            args.Expect(3);
            Return(result, new Entity(object().AddSpline(args.Doubles(0), ToPoint(args.Doubles(1), "the start tangent"),
                                                         ToPoint(args.Doubles(2), "the end tangent")),
                                      nullptr));
            return;
        }
        args.Expect(2);
        const cad::Point3 centre = ToPoint(args.Doubles(0), "the centre");
        const double radius = args.Double(1);
        if (id == kAddSphere) {
            // The outer sphere of a tolerance check comes with its radius in a variant.
            auto sphere =
                args.IsVariantRef(1) ? object().AddOuterSphere(centre, radius) : object().AddSphere(centre, radius);
            Return(result, new Entity(std::move(sphere), nullptr));
        } else {
            Return(result, new Entity(object().AddCircle(centre, radius), &cad::ids::kCircleIid));
        }
    }
};

constexpr MemberName kItemMembers[] = {{L"Item", kItem}};

class Group final : public Adapter<cad::IGroup> {
public:
    explicit Group(std::unique_ptr<cad::IGroup> group) : Adapter(nullptr, kItemMembers, std::move(group)) {}

protected:
    void Call(DISPID, const Args& args, VARIANT& result) override
    {
        args.Expect(1);
        Return(result, new Entity(object().Item(args.Short(0)), nullptr));
    }
};

class Groups final : public Adapter<cad::IGroups> {
public:
    explicit Groups(std::unique_ptr<cad::IGroups> groups) : Adapter(nullptr, kItemMembers, std::move(groups)) {}

protected:
    void Call(DISPID, const Args& args, VARIANT& result) override
    {
        args.Expect(1);
        Return(result, new Group(object().Item(args.Text(0))));
    }
};

constexpr MemberName kDocumentMembers[] = {{L"Groups", kGroups}, {L"ModelSpace", kModelSpace}};

class Document final : public Adapter<cad::IDocument> {
public:
    explicit Document(std::unique_ptr<cad::IDocument> document)
        : Adapter(nullptr, kDocumentMembers, std::move(document))
    {}

protected:
    void Call(DISPID id, const Args& args, VARIANT& result) override
    {
        args.Expect(0);
        if (id == kGroups)
            Return(result, new Groups(object().Groups()));
        else
            Return(result, new ModelSpace(object().ModelSpace()));
    }
};

constexpr MemberName kApplicationMembers[] = {{L"Visible", kVisible}, {L"ActiveDocument", kActiveDocument}};

class Application final : public Adapter<cad::IApplication> {
public:
    explicit Application(std::unique_ptr<cad::IApplication> app) : Adapter(nullptr, kApplicationMembers, std::move(app))
    {}

protected:
    void Call(DISPID id, const Args& args, VARIANT& result) override
    {
        if (id == kVisible) {
            if (!args.IsPut())
                throw Error("Visible can only be set here");
            args.Expect(1);
            object().SetVisible(args.Bool(0));
            return;
        }
        args.Expect(0);
        Return(result, new Document(object().ActiveDocument()));
    }
};

} // namespace

DispatchObject* NewCadApplication(std::unique_ptr<cad::IApplication> app)
{
    return new Application(std::move(app));
}

} // namespace tessaly::cell
