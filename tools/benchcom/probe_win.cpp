#include "probe_win.h"

#include <array>

#include "bench_clock_win.h"
#include "dmis/com_ids_win.h"

namespace tessaly::benchcom {

Probe::Probe()
{
    const CLSID clsid = com::ClassIdOf(L"AutoCAD.Application.15");
    com::Ptr<IUnknown> running;
    com::Check(GetActiveObject(clsid, nullptr, running.put()), L"GetActiveObject(\"AutoCAD.Application.15\")");
    app_ = com::Query<IDispatch>(running.get(), IID_IDispatch, L"AutoCAD.Application.15");
    LPOLESTR name = const_cast<LPOLESTR>(L"Visible");
    com::Check(app_->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &visible_), L"GetIDsOfNames(Visible)");
}

double Probe::RoundTrip(int calls)
{
    const com::Member visible{visible_, L"Visible"};
    com::Invoke(app_.get(), visible, com::Call::Put, com::Variant::Bool(true)); // warm
    const Stopwatch watch;
    for (int i = 0; i < calls; ++i)
        com::Invoke(app_.get(), visible, com::Call::Put, com::Variant::Bool(true));
    return watch.Seconds() / calls;
}

double Probe::SpherePoints(int points)
{
    using com::Call;
    using com::Invoke;
    using com::Variant;
    const com::Ptr<IDispatch> document =
        com::ToObject(Invoke(app_.get(), L"ActiveDocument", Call::Get), L"ActiveDocument");
    const Stopwatch watch;
    for (int i = 0; i < points; ++i) {
        const com::Ptr<IDispatch> space =
            com::ToObject(Invoke(document.get(), L"ModelSpace", Call::Get), L"ModelSpace");
        const std::array<double, 3> centre{-50, 50, 20};
        com::DoubleArray at(centre);
        double radius = 2.5;
        const com::Ptr<IDispatch> sphere =
            com::ToObject(Invoke(space.get(), L"AddSphere", Call::Get, Variant::RefDoubleArray(at.address()),
                                 Variant::RefR8(&radius)),
                          L"AddSphere");
        const com::Ptr<IDispatch> links = com::ToObject(Invoke(sphere.get(), L"Hyperlinks", Call::Get), L"Hyperlinks");
        Invoke(links.get(), L"Add", Call::Method, Variant::Text(L"P"));
        Invoke(sphere.get(), L"Update", Call::Method);
    }
    return watch.Seconds() / points;
}

KindCosts Probe::Kinds(int calls)
{
    using com::Call;
    using com::Invoke;
    using com::Variant;
    if (!featureData_) {
        com::Ptr<IUnknown> created;
        com::Check(CoCreateInstance(com::ClassIdOf(L"pcdlrn.application"), nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown,
                                    reinterpret_cast<void**>(created.put())),
                   L"CoCreateInstance(\"pcdlrn.application\")");
        const auto app = com::Query<IDispatch>(created.get(), IID_IDispatch, L"pcdlrn.application");
        const com::Member currentProgram{dmis::ids::kCurrentProgram, L"CurrentProgram"};
        const auto program = com::ToObject(Invoke(app.get(), currentProgram, Call::Get), L"CurrentProgram");
        const auto commands = com::ToObject(Invoke(program.get(), L"Commands", Call::Get), L"Commands");
        const com::Member commandById{dmis::ids::kCommandByID, L"CommandByID"};
        const auto command =
            com::ToObject(Invoke(commands.get(), commandById, Call::Get, Variant::Text(L"F10")), L"CommandByID");
        const com::Member featureData{dmis::ids::kFeatureData, L"FeatureData"};
        featureData_ = com::ToObject(Invoke(command.get(), featureData, Call::Get), L"FeatureData");
    }
    const com::Member getPoint{dmis::ids::kGetPoint, L"GetPoint"};
    const auto newPoint = [&] {
        return com::ToObject(Invoke(featureData_.get(), getPoint, Call::Get, Variant::I4(1), Variant::I4(12),
                                    Variant::I4(3), Variant::I4(13), Variant::Text(L""), Variant::I4(0)),
                             L"GetPoint");
    };
    newPoint(); // warm

    KindCosts costs;
    costs.invoke = RoundTrip(calls);
    {
        LPOLESTR name = const_cast<LPOLESTR>(L"Visible");
        DISPID id = DISPID_UNKNOWN;
        const Stopwatch watch;
        for (int i = 0; i < calls; ++i)
            com::Check(app_->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), L"GetIDsOfNames(Visible)");
        costs.name = watch.Seconds() / calls;
    }
    double plain = 0;
    {
        const Stopwatch watch;
        for (int i = 0; i < calls; ++i)
            newPoint();
        plain = watch.Seconds() / calls;
    }
    costs.object = plain - costs.invoke;
    {
        const Stopwatch watch;
        for (int i = 0; i < calls; ++i)
            com::Query<IDispatch>(newPoint().get(), dmis::ids::kPointIid, L"IPoint");
        costs.query = watch.Seconds() / calls - plain;
    }
    return costs;
}

} // namespace tessaly::benchcom
