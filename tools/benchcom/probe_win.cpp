#include "probe_win.h"

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

} // namespace tessaly::benchcom
