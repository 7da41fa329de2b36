#include <gtest/gtest.h>

#include <thread>

#include "com/com.h"
#include "com/fake_dispatch.h"

namespace tessaly::test {
namespace {

constexpr IID kSomeIid = {0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55}};

TEST(ComPtr, CountsReferencesExactly)
{
    FakeObject object;
    {
        auto a = com::Ptr<IDispatch>::Copy(&object);
        EXPECT_EQ(object.refs, 2);
        com::Ptr<IDispatch> b = a;
        EXPECT_EQ(object.refs, 3);
        com::Ptr<IDispatch> c = std::move(b);
        EXPECT_EQ(object.refs, 3);
        EXPECT_FALSE(b);
        a = c;
        EXPECT_EQ(object.refs, 3);
        c.reset();
        EXPECT_EQ(object.refs, 2);

        EXPECT_THROW(com::Query<IDispatch>(a.get(), kSomeIid, L"x"), Error);
        EXPECT_EQ(object.refs, 2);
    }
    EXPECT_EQ(object.refs, 1);
    {
        object.AddRef(); // the reference Adopt takes over
        auto adopted = com::Ptr<IDispatch>::Adopt(&object);
        EXPECT_EQ(object.refs, 2);
    }
    EXPECT_EQ(object.refs, 1);
}

TEST(ComPtr, QueryAndVariantsReleaseWhatTheyHold)
{
    FakeObject object{{kSomeIid}};
    {
        auto queried = com::Query<IDispatch>(&object, kSomeIid, L"x");
        EXPECT_EQ(object.refs, 2);
        EXPECT_THROW(com::Query<IDispatch>(&object, IID_IClassFactory, L"x"), Error);
        EXPECT_EQ(object.refs, 2);

        com::Variant held;
        Returns(object)(DISPPARAMS{}, held.get(), nullptr);
        EXPECT_EQ(object.refs, 3);
        auto fromVariant = com::ToObject(held, L"x");
        EXPECT_EQ(object.refs, 4);
        com::Variant moved = std::move(held);
        EXPECT_EQ(held.type(), VT_EMPTY);
        EXPECT_EQ(object.refs, 4);
    }
    EXPECT_EQ(object.refs, 1);
}

// A server's deferred fill-in (named: a lambda has no __stdcall convention on x86).
HRESULT STDMETHODCALLTYPE FillInLate(EXCEPINFO* e)
{
    e->bstrDescription = SysAllocString(L"filled in late");
    return S_OK;
}

TEST(ComInvoke, ReversesArgumentsAndReportsServerFailures)
{
    com::Apartment apartment;
    FakeObject object;
    object.On(L"Add", 4, ReturnsNothing());
    com::Invoke(&object, L"Add", com::Call::Method, com::Variant::I2(1), com::Variant::I4(2),
                com::Variant::Text(L"three"), com::Variant::Bool(false));
    ASSERT_EQ(object.calls.size(), 1u);
    EXPECT_EQ(object.calls[0].values, (std::vector<std::wstring>{L"1", L"2", L"'three'", L"false"}));
    EXPECT_TRUE(object.calls[0].named.empty());

    // The server's own code in EXCEPINFO wins over DISP_E_EXCEPTION.
    object.On(7, Raises(L"out of paper"));
    try {
        com::Invoke(&object, com::Member{7, L"Print"}, com::Call::Get);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Print failed (HRESULT 0x80004005): out of paper");
        EXPECT_EQ(e.code(), E_FAIL);
    }

    // A deferred fill-in runs only where it is code of this process; one that points
    // elsewhere (another process's address, passed across as it is) is never called.
    using FillIn = decltype(EXCEPINFO::pfnDeferredFillIn);
    const FillIn ours = &FillInLate;
    void* const foreign = VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    ASSERT_NE(foreign, nullptr);
    for (const auto& [fillIn, expected] :
         {std::pair{ours, "Print failed (HRESULT 0x80020009): filled in late"},
          std::pair{reinterpret_cast<FillIn>(foreign),
                    "Print failed (HRESULT 0x80020009): the server raised an exception without a description"}}) {
        object.On(7, [fillIn](const DISPPARAMS&, VARIANT*, EXCEPINFO* excep) {
            *excep = EXCEPINFO{};
            excep->pfnDeferredFillIn = fillIn;
            return DISP_E_EXCEPTION;
        });
        try {
            com::Invoke(&object, com::Member{7, L"Print"}, com::Call::Get);
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_STREQ(e.what(), expected);
        }
    }
    VirtualFree(foreign, 0, MEM_RELEASE);

    // A rejected argument is named by its position as the caller wrote it.
    object.Rejects(8, DISP_E_TYPEMISMATCH, 0); // the last argument, in DISPPARAMS order
    try {
        com::Invoke(&object, com::Member{8, L"Move"}, com::Call::Method, com::Variant::I4(1), com::Variant::I4(2));
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Move failed (HRESULT 0x80020005): argument 2 rejected");
        EXPECT_EQ(e.code(), DISP_E_TYPEMISMATCH);
    }
    EXPECT_THROW(com::Invoke(&object, L"Missing", com::Call::Get), Error);
    EXPECT_EQ(object.namesAsked.back(), L"Missing");
    EXPECT_EQ(object.refs, 1);
}

TEST(ComArray, HoldsDoublesFromIndexZero)
{
    const double values[] = {1.5, -2, 3};
    com::DoubleArray array(values);
    EXPECT_EQ(ShowArray(array.get()), L"[0:1.5,-2,3]");
    com::DoubleArray empty(std::span<const double>{});
    EXPECT_EQ(ShowArray(empty.get()), L"[0:]");
}

TEST(ComApartment, UninitialisesOnlyAfterASuccessfulInit)
{
    std::thread([] {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        {
            com::Apartment other; // wants STA on an MTA thread
            EXPECT_EQ(other.result(), RPC_E_CHANGED_MODE);
        }
        // Still initialised: the failed Apartment did not uninitialise the thread's MTA.
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
        CoUninitialize();
        CoUninitialize();
    }).join();
    com::Apartment first;
    EXPECT_EQ(first.result(), S_OK);
    {
        com::Apartment nested;
        EXPECT_EQ(nested.result(), S_FALSE);
    }
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE) << "nested one balanced its own init";
    CoUninitialize();
}

} // namespace
} // namespace tessaly::test
