// The class object, module lifetime, aggregation, object safety and the dispatch side.
#include "kvobject_library.h"

#include <objsafe.h>
#include <ocidl.h>

#include <gtest/gtest.h>

namespace {

const CLSID kOtherClass = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};

class ComObject : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        ASSERT_TRUE(library_.Loaded()) << library_.Path();
    }
    void TearDown() override { CoUninitialize(); }

    IClassFactory* Factory()
    {
        IClassFactory* factory = nullptr;
        EXPECT_EQ(library_.GetClassObject(CLSID_KVEngine, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
        return factory;
    }

    KVObjectLibrary library_;
};

TEST_F(ComObject, ClassObjectRequests)
{
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(library_.GetClassObject(CLSID_KVEngine, IID_IClassFactory, nullptr), E_POINTER);
    EXPECT_EQ(library_.GetClassObject(kOtherClass, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(library_.GetClassObject(CLSID_KVEngine, IID_IKVEngine, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);

    IClassFactory* first = Factory();
    IUnknown* second = nullptr;
    ASSERT_EQ(library_.GetClassObject(CLSID_KVEngine, IID_IUnknown, reinterpret_cast<void**>(&second)), S_OK);
    EXPECT_EQ(static_cast<IUnknown*>(first), second);
    second->Release();
    first->Release();
}

TEST_F(ComObject, CreateInstanceCases)
{
    IClassFactory* factory = Factory();
    ASSERT_NE(factory, nullptr);
    IUnknown* outer = factory;  // any object will do as an outer unknown that is never called
    void* object = reinterpret_cast<void*>(1);

    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IKVEngine, nullptr), E_POINTER);
    EXPECT_EQ(factory->CreateInstance(outer, IID_IKVEngine, &object), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(object, nullptr);
    object = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);

    const IID* answered[] = {&IID_IUnknown, &IID_IDispatch, &IID_IKVEngine, &IID_IObjectSafety, &IID_IObjectWithSite};
    for (const IID* iid : answered) {
        IUnknown* created = nullptr;
        EXPECT_EQ(factory->CreateInstance(nullptr, *iid, reinterpret_cast<void**>(&created)), S_OK);
        ASSERT_NE(created, nullptr);
        created->Release();
    }
    factory->Release();
    // The refused and released objects are gone again.
    EXPECT_EQ(library_.CanUnloadNow(), S_OK);
}

TEST_F(ComObject, CanUnloadNowFollowsObjectsLocksAndFactoryHolders)
{
    EXPECT_EQ(library_.CanUnloadNow(), S_OK);

    IClassFactory* factory = Factory();
    EXPECT_EQ(library_.CanUnloadNow(), S_FALSE);  // a client holds the class object
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    factory->Release();
    EXPECT_EQ(library_.CanUnloadNow(), S_FALSE);  // the server lock
    factory = Factory();
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);

    IKVEngine* engine = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IKVEngine, reinterpret_cast<void**>(&engine)), S_OK);
    factory->Release();
    EXPECT_EQ(library_.CanUnloadNow(), S_FALSE);  // a live object
    engine->Release();
    EXPECT_EQ(library_.CanUnloadNow(), S_OK);
}

// An outer object that counts the references it is given through the inner object.
class Outer : public IUnknown {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override
    {
        ++queries;
        if (IsEqualIID(riid, IID_IUnknown)) {
            *object = this;
            AddRef();
            return S_OK;
        }
        return inner->QueryInterface(riid, object);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++references; }
    STDMETHODIMP_(ULONG) Release() override { return --references; }

    IUnknown* inner = nullptr;
    int queries = 0;
    ULONG references = 1;
};

TEST_F(ComObject, AggregatedObjectDelegatesToOuter)
{
    IClassFactory* factory = Factory();
    Outer outer;
    ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.inner)), S_OK);
    factory->Release();

    IKVEngine* engine = nullptr;
    ASSERT_EQ(outer.inner->QueryInterface(IID_IKVEngine, reinterpret_cast<void**>(&engine)), S_OK);
    // The interface's reference went to the outer object, as did a query through it.
    EXPECT_EQ(outer.references, 2u);
    IUnknown* controlling = nullptr;
    ASSERT_EQ(engine->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&controlling)), S_OK);
    EXPECT_EQ(controlling, &outer);
    EXPECT_EQ(outer.queries, 1);
    controlling->Release();
    engine->Release();
    EXPECT_EQ(outer.references, 1u);

    BSTR version = nullptr;
    ASSERT_EQ(outer.inner->QueryInterface(IID_IKVEngine, reinterpret_cast<void**>(&engine)), S_OK);
    EXPECT_EQ(engine->GetVersion(&version), S_OK);
    EXPECT_STREQ(version, L"1.6");
    SysFreeString(version);
    engine->Release();

    EXPECT_EQ(outer.inner->Release(), 0u);
    EXPECT_EQ(library_.CanUnloadNow(), S_OK);
}

