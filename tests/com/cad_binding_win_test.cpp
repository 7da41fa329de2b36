#include <gtest/gtest.h>

#include "cad/com_binding.h"
#include "com/com.h"
#include "com/fake_dispatch.h"

namespace tessaly::test {
namespace {

constexpr IID kCircleIid = {0x2928D4A4, 0xCA93, 0x11D1, {0xB6, 0x0F, 0x00, 0x60, 0xB0, 0x87, 0xE2, 0x35}};
constexpr CLSID kFakeCadClsid = {0x5E1A7C31, 0x2B4D, 0x4E7F, {0x9A, 0x10, 0x3C, 0x55, 0x81, 0x0D, 0x62, 0x02}};

constexpr VARTYPE kArrayRef = VT_ARRAY | VT_R8 | VT_BYREF;

using Names = std::vector<std::wstring>;
using Types = std::vector<VARTYPE>;

// A running "AutoCAD.Application.15" of fakes: application, document, groups, group,
// model space, the PART solid, a new solid, a circle, hyperlinks.
class CadBinding : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(apartment.ok());
        app.On(L"Visible", 1, ReturnsNothing());
        app.On(L"ActiveDocument", 2, Returns(document));
        document.On(L"Groups", 3, Returns(groups));
        document.On(L"ModelSpace", 4, Returns(space));
        groups.On(L"Item", 5, Returns(group));
        group.On(L"Item", 6, Returns(part));
        space.On(L"AddSphere", 7, Returns(solid));
        space.On(L"AddCircle", 8, Returns(circle));
        space.On(L"AddSpline", 9, Returns(solid));
        part.On(L"CheckInterference", 10, Returns(interference));
        for (FakeObject* entity : {&solid, &interference, &circle}) {
            entity->On(L"Update", 11, ReturnsNothing());
            entity->On(L"Color", 12, ReturnsNothing());
            entity->On(L"Hyperlinks", 13, Returns(links));
            entity->On(L"Volume", 14, ReturnsR8(0.5));
            entity->On(L"Delete", 15, ReturnsNothing());
        }
        links.On(L"Add", 16, ReturnsNothing());
        ASSERT_EQ(RegisterActiveObject(&app, kFakeCadClsid, ACTIVEOBJECT_STRONG, &cookie), S_OK);
    }
    void TearDown() override
    {
        RevokeActiveObject(cookie, nullptr);
        for (FakeObject* object :
             {&app, &document, &groups, &group, &space, &part, &solid, &interference, &circle, &links, &replacement})
            EXPECT_EQ(object->refs, 1);
    }

    com::Apartment apartment;
    FakeObject app, document, groups, group, space, part, solid, interference, links, replacement;
    FakeObject circle{{kCircleIid}};
    DWORD cookie = 0;
    ProgIdKey progId{L"AutoCAD.Application.15", kFakeCadClsid};
};

TEST_F(CadBinding, LinkDocumentAndGroupCallsArriveAsGiven)
{
    {
        auto application = cad::MakeComConnector()->GetRunningApplication();
        application->SetVisible(true);
        ASSERT_EQ(app.calls.size(), 1u);
        EXPECT_EQ(app.calls[0].flags, DISPATCH_PROPERTYPUT);
        EXPECT_EQ(app.calls[0].named, (std::vector<DISPID>{DISPID_PROPERTYPUT}));
        EXPECT_EQ(app.calls[0].types, (Types{VT_BOOL}));
        EXPECT_EQ(app.calls[0].values, (Names{L"true"})); // VARIANT_TRUE, not 1

        auto doc = application->ActiveDocument();
        auto first = doc->Groups()->Item(L"PART")->Item(0);
        EXPECT_EQ(app.namesAsked, (Names{L"Visible", L"ActiveDocument"}));
        EXPECT_EQ(document.namesAsked, (Names{L"Groups"}));
        EXPECT_EQ(groups.calls.at(0).flags, kGet);
        EXPECT_EQ(groups.calls[0].types, (Types{VT_BSTR}));
        EXPECT_EQ(groups.calls[0].values, (Names{L"'PART'"}));
        EXPECT_EQ(group.calls.at(0).types, (Types{VT_I2}));
        EXPECT_EQ(group.calls[0].values, (Names{L"0"}));

        doc->ModelSpace();
        doc->ModelSpace();
        EXPECT_EQ(document.namesAsked, (Names{L"Groups", L"ModelSpace", L"ModelSpace"}));
    }
}

