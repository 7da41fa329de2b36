#include "cell_objects_win.h"

namespace tessaly::cell {
namespace {

cad::Point3 PointOf(const VARIANT& value, const char* what)
{
    const std::vector<double> values = DoublesOf(value, what);
    if (values.size() != 3)
        throw Error(std::string(what) + " is not three doubles");
    return {values[0], values[1], values[2]};
}

// The members the application's objects have and the simulation does not keep.
HRESULT NotSimulated(const char* member)
{
    return Guarded([member] { throw Error(std::string(member) + " is not simulated"); });
}

class Hyperlink final : public Served<IAcadHyperlink> {
public:
    explicit Hyperlink(std::wstring url) : url_(std::move(url)) {}

    HRESULT STDMETHODCALLTYPE get_URL(BSTR* url) override
    {
        return Guarded([&] { *url = com::Bstr(url_).detach(); });
    }
    HRESULT STDMETHODCALLTYPE put_URL(BSTR url) override
    {
        return Guarded([&] { url_ = url ? std::wstring(url, SysStringLen(url)) : std::wstring(); });
    }

private:
    std::wstring url_;
};

// An entity's hyperlink collection, over the entity it belongs to.
class Hyperlinks final : public Served<IAcadHyperlinks> {
public:
    explicit Hyperlinks(std::shared_ptr<cad::IEntity> owner) : owner_(std::move(owner)) {}

    HRESULT STDMETHODCALLTYPE Add(BSTR name, VARIANT, VARIANT, IAcadHyperlink** link) override
    {
        return Guarded([&] {
            const std::wstring text = name ? std::wstring(name, SysStringLen(name)) : std::wstring();
            owner_->AddHyperlink(text);
            *link = new Hyperlink(text);
        });
    }

private:
    std::shared_ptr<cad::IEntity> owner_;
};

// What every entity does, whatever its interface.
template <class Interface>
class Entity : public Served<Interface> {
public:
    explicit Entity(std::unique_ptr<cad::IEntity> entity) : entity_(std::move(entity)) {}

    cad::IEntity& entity() { return *entity_; }

    HRESULT STDMETHODCALLTYPE Delete() override
    {
        return Guarded([&] { entity_->Delete(); });
    }
    HRESULT STDMETHODCALLTYPE get_Color(AcColor*) override { return NotSimulated("reading an entity's colour"); }
    HRESULT STDMETHODCALLTYPE put_Color(AcColor color) override
    {
        return Guarded([&] {
            if (color < acByBlock || color > acByLayer)
                throw Error("a colour index is 0 to 256");
            entity_->SetColor(static_cast<std::int16_t>(color));
        });
    }
    HRESULT STDMETHODCALLTYPE Update() override
    {
        return Guarded([&] { entity_->Update(); });
    }
    HRESULT STDMETHODCALLTYPE get_Hyperlinks(IAcadHyperlinks** links) override
    {
        return Guarded([&] { *links = new Hyperlinks(entity_); });
    }

private:
    std::shared_ptr<cad::IEntity> entity_;
};

class Solid final : public Entity<IAcad3DSolid> {
public:
    using Entity::Entity;

    HRESULT STDMETHODCALLTYPE get_Volume(double* volume) override
    {
        return Guarded([&] { *volume = entity().Volume(); });
    }
    HRESULT STDMETHODCALLTYPE CheckInterference(IAcad3DSolid* object, VARIANT_BOOL create,
                                                IAcad3DSolid** solid) override
    {
        return Guarded([&] {
            auto* other = dynamic_cast<Solid*>(ServedObject::From(object));
            if (!other)
                throw Error("CheckInterference: the other solid is not a solid of this drawing");
            std::unique_ptr<cad::IEntity> interference =
                entity().CheckInterference(other->entity(), create != VARIANT_FALSE);
            *solid = interference ? new Solid(std::move(interference)) : nullptr;
        });
    }
};

class Circle final : public Entity<IAcadCircle> {
public:
    using Entity::Entity;
};

class Spline final : public Entity<IAcadSpline> {
public:
    using Entity::Entity;
};

class ModelSpace final : public Served<IAcadModelSpace> {
public:
    explicit ModelSpace(std::unique_ptr<cad::IModelSpace> space) : space_(std::move(space)) {}

