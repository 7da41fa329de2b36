#include "round_trips_win.h"

#include <windows.h>

#include <objbase.h>

namespace tessaly::cell {
namespace {

// COM's remote IUnknown, served by every apartment that exports objects.
constexpr IID kRemUnknown = {0x00000131, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID kRemUnknown2 = {0x00000143, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// The extension this hook answers to; it adds nothing to any message.
constexpr GUID kExtension = {0x3F6B2D1E, 0x8C4A, 0x4E57, {0xB2, 0x19, 0x6D, 0x0A, 0x5E, 0x73, 0x91, 0xC4}};

LONG g_automation = 0;
LONG g_remoteUnknown = 0;
LONG g_other = 0;

// A channel hook sees every call on the server side, whatever interface it is for.
// Static for the life of the process: COM keeps it to the end.
class Hook final : public IChannelHook {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) {
            return E_POINTER;
        }
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IChannelHook)) {
            *out = static_cast<IChannelHook*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    void STDMETHODCALLTYPE ClientGetSize(REFGUID, REFIID, ULONG* size) override { *size = 0; }
    void STDMETHODCALLTYPE ClientFillBuffer(REFGUID, REFIID, ULONG* size, void*) override { *size = 0; }
    void STDMETHODCALLTYPE ClientNotify(REFGUID, REFIID, ULONG, void*, DWORD, HRESULT) override {}
    void STDMETHODCALLTYPE ServerNotify(REFGUID, REFIID iid, ULONG, void*, DWORD) override {
        if (IsEqualIID(iid, IID_IDispatch)) {
            InterlockedIncrement(&g_automation);
        } else if (IsEqualIID(iid, kRemUnknown) || IsEqualIID(iid, kRemUnknown2)) {
            InterlockedIncrement(&g_remoteUnknown);
        } else {
            InterlockedIncrement(&g_other);
        }
    }
    void STDMETHODCALLTYPE ServerGetSize(REFGUID, REFIID, HRESULT, ULONG* size) override { *size = 0; }
    void STDMETHODCALLTYPE ServerFillBuffer(REFGUID, REFIID, ULONG* size, void*, HRESULT) override { *size = 0; }
};

Hook g_hook;

} // namespace

void RoundTrips::Install() { CoRegisterChannelHook(kExtension, &g_hook); }

std::wstring RoundTrips::Report() {
    const LONG automation = InterlockedCompareExchange(&g_automation, 0, 0);
    const LONG remote = InterlockedCompareExchange(&g_remoteUnknown, 0, 0);
    const LONG other = InterlockedCompareExchange(&g_other, 0, 0);
    return L"round trips: " + std::to_wstring(automation + remote + other) + L" (automation " +
           std::to_wstring(automation) + L", remote IUnknown " + std::to_wstring(remote) + L", other " +
           std::to_wstring(other) + L")";
}

} // namespace tessaly::cell
