#include <gtest/gtest.h>

#include "com/com.h"
#include "com/fake_dispatch.h"
#include "dmis/com_binding.h"

namespace tessaly::test {
namespace {

constexpr IID kApplicationIid = {0xDBFA4CA8, 0xC490, 0x11D3, {0x91, 0xB5, 0x00, 0xC0, 0x4F, 0x79, 0x63, 0x27}};
constexpr IID kMachineIid = {0x72555404, 0xEC03, 0x11D1, {0x94, 0xC4, 0x00, 0x60, 0x08, 0x40, 0x43, 0xB5}};
constexpr IID kCommandsIid = {0xFCCF1AE8, 0xFA24, 0x11D1, {0x94, 0xDC, 0x00, 0x60, 0x08, 0x40, 0x43, 0xB5}};
constexpr IID kCommandIid = {0xFCCF1AEB, 0xFA24, 0x11D1, {0x94, 0xDC, 0x00, 0x60, 0x08, 0x40, 0x43, 0xB5}};
constexpr IID kFeatureDataIid = {0xEB3ECBD7, 0x0B76, 0x11D2, {0x94, 0xF0, 0x00, 0x60, 0x08, 0x40, 0x43, 0xB5}};
constexpr IID kPointIid = {0xDBFA4CA7, 0xC490, 0x11D3, {0x91, 0xB5, 0x00, 0xC0, 0x4F, 0x79, 0x63, 0x27}};
// The fake server's own class.
constexpr CLSID kFakeMeasuringClsid = {0x5E1A7C31, 0x2B4D, 0x4E7F, {0x9A, 0x10, 0x3C, 0x55, 0x81, 0x0D, 0x62, 0x01}};

bool Asked(const FakeObject& object, const IID& iid)
{
    for (const IID& asked : object.iidsAsked)
        if (SameIid(asked, iid))
            return true;
    return false;
}

// A registered "pcdlrn.application" whose objects are fakes: application, machine,
// part program, OldBasic, commands, command, feature data, point.
class DmisBinding : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(apartment.ok());
        app.On(16, Returns(machine));
        app.On(2, Returns(program));
        machine.On(1, ReturnsText(L"CMM 1"));
        program.On(L"OldBasic", 7, Returns(basic));
        program.On(L"Commands", 8, Returns(commands));
        basic.On(L"GetProbeRadius", 3, ReturnsR8(2.5));
        commands.On(L"count", 4, ReturnsI4(9));
        commands.On(L"Item", 5, Returns(command));
        commands.On(9, Returns(command));
        command.On(L"ID", 6, ReturnsText(L"F3"));
        command.On(0, ReturnsText(L"CIRCLE"));
        command.On(9, Returns(data));
        data.On(2, ReturnsI4(2));
        data.On(65, Returns(point));
        point.On(1, ReturnsR8(10.0));
        point.On(2, ReturnsNothing());
        ASSERT_EQ(
            CoRegisterClassObject(kFakeMeasuringClsid, &factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie),
            S_OK);
    }
    void TearDown() override
    {
        if (cookie)
            CoRevokeClassObject(cookie);
        // Every reference the binding took has been given back.
        for (FakeObject* object : {&app, &machine, &program, &basic, &commands, &command, &data, &point})
            EXPECT_EQ(object->refs, 1);
    }

    com::Apartment apartment;
    FakeObject app{{kApplicationIid}};
    FakeObject machine{{kMachineIid}};
    FakeObject program;
    FakeObject basic;
    FakeObject commands{{kCommandsIid}};
    FakeObject command{{kCommandIid}};
    FakeObject data{{kFeatureDataIid}};
    FakeObject point{{kPointIid}};
    FakeFactory factory{app};
    DWORD cookie = 0;
    ProgIdKey progId{L"pcdlrn.application", kFakeMeasuringClsid};
};

TEST_F(DmisBinding, ApplicationMachineAndProgramCallsArriveAsGiven)
{
    {
        auto application = dmis::MakeComConnector()->CreateApplication();
        EXPECT_TRUE(Asked(app, kApplicationIid));

        auto m = application->MachineAt(1);
        ASSERT_EQ(app.calls.size(), 1u);
        EXPECT_EQ(app.calls[0].id, 16);
        EXPECT_EQ(app.calls[0].flags, kGet);
        EXPECT_EQ(app.calls[0].types, (std::vector<VARTYPE>{VT_I2}));
        EXPECT_EQ(app.calls[0].values, (std::vector<std::wstring>{L"1"}));
        EXPECT_TRUE(Asked(machine, kMachineIid));

        EXPECT_EQ(m->MachineName(), L"CMM 1");
        EXPECT_EQ(machine.calls.at(0).id, 1);
        EXPECT_TRUE(machine.calls[0].types.empty());

        auto p = application->CurrentProgram();
        EXPECT_EQ(app.calls.at(1).id, 2);
        EXPECT_TRUE(app.calls[1].types.empty());
        EXPECT_DOUBLE_EQ(p->OldBasic()->GetProbeRadius(), 2.5);
        EXPECT_EQ(program.namesAsked, (std::vector<std::wstring>{L"OldBasic"}));
        EXPECT_EQ(basic.namesAsked, (std::vector<std::wstring>{L"GetProbeRadius"}));
        EXPECT_EQ(basic.calls.at(0).id, 3);
        EXPECT_EQ(basic.calls[0].flags, kGet);

        auto c = p->Commands();
        EXPECT_TRUE(Asked(commands, kCommandsIid));
        EXPECT_EQ(c->Count(), 9);
        auto item = c->Item(4);
        EXPECT_EQ(commands.calls.at(1).id, 5);
        EXPECT_EQ(commands.calls[1].types, (std::vector<VARTYPE>{VT_I4}));
        EXPECT_EQ(commands.calls[1].values, (std::vector<std::wstring>{L"4"}));
        EXPECT_TRUE(Asked(command, kCommandIid));
        EXPECT_EQ(item->ID(), L"F3");
        EXPECT_EQ(commands.namesAsked, (std::vector<std::wstring>{L"count", L"Item"}));
        EXPECT_EQ(command.namesAsked, (std::vector<std::wstring>{L"ID"}));

        auto byId = c->CommandByID(L"F12");
        EXPECT_EQ(commands.calls.at(2).id, 9);
        EXPECT_EQ(commands.calls[2].values, (std::vector<std::wstring>{L"'F12'"}));
        EXPECT_EQ(commands.calls[2].types, (std::vector<VARTYPE>{VT_BSTR}));
        EXPECT_EQ(byId->DefaultValue(), L"CIRCLE");
        EXPECT_EQ(command.calls.back().id, 0);
    }
}