    HRESULT STDMETHODCALLTYPE Delete() override { return NotSimulated("deleting the model space"); }
    HRESULT STDMETHODCALLTYPE AddCircle(VARIANT centre, double radius, IAcadCircle** circle) override
    {
        return Guarded([&] { *circle = new Circle(space_->AddCircle(PointOf(centre, "the centre"), radius)); });
    }
    HRESULT STDMETHODCALLTYPE AddSphere(VARIANT centre, double radius, IAcad3DSolid** solid) override
    {
        return Guarded([&] { *solid = new Solid(space_->AddSphere(PointOf(centre, "the centre"), radius)); });
    }
    HRESULT STDMETHODCALLTYPE AddSpline(VARIANT points, VARIANT start, VARIANT end, IAcadSpline** spline) override
    {
        return Guarded([&] {
            *spline =
                new Spline(space_->AddSpline(DoublesOf(points, "the fit points"), PointOf(start, "the start tangent"),
                                             PointOf(end, "the end tangent")));
        });
    }

private:
    std::unique_ptr<cad::IModelSpace> space_;
};

// An index into a collection: a whole number, or a name.
bool IsName(const VARIANT& index)
{
    if (V_VT(&index) == (VT_VARIANT | VT_BYREF) && V_VARIANTREF(&index))
        return IsName(*V_VARIANTREF(&index));
    return (V_VT(&index) & ~VT_BYREF) == VT_BSTR;
}

class Group final : public Served<IAcadGroup> {
public:
    explicit Group(std::unique_ptr<cad::IGroup> group) : group_(std::move(group)) {}

    HRESULT STDMETHODCALLTYPE Delete() override { return NotSimulated("deleting a group"); }
    HRESULT STDMETHODCALLTYPE Item(VARIANT index, IAcadEntity** entity) override
    {
        return Guarded([&] {
            if (IsName(index))
                throw Error("the group's entities are not simulated by name");
            com::Variant number;
            com::Check(VariantChangeType(number.get(), &index, 0, VT_I4), L"the index");
            const LONG at = V_I4(number.get());
            if (at < INT16_MIN || at > INT16_MAX)
                throw Error("no entity at that index of the group");
            *entity = new Solid(group_->Item(static_cast<std::int16_t>(at)));
        });
    }
    HRESULT STDMETHODCALLTYPE put_Color(AcColor) override { return NotSimulated("a group's colour"); }

private:
    std::unique_ptr<cad::IGroup> group_;
};

class Groups final : public Served<IAcadGroups> {
public:
    explicit Groups(std::unique_ptr<cad::IGroups> groups) : groups_(std::move(groups)) {}

    HRESULT STDMETHODCALLTYPE Delete() override
    {
        return Guarded([] { throw Error("a collection cannot be deleted"); });
    }
    HRESULT STDMETHODCALLTYPE Item(VARIANT index, IAcadGroup** group) override
    {
        return Guarded([&] {
            if (!IsName(index))
                throw Error("the groups are not simulated by index");
            com::Variant name;
            com::Check(VariantChangeType(name.get(), &index, 0, VT_BSTR), L"the name");
            const BSTR text = V_BSTR(name.get());
            *group = new Group(groups_->Item(text ? std::wstring(text, SysStringLen(text)) : std::wstring()));
        });
    }

private:
    std::unique_ptr<cad::IGroups> groups_;
};

class Document final : public Served<IAcadDocument> {
public:
    explicit Document(std::unique_ptr<cad::IDocument> document) : document_(std::move(document)) {}

    HRESULT STDMETHODCALLTYPE get_ModelSpace(IAcadModelSpace** space) override
    {
        return Guarded([&] { *space = new ModelSpace(document_->ModelSpace()); });
    }
    HRESULT STDMETHODCALLTYPE get_Groups(IAcadGroups** groups) override
    {
        return Guarded([&] { *groups = new Groups(document_->Groups()); });
    }

private:
    std::unique_ptr<cad::IDocument> document_;
};

class Application final : public Served<IAcadApplication> {
public:
    explicit Application(std::unique_ptr<cad::IApplication> app) : app_(std::move(app)) {}

    HRESULT STDMETHODCALLTYPE get_Visible(VARIANT_BOOL*) override { return NotSimulated("reading Visible"); }
    HRESULT STDMETHODCALLTYPE put_Visible(VARIANT_BOOL visible) override
    {
        return Guarded([&] { app_->SetVisible(visible != VARIANT_FALSE); });
    }
    HRESULT STDMETHODCALLTYPE get_ActiveDocument(IAcadDocument** document) override
    {
        return Guarded([&] { *document = new Document(app_->ActiveDocument()); });
    }
    HRESULT STDMETHODCALLTYPE put_ActiveDocument(IAcadDocument*) override { return NotSimulated("another drawing"); }

private:
    std::unique_ptr<cad::IApplication> app_;
};

} // namespace

IDispatch* NewCadApplication(std::unique_ptr<cad::IApplication> app)
{
    return new Application(std::move(app));
}

} // namespace tessaly::cell
