#include "probe_win.h"

#include <array>

#include "bench_clock_win.h"

namespace tessaly::benchcom {

Probe::Probe() {
    const CLSID clsid = com::ClassOf(L"AutoCAD.Application.15");
    com::Ptr<IUnknown> running;
    com::Check(GetActiveObject(clsid, nullptr, running.put()), L"GetActiveObject(\"AutoCAD.Application.15\")");
    app_ = com::Query<IDispatch>(running.get(), IID_IDispatch, L"AutoCAD.Application.15");
    LPOLESTR name = const_cast<LPOLESTR>(L"Visible");
    com::Check(app_->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &visible_), L"GetIDsOfNames(Visible)");
}

double Probe::RoundTrip(int calls) {
    const com::Member visible{visible_, L"Visible"};
    com::Invoke(app_.get(), visible, com::Call::Put, com::Variant::Bool(true)); // warm
    const Stopwatch watch;
    for (int i = 0; i < calls; ++i) {
        com::Invoke(app_.get(), visible, com::Call::Put, com::Variant::Bool(true));
    }
    return watch.Seconds() / calls;
}

double Probe::SpherePoints(int points) {
    using com::Call;
    using com::Invoke;
    using com::Variant;
    const com::Ptr<IDispatch> document =
        com::ToObject(Invoke(app_.get(), L"ActiveDocument", Call::Get), L"ActiveDocument");
    const Stopwatch watch;
    for (int i = 0; i < points; ++i) {
        const com::Ptr<IDispatch> space = com::ToObject(Invoke(document.get(), L"ModelSpace", Call::Get), L"ModelSpace");
        const std::array<double, 3> centre{-50, 50, 20};
        com::DoubleArray at(centre);
        double radius = 2.5;
        const com::Ptr<IDispatch> sphere = com::ToObject(
            Invoke(space.get(), L"AddSphere", Call::Get, Variant::RefDoubleArray(at.address()), Variant::RefR8(&radius)),
            L"AddSphere");
        const com::Ptr<IDispatch> links = com::ToObject(Invoke(sphere.get(), L"Hyperlinks", Call::Get), L"Hyperlinks");
        Invoke(links.get(), L"Add", Call::Method, Variant::Text(L"P"));
        Invoke(sphere.get(), L"Update", Call::Method);
    }
    return watch.Seconds() / points;
}

} // namespace tessaly::benchcom