TEST_F(DmisBinding, FeatureDataAndPointCallsArriveAsGiven)
{
    {
        auto c = dmis::MakeComConnector()->CreateApplication()->CurrentProgram()->Commands();
        auto f = c->CommandByID(L"F3")->FeatureData();
        EXPECT_EQ(command.calls.back().id, 9);
        EXPECT_TRUE(Asked(data, kFeatureDataIid));
        EXPECT_EQ(f->PointCount(), 2);
        EXPECT_EQ(data.calls.at(0).id, 2);

        auto pt = f->GetPoint(2, 12, 3, 13, L"", 0);
        const FakeCall& get = data.calls.at(1);
        EXPECT_EQ(get.id, 65);
        EXPECT_EQ(get.types, (std::vector<VARTYPE>{VT_I4, VT_I4, VT_I4, VT_I4, VT_BSTR, VT_I4}));
        EXPECT_EQ(get.values, (std::vector<std::wstring>{L"2", L"12", L"3", L"13", L"''", L"0"}));
        EXPECT_TRUE(Asked(point, kPointIid));

        EXPECT_DOUBLE_EQ(pt->Get(0), 10.0);
        EXPECT_EQ(point.calls.at(0).id, 1);
        EXPECT_EQ(point.calls[0].flags, kGet);
        pt->Set(1, -20.5);
        const FakeCall& put = point.calls.at(1);
        EXPECT_EQ(put.id, 2);
        EXPECT_EQ(put.flags, DISPATCH_PROPERTYPUT);
        EXPECT_EQ(put.named, (std::vector<DISPID>{DISPID_PROPERTYPUT}));
        EXPECT_EQ(put.types, (std::vector<VARTYPE>{VT_R8}));
        EXPECT_EQ(put.values, (std::vector<std::wstring>{L"-20.5"}));
        EXPECT_THROW(pt->Get(3), Error);
    }
}

TEST_F(DmisBinding, ResultsAreConvertedByAutomationRules)
{
    machine.On(1, ReturnsI4(42)); // a number read as text
    basic.On(L"GetProbeRadius", 3, ReturnsText(L"probe"));
    data.On(2, ReturnsText(L"7"));
    {
        auto application = dmis::MakeComConnector()->CreateApplication();
        EXPECT_EQ(application->MachineAt(1)->MachineName(), L"42");
        auto p = application->CurrentProgram();
        EXPECT_THROW(p->OldBasic()->GetProbeRadius(), Error);
        EXPECT_EQ(p->Commands()->Item(1)->FeatureData()->PointCount(), 7);
    }
}

TEST_F(DmisBinding, FailuresBecomeErrorsWithTheirDiagnostic)
{
    machine.On(1, Raises(L"machine offline"));
    command.On(9, Returns(program)); // feature data without its interface
    commands.On(L"Item", 5, ReturnsNothing());
    {
        auto application = dmis::MakeComConnector()->CreateApplication();
        try {
            application->MachineAt(1)->MachineName();
            FAIL() << "no error";
        } catch (const Error& e) {
            const std::string text = e.what();
            EXPECT_NE(text.find("MachineName"), std::string::npos) << text;
            EXPECT_NE(text.find("machine offline"), std::string::npos) << text;
            EXPECT_EQ(e.code(), E_FAIL) << text;
        }
        auto c = application->CurrentProgram()->Commands();
        try {
            c->CommandByID(L"F3")->FeatureData();
            FAIL() << "no error";
        } catch (const Error& e) {
            EXPECT_EQ(e.code(), E_NOINTERFACE) << e.what();
        }
        EXPECT_THROW(c->Item(1), Error); // no object returned
    }
}

TEST_F(DmisBinding, ApplicationWithoutItsInterfaceIsAnError)
{
    FakeObject bare;
    FakeFactory bareFactory{bare};
    CoRevokeClassObject(cookie);
    ASSERT_EQ(
        CoRegisterClassObject(kFakeMeasuringClsid, &bareFactory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie),
        S_OK);
    EXPECT_THROW(dmis::MakeComConnector()->CreateApplication(), Error);
    EXPECT_TRUE(Asked(bare, kApplicationIid));
    CoRevokeClassObject(std::exchange(cookie, 0));
    EXPECT_EQ(bare.refs, 1);
    EXPECT_EQ(bareFactory.refs, 1);
}

TEST(DmisBindingMissing, NoRegisteredServerIsAnError)
{
    com::Apartment apartment;
    EXPECT_THROW(dmis::MakeComConnector()->CreateApplication(), Error);
}

} // namespace
} // namespace tessaly::test