TEST_F(ComObject, ObjectSafety)
{
    IKVEngine* engine = library_.NewEngine();
    ASSERT_NE(engine, nullptr);
    IObjectSafety* safety = nullptr;
    ASSERT_EQ(engine->QueryInterface(IID_IObjectSafety, reinterpret_cast<void**>(&safety)), S_OK);
    const DWORD both = INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;
    DWORD supported = 0, enabled = 99;

    const IID* answered[] = {&IID_IUnknown, &IID_IDispatch, &IID_IKVEngine, &IID_IObjectSafety, &IID_IObjectWithSite};
    for (const IID* iid : answered) {
        EXPECT_EQ(safety->GetInterfaceSafetyOptions(*iid, &supported, &enabled), S_OK);
        EXPECT_EQ(supported, both);
        EXPECT_EQ(enabled, 0u);
    }
    EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IClassFactory, &supported, &enabled), E_NOINTERFACE);
    EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IDispatch, nullptr, &enabled), E_POINTER);

    struct Case {
        REFIID iid;
        DWORD mask, options;
        HRESULT result;
        DWORD enabledAfter;
    } const cases[] = {
        {IID_IDispatch, INTERFACESAFE_FOR_UNTRUSTED_CALLER, INTERFACESAFE_FOR_UNTRUSTED_CALLER, S_OK, 1},
        {IID_IDispatch, both, both, S_OK, 3},
        {IID_IDispatch, INTERFACESAFE_FOR_UNTRUSTED_DATA, 0, S_OK, 1},
        {IID_IDispatch, 4, 4, E_FAIL, 1},
        {IID_IClassFactory, both, both, E_NOINTERFACE, 1},
        {IID_IKVEngine, both, 0, S_OK, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(safety->SetInterfaceSafetyOptions(c.iid, c.mask, c.options), c.result);
        safety->GetInterfaceSafetyOptions(IID_IKVEngine, &supported, &enabled);
        EXPECT_EQ(enabled, c.enabledAfter);
    }
    safety->Release();
    engine->Release();
}

TEST_F(ComObject, DispatchServesEveryLocale)
{
    IKVEngine* engine = library_.NewEngine();
    ASSERT_NE(engine, nullptr);
    UINT count = 0;
    EXPECT_EQ(engine->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    ITypeInfo* info = nullptr;
    EXPECT_EQ(engine->GetTypeInfo(1, 0x409, &info), DISP_E_BADINDEX);

    const wchar_t* methods[] = {L"BeginScan",     L"GetScanProgress", L"GetScanString", L"CreateSRP", L"GetScanStatus",
                                L"GetNumUpdates", L"CancelScan",      L"GetVersion",    L"SetEmail",  L"SetPassword"};
    for (LCID lcid : {LCID(0x409), LCID(0x407), LCID(0)}) {
        for (DISPID expected = 1; expected <= 10; ++expected) {
            LPOLESTR name = const_cast<LPOLESTR>(methods[expected - 1]);
            DISPID id = 0;
            EXPECT_EQ(engine->GetIDsOfNames(IID_NULL, &name, 1, lcid, &id), S_OK) << lcid;
            EXPECT_EQ(id, expected);
        }
        DISPPARAMS none = {};
        VARIANT result;
        VariantInit(&result);
        ASSERT_EQ(engine->Invoke(8, IID_NULL, lcid, DISPATCH_METHOD, &none, &result, nullptr, nullptr), S_OK);
        EXPECT_EQ(result.vt, VT_BSTR);
        EXPECT_STREQ(result.bstrVal, L"1.6");
        VariantClear(&result);
    }
    LPOLESTR unknown = const_cast<LPOLESTR>(L"NoSuchMethod");
    DISPID id = 0;
    EXPECT_EQ(engine->GetIDsOfNames(IID_NULL, &unknown, 1, 0x409, &id), DISP_E_UNKNOWNNAME);
    engine->Release();
}

TEST_F(ComObject, MethodsRefuseNullOutPointers)
{
    IKVEngine* engine = library_.NewEngine();
    ASSERT_NE(engine, nullptr);
    EXPECT_EQ(engine->GetScanProgress(nullptr), E_POINTER);
    EXPECT_EQ(engine->GetScanString(nullptr), E_POINTER);
    EXPECT_EQ(engine->GetScanStatus(nullptr), E_POINTER);
    EXPECT_EQ(engine->GetVersion(nullptr), E_POINTER);
    EXPECT_EQ(engine->SetEmail(nullptr), S_OK);  // a null BSTR is the empty text
    EXPECT_EQ(engine->SetPassword(nullptr), S_OK);
    EXPECT_EQ(engine->CancelScan(), S_OK);

    int value = -7;
    EXPECT_EQ(engine->GetScanStatus(&value), S_OK);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(engine->GetScanProgress(&value), S_OK);
    EXPECT_EQ(value, 0);
    BSTR version = nullptr;
    EXPECT_EQ(engine->GetVersion(&version), S_OK);
    EXPECT_STREQ(version, L"1.6");
    SysFreeString(version);
    engine->Release();
}

}  // namespace