TEST_F(CadBinding, AddsPassArraysAndRadiiByReference)
{
    {
        auto doc = cad::MakeComConnector()->GetRunningApplication()->ActiveDocument();
        doc->ModelSpace()->AddSphere({10, -20, 5}, 2.5);
        doc->ModelSpace()->AddOuterSphere({1, 2, 3}, 3.75);
        auto c = doc->ModelSpace()->AddCircle({4, 5, 6}, 0.5);
        doc->ModelSpace()->AddSpline({10, -20, 5, 12, -21, 6}, {10, -20, 5}, {12, -21, 6});
        ASSERT_EQ(space.calls.size(), 4u);
        EXPECT_EQ(space.calls[0].flags, kGet);
        EXPECT_EQ(space.calls[0].types, (Types{kArrayRef, VT_R8 | VT_BYREF}));
        EXPECT_EQ(space.calls[0].values, (Names{L"*[0:10,-20,5]", L"*2.5"}));
        EXPECT_EQ(space.calls[1].types, (Types{kArrayRef, VT_VARIANT | VT_BYREF}));
        EXPECT_EQ(space.calls[1].values, (Names{L"*[0:1,2,3]", L"*3.75"}));
        EXPECT_EQ(space.calls[2].types, (Types{kArrayRef, VT_R8 | VT_BYREF}));
        EXPECT_EQ(space.calls[2].values, (Names{L"*[0:4,5,6]", L"*0.5"}));
        EXPECT_TRUE(IsEqualGUID(circle.iidsAsked.at(0), kCircleIid));
        EXPECT_EQ(space.calls[3].types, (Types{kArrayRef, kArrayRef, kArrayRef}));
        EXPECT_EQ(space.calls[3].values, (Names{L"*[0:10,-20,5,12,-21,6]", L"*[0:10,-20,5]", L"*[0:12,-21,6]"}));
        EXPECT_EQ(space.namesAsked, (Names{L"AddSphere", L"AddSphere", L"AddCircle", L"AddSpline"}));

        c->Update();
        EXPECT_EQ(circle.calls.at(0).flags, DISPATCH_METHOD);
        EXPECT_TRUE(circle.calls[0].types.empty());
    }
}

TEST_F(CadBinding, EntityMembersAndInterference)
{
    {
        auto doc = cad::MakeComConnector()->GetRunningApplication()->ActiveDocument();
        auto partSolid = doc->Groups()->Item(L"PART")->Item(0);
        auto s = doc->ModelSpace()->AddSphere({0, 0, 0}, 1);
        s->AddHyperlink(L"F3");
        s->SetColor(cad::kGreen);
        EXPECT_EQ(solid.namesAsked, (Names{L"Hyperlinks", L"Color"}));
        EXPECT_EQ(links.namesAsked, (Names{L"Add"}));
        EXPECT_EQ(links.calls.at(0).types, (Types{VT_BSTR}));
        EXPECT_EQ(links.calls[0].values, (Names{L"'F3'"}));
        EXPECT_EQ(solid.calls.at(1).flags, DISPATCH_PROPERTYPUT);
        EXPECT_EQ(solid.calls[1].named, (std::vector<DISPID>{DISPID_PROPERTYPUT}));
        EXPECT_EQ(solid.calls[1].types, (Types{VT_I2}));
        EXPECT_EQ(solid.calls[1].values, (Names{L"3"}));

        // The server replaces the solid passed by reference: the counts in TearDown show
        // that ours is released once and the replacement is not leaked.
        part.replaceByRefObjectsWith = &replacement;
        auto i = partSolid->CheckInterference(*s, true);
        ASSERT_NE(i, nullptr);
        EXPECT_EQ(replacement.refs, 1);
        EXPECT_EQ(part.calls.at(0).types, (Types{VT_DISPATCH | VT_BYREF, VT_BOOL}));
        EXPECT_EQ(part.calls[0].values, (Names{L"*obj", L"true"}));
        EXPECT_EQ(part.lastByRefObject, static_cast<IDispatch*>(&solid));
        EXPECT_DOUBLE_EQ(i->Volume(), 0.5);
        i->Delete();
        EXPECT_EQ(interference.namesAsked, (Names{L"Volume", L"Delete"}));
        EXPECT_EQ(interference.calls.at(1).flags, DISPATCH_METHOD);

        // No overlap: an empty result, or a null object.
        part.On(L"CheckInterference", 10, ReturnsNothing());
        EXPECT_EQ(partSolid->CheckInterference(*s, true), nullptr);
        part.On(L"CheckInterference", 10, [](const DISPPARAMS&, VARIANT* result, EXCEPINFO*) {
            V_VT(result) = VT_DISPATCH;
            V_DISPATCH(result) = nullptr;
            return S_OK;
        });
        EXPECT_EQ(partSolid->CheckInterference(*s, true), nullptr);

        // The other solid must be one of this binding's entities.
        struct Foreign : cad::IEntity {
            void Update() override {}
            void SetColor(std::int16_t) override {}
            void AddHyperlink(const std::wstring&) override {}
            double Volume() override { return 0; }
            void Delete() override {}
            std::unique_ptr<cad::IEntity> CheckInterference(cad::IEntity&, bool) override { return nullptr; }
        } foreign;
        EXPECT_THROW(partSolid->CheckInterference(foreign, true), Error);
    }
}

TEST_F(CadBinding, FailuresBecomeErrors)
{
    groups.On(L"Item", 5, Raises(L"Key not found"));
    space.On(L"AddCircle", 8, Returns(solid)); // not a circle
    {
        auto doc = cad::MakeComConnector()->GetRunningApplication()->ActiveDocument();
        try {
            doc->Groups()->Item(L"PART");
            FAIL() << "no error";
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find("Item"), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find("Key not found"), std::string::npos) << e.what();
        }
        EXPECT_THROW(doc->ModelSpace()->AddCircle({0, 0, 0}, 1), Error);
        EXPECT_EQ(space.calls.size(), 1u) << "nothing retried";
    }
}

TEST(CadBindingMissing, NoRunningInstanceIsAnError)
{
    com::Apartment apartment;
    EXPECT_THROW(cad::MakeComConnector()->GetRunningApplication(), Error); // no ProgID
    ProgIdKey progId{L"AutoCAD.Application.15", kFakeCadClsid};
    EXPECT_THROW(cad::MakeComConnector()->GetRunningApplication(), Error); // nothing running
}

} // namespace
} // namespace tessaly::test
