#include <gtest/gtest.h>

#include <optional>
#include <thread>

#include "com/com.h"
#include "com/fake_dispatch.h"
#include "pointlist/number_text.h"

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
    // A name answered S_OK with DISPID_UNKNOWN is not known either: nothing is invoked.
    object.unknownNamesSucceed = true;
    const std::size_t invoked = object.calls.size();
    EXPECT_THROW(com::Invoke(&object, L"Missing", com::Call::Get), Error);
    EXPECT_EQ(object.calls.size(), invoked);
    EXPECT_EQ(object.refs, 1);
}

// An EXCEPINFO keeps the server's failure code, its own error number and its whole texts.
TEST(ComInvoke, KeepsWhatTheServersExceptionSays)
{
    com::Apartment apartment;
    FakeObject object;
    const struct {
        SCODE scode;
        WORD wCode;
        std::wstring source, description;
        HRESULT code;
        const char* what;
    } rows[] = {
        {S_FALSE, 0, L"", L"odd", DISP_E_EXCEPTION, "Print failed (HRESULT 0x80020009): odd"},
        {0, 1004, L"", L"no such sheet", DISP_E_EXCEPTION,
         "Print failed (HRESULT 0x80020009): no such sheet (error 1004)"},
        {E_FAIL, 0, std::wstring(L"Ce\0ll", 5), std::wstring(L"bad\0tail", 8), E_FAIL,
         "Print failed (HRESULT 0x80004005): Ce\u2400ll: bad\u2400tail"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        object.On(7, [&row](const DISPPARAMS&, VARIANT*, EXCEPINFO* excep) {
            *excep = EXCEPINFO{};
            excep->scode = row.scode;
            excep->wCode = row.wCode;
            excep->bstrSource = SysAllocStringLen(row.source.data(), static_cast<UINT>(row.source.size()));
            excep->bstrDescription =
                SysAllocStringLen(row.description.data(), static_cast<UINT>(row.description.size()));
            return DISP_E_EXCEPTION;
        });
        try {
            com::Invoke(&object, com::Member{7, L"Print"}, com::Call::Get);
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_STREQ(e.what(), row.what);
            EXPECT_EQ(e.code(), row.code);
        }
    }
}

// What a read makes of each answer: an object fails at once, with no call for its
// default value; a text is a number only as the window reads one (its separator, no
// grouping); other types convert as the platform converts them; an answer by reference
// is read as the value it refers to, whose storage stays the server's.
TEST(ComConvert, ReadsValuesNotObjectsAndTextsStrictly)
{
    com::Apartment apartment;
    FakeObject self; // its default value is itself
    self.On(DISPID_VALUE, Returns(self));
    double r8 = 2.5;
    com::Bstr text(L"4,5");
    BSTR textRef = text.get();
    VARIANT inner;
    VariantInit(&inner);
    V_VT(&inner) = VT_I4;
    V_I4(&inner) = 3;
    IDispatch* selfRef = &self;
    const struct {
        const char* name;
        FakeObject::Handler answer;
        std::optional<std::wstring> text;
        std::optional<double> dot, comma;
        std::optional<std::int32_t> count;
    } rows[] = {
        {"object", Returns(self), {}, {}, {}, {}},
        {"object by reference", ReturnsByReference(VT_DISPATCH, &selfRef), {}, {}, {}, {}},
        {"2.5", ReturnsText(L"2.5"), L"2.5", 2.5, {}, 2},
        {"2,5", ReturnsText(L"2,5"), L"2,5", {}, 2.5, {}},
        {"grouped", ReturnsText(L"1,000"), L"1,000", {}, 1.0, {}},
        {"fraction", ReturnsR8(-1.5), L"-1.5", -1.5, -1.5, -2},
        {"double by reference", ReturnsByReference(VT_R8, &r8), L"2.5", 2.5, 2.5, 2},
        {"text by reference", ReturnsByReference(VT_BSTR, &textRef), L"4,5", {}, 4.5, {}},
        {"variant by reference", ReturnsByReference(VT_VARIANT, &inner), L"3", 3.0, 3.0, 3},
    };
    // The value read, or none when the read fails.
    auto tried = [](auto read) -> std::optional<decltype(read())> {
        try {
            return read();
        } catch (const Error&) {
            return std::nullopt;
        }
    };
    // The window's number rules, as the bindings pass them in.
    const auto rules = [](wchar_t separator) -> com::ReadNumber {
        return [separator](std::wstring_view text) { return ParseNumber(text, separator); };
    };
    FakeObject server;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        server.On(1, row.answer);
        auto answer = [&] { return com::Invoke(&server, com::Member{1, L"Value"}, com::Call::Get); };
        EXPECT_EQ(tried([&] { return com::ToText(answer(), L"Value"); }), row.text);
        EXPECT_EQ(tried([&] { return com::ToDouble(answer(), L"Value", rules(L'.')); }), row.dot);
        EXPECT_EQ(tried([&] { return com::ToDouble(answer(), L"Value", rules(L',')); }), row.comma);
        EXPECT_EQ(tried([&] { return com::ToInt32(answer(), L"Value", rules(L'.')); }), row.count);
    }
    EXPECT_TRUE(self.calls.empty()) << "an object's default value was fetched";
    EXPECT_EQ(self.refs, 1);
    EXPECT_EQ(r8, 2.5);
    EXPECT_EQ(std::wstring(text.get()), L"4,5");
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
