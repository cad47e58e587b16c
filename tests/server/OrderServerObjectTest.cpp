// OrderServerObject served in-process over an engine whose window is an in-process queue: the
// automation boundary (interfaces, type-info dispatch, error information, out values).
#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include <string>

#include "engine/Engine.h"
#include "model/Position.h"
#include "tests/support/QueueTarget.h"
#include "platform/Scoped.h"
#include "server/ComPtr.h"
#include "server/OrderServerFactory.h"
#include "server/OrderServerObject.h"
#include "server/ServerTypeInfo.h"
#include "tools/InvokeArguments.h"
#include "workers/EventQueue.h"

namespace ordersrv {

namespace {

std::wstring OwnModulePath() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::wstring(path, length);
}

// A VARIANT cleared when the scope ends.
using plat::ScopedVariant;

class ObjectTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
        ASSERT_EQ(types.Load(OwnModulePath()), S_OK);
        engine.settings.acceptOrders = true;
        gate.Open(engine);
        lifetime.Configure(false, GetCurrentThreadId());
        ASSERT_EQ(OrderServerObject::Create(context, nullptr, IID_IOrderServer,
                                       reinterpret_cast<void**>(server.Out())),
                  S_OK);
    }
    void TearDown() override {
        server.Reset();
        types.Release();
        CoUninitialize();
    }

    HRESULT PlaceOrder(const wchar_t* symbol, LONG reference) {
        ScopedVariant name(symbol), empty;
        return server->NewOrder(name.v, empty.v, 0, empty.v, 0, 0, 1, 2, 100.5, reference);
    }
    void AddPosition(const char* symbol, int32_t size) {
        engine.positions.With([&](PositionBook& book) {
            auto position = std::make_unique<Position>();
            position->symbol = symbol;
            position->hasPosition = true;
            position->posSize = size;
            position->posCost = 10.25;
            book.Add(std::move(position));
            return 0;
        });
    }
    HRESULT Invoke(DISPID member, VARIANTARG* args, UINT count, VARIANT* result,
                   EXCEPINFO* exception) {
        DISPPARAMS params{args, nullptr, count, 0};
        UINT argumentError = 0;
        return server->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                              result, exception, &argumentError);
    }

    testsupport::QueueTarget window;
    EventPool pool{100};
    EventQueue events{pool};
    Engine engine{window, events};
    ServerTypeInfo types;
    EngineGate gate;
    ServerLifetime lifetime;
    EventHub hub;
    ObjectContext context{types, gate, lifetime, hub};
    ComPtr<IOrderServer> server;
};

TEST_F(ObjectTest, AnswersItsInterfacesAndTypeInformation) {
    for (const IID* iid : {&IID_IUnknown, &IID_IDispatch, &IID_IOrderServer,
                           &IID_ISupportErrorInfo, &IID_IProvideClassInfo}) {
        ComPtr<IUnknown> asked;
        EXPECT_EQ(server->QueryInterface(*iid, reinterpret_cast<void**>(asked.Out())), S_OK);
    }
    ComPtr<IUnknown> other;
    EXPECT_EQ(server->QueryInterface(IID_IPersist, reinterpret_cast<void**>(other.Out())),
              E_NOINTERFACE);

    ComPtr<ISupportErrorInfo> support;
    server->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(support.Out()));
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IOrderServer), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IDispatch), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IPersist), S_FALSE);

    UINT count = 0;
    EXPECT_EQ(server->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    ComPtr<ITypeInfo> info;
    EXPECT_EQ(server->GetTypeInfo(1, 0, info.Out()), DISP_E_BADINDEX);
    ASSERT_EQ(server->GetTypeInfo(0, 0, info.Out()), S_OK);
    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attributes), S_OK);
    EXPECT_TRUE(IsEqualGUID(attributes->guid, IID_IOrderServer));
    info->ReleaseTypeAttr(attributes);

    wchar_t name[] = L"NewOrder";
    LPOLESTR names[] = {name};
    DISPID id = 0;
    EXPECT_EQ(server->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK);
    EXPECT_EQ(id, 2);

    ComPtr<IProvideClassInfo> classInfo;
    server->QueryInterface(IID_IProvideClassInfo, reinterpret_cast<void**>(classInfo.Out()));
    ASSERT_EQ(classInfo->GetClassInfo(info.Out()), S_OK);
    ASSERT_EQ(info->GetTypeAttr(&attributes), S_OK);
    EXPECT_TRUE(IsEqualGUID(attributes->guid, CLSID_OrderServer));
    info->ReleaseTypeAttr(attributes);
}

TEST_F(ObjectTest, NullSymbolFailsWithErrorInformationUnlessOrdersAreRefused) {
    SetErrorInfo(0, nullptr);
    ScopedVariant empty;
    EXPECT_EQ(server->NewOrder(invokearg::Null(), empty.v, 0, empty.v, 0, 0, 0, 1, 0, 7), E_UNEXPECTED);
    ComPtr<IErrorInfo> error;
    ASSERT_EQ(GetErrorInfo(0, error.Out()), S_OK);
    GUID guid{};
    BSTR source = nullptr, description = nullptr;
    DWORD helpContext = 99;
    error->GetGUID(&guid);
    error->GetSource(&source);
    error->GetDescription(&description);
    error->GetHelpContext(&helpContext);
    EXPECT_TRUE(IsEqualGUID(guid, IID_IOrderServer));
    EXPECT_STREQ(source, L"Quillmere.OrderServer");
    EXPECT_STREQ(description, L"Invalid variant type conversion");
    EXPECT_EQ(helpContext, 0u);
    SysFreeString(source);
    SysFreeString(description);

    // Refused orders are not read at all: the call succeeds and records nothing.
    engine.settings.acceptOrders = false;
    EXPECT_EQ(server->NewOrder(invokearg::Null(), empty.v, 0, empty.v, 0, 0, 0, 1, 0, 7), S_OK);
    LONG status = -1, filled = 0;
    double price = 0;
    VARIANT_BOOL found = VARIANT_TRUE;
    EXPECT_EQ(server->GetOrderStatus(7, &status, &filled, &price, &found), S_OK);
    EXPECT_EQ(found, VARIANT_FALSE);
    EXPECT_EQ(status, 4);
}

TEST_F(ObjectTest, OrdersAreRecordedAndAnsweredWithAutomationBooleans) {
    ASSERT_EQ(PlaceOrder(L"ES", 11), S_OK);
    LONG status = -1, filled = -1;
    double price = -1;
    VARIANT_BOOL found = 1;
    EXPECT_EQ(server->GetOrderStatus(11, &status, &filled, &price, &found), S_OK);
    EXPECT_EQ(found, VARIANT_TRUE);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(filled, 0);
    EXPECT_EQ(server->GetOrderStatus(12, &status, &filled, &price, &found), S_OK);
    EXPECT_EQ(found, VARIANT_FALSE);
    EXPECT_EQ(status, 4);
    EXPECT_EQ(server->CancelOrder(11), S_OK);
    EXPECT_EQ(server->get_Connected(&found), S_OK);
    EXPECT_EQ(found, VARIANT_FALSE);
    ScopedVariant info;
    V_VT(&info.v) = VT_I4;
    EXPECT_EQ(server->GetAccountInfo(&info.v, &found), S_OK);
    EXPECT_EQ(V_VT(&info.v), VT_EMPTY);
    EXPECT_EQ(found, VARIANT_FALSE);
}

TEST_F(ObjectTest, PositionListsAreArraysOfVariantFromZeroOrEmpty) {
    ScopedVariant lists[4];
    VARIANT_BOOL found = 1;
    EXPECT_EQ(server->GetAllPositionSpec(&lists[0].v, &lists[1].v, &lists[2].v, &lists[3].v, &found),
              S_OK);
    EXPECT_EQ(found, VARIANT_FALSE);
    for (ScopedVariant& list : lists) EXPECT_EQ(V_VT(&list.v), VT_EMPTY);

    AddPosition("ES", 2);
    AddPosition("NQ", -1);
    EXPECT_EQ(server->GetAllPositionSpec(&lists[0].v, &lists[1].v, &lists[2].v, &lists[3].v, &found),
              S_OK);
    EXPECT_EQ(found, VARIANT_TRUE);
    for (ScopedVariant& list : lists) {
        ASSERT_EQ(V_VT(&list.v), VT_ARRAY | VT_VARIANT);
        LONG low = -1, high = -1;
        SafeArrayGetLBound(V_ARRAY(&list.v), 1, &low);
        SafeArrayGetUBound(V_ARRAY(&list.v), 1, &high);
        EXPECT_EQ(low, 0);
        EXPECT_EQ(high, 1);
    }
    LONG index = 1;
    ScopedVariant element;
    ASSERT_EQ(SafeArrayGetElement(V_ARRAY(&lists[0].v), &index, &element.v), S_OK);
    ASSERT_EQ(V_VT(&element.v), VT_BSTR);
    EXPECT_STREQ(V_BSTR(&element.v), L"NQ");
    VariantClear(&element.v);
    ASSERT_EQ(SafeArrayGetElement(V_ARRAY(&lists[2].v), &index, &element.v), S_OK);
    EXPECT_EQ(V_VT(&element.v), VT_I4);

    LONG size = 0;
    double cost = 0;
    ScopedVariant symbol(L" es "), empty;
    EXPECT_EQ(server->GetPositionInfo(symbol.v, empty.v, 0, empty.v, &size, &cost, &found), S_OK);
    EXPECT_EQ(found, VARIANT_TRUE);
    EXPECT_EQ(size, 2);
    EXPECT_DOUBLE_EQ(cost, 10.25);
}

TEST_F(ObjectTest, LateBoundCallsReportErrorsAsExceptions) {
    VARIANTARG args[10];
    for (VARIANTARG& a : args) {
        VariantInit(&a);
        V_VT(&a) = VT_I4;
        V_I4(&a) = 1;
    }
    V_VT(&args[9]) = VT_NULL;                 // Symbol
    V_VT(&args[8]) = VT_EMPTY;                // SymExp
    V_VT(&args[6]) = VT_EMPTY;                // SymExch
    V_VT(&args[1]) = VT_R8;                   // OrderPrice
    V_R8(&args[1]) = 1.5;
    EXCEPINFO exception{};
    EXPECT_EQ(Invoke(2, args, 10, nullptr, &exception), DISP_E_EXCEPTION);
    EXPECT_EQ(exception.scode, E_UNEXPECTED);
    EXPECT_STREQ(exception.bstrSource, L"Quillmere.OrderServer");
    EXPECT_STREQ(exception.bstrDescription, L"Invalid variant type conversion");
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
}

TEST_F(ObjectTest, LateBoundOutArgumentsAcceptVariantReferencesAsScriptsPassThem) {
    ASSERT_EQ(PlaceOrder(L"ES", 21), S_OK);
    // Script style: every by-reference argument a reference to a VARIANT.
    ScopedVariant status, filled, price;
    V_VT(&price.v) = VT_BSTR;
    V_BSTR(&price.v) = SysAllocString(L"old");
    VARIANTARG args[4];
    V_VT(&args[3]) = VT_I4;
    V_I4(&args[3]) = 21;
    VARIANT* outs[3] = {&status.v, &filled.v, &price.v};
    for (int i = 0; i < 3; ++i) {
        V_VT(&args[2 - i]) = VT_VARIANT | VT_BYREF;
        V_VARIANTREF(&args[2 - i]) = outs[i];
    }
    ScopedVariant result;
    ASSERT_EQ(Invoke(4, args, 4, &result.v, nullptr), S_OK);
    EXPECT_EQ(V_VT(&result.v), VT_BOOL);
    EXPECT_EQ(V_BOOL(&result.v), VARIANT_TRUE);
    EXPECT_EQ(V_VT(&status.v), VT_I4);
    EXPECT_EQ(V_I4(&status.v), 0);
    EXPECT_EQ(V_VT(&filled.v), VT_I4);
    EXPECT_EQ(V_VT(&price.v), VT_R8);

    // Typed references pass through the standard dispatch as before.
    LONG typedStatus = -1, typedFilled = -1;
    double typedPrice = -1;
    V_VT(&args[2]) = VT_I4 | VT_BYREF;
    V_I4REF(&args[2]) = &typedStatus;
    V_VT(&args[1]) = VT_I4 | VT_BYREF;
    V_I4REF(&args[1]) = &typedFilled;
    V_VT(&args[0]) = VT_R8 | VT_BYREF;
    V_R8REF(&args[0]) = &typedPrice;
    V_I4(&args[3]) = 99;
    VariantClear(&result.v);
    ASSERT_EQ(Invoke(4, args, 4, &result.v, nullptr), S_OK);
    EXPECT_EQ(V_BOOL(&result.v), VARIANT_FALSE);
    EXPECT_EQ(typedStatus, 4);
}

TEST_F(ObjectTest, CallsOutsideTheEnginesLifeFailWithoutTouchingIt) {
    EngineGate closed;
    closed.Close();
    ObjectContext closedContext{types, closed, lifetime, hub};
    ComPtr<IOrderServer> late;
    ASSERT_EQ(OrderServerObject::Create(closedContext, nullptr, IID_IOrderServer,
                                   reinterpret_cast<void**>(late.Out())),
              S_OK);
    VARIANT_BOOL connected = 1;
    EXPECT_EQ(late->get_Connected(&connected), E_UNEXPECTED);
    ComPtr<IErrorInfo> error;
    ASSERT_EQ(GetErrorInfo(0, error.Out()), S_OK);
    BSTR description = nullptr;
    error->GetDescription(&description);
    EXPECT_STREQ(description, L"The order server is closing");
    SysFreeString(description);
}

TEST_F(ObjectTest, LiveObjectsAndLocksAreCountedAndAggregationIsRefused) {
    EXPECT_EQ(lifetime.LiveObjects(), 1);
    OrderServerFactory factory(context);
    ComPtr<IOrderServer> second;
    ASSERT_EQ(factory.CreateInstance(nullptr, IID_IOrderServer,
                                     reinterpret_cast<void**>(second.Out())),
              S_OK);
    factory.LockServer(TRUE);
    EXPECT_EQ(lifetime.LiveObjects(), 3);
    factory.LockServer(FALSE);
    second.Reset();
    EXPECT_EQ(lifetime.LiveObjects(), 1);

    ComPtr<IUnknown> inner;
    void* refused = &inner;
    EXPECT_EQ(factory.CreateInstance(server.Get(), IID_IOrderServer, &refused),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(refused, nullptr);
    EXPECT_EQ(factory.CreateInstance(server.Get(), IID_IUnknown,
                                     reinterpret_cast<void**>(inner.Out())),
              S_OK);
    EXPECT_EQ(lifetime.LiveObjects(), 2);
    inner.Reset();
    EXPECT_EQ(lifetime.LiveObjects(), 1);
}

}  // namespace

namespace {

TEST(ServerLifetime, ClosingWithoutLiveObjectsNeedsNoQuestion) {
    ServerLifetime lifetime;
    lifetime.Configure(false, GetCurrentThreadId());
    EXPECT_TRUE(ConfirmEndWithLiveObjects(lifetime, nullptr));  // would block on a message box
    lifetime.ObjectAdded();
    lifetime.ObjectReleased();
    EXPECT_EQ(lifetime.LiveObjects(), 0);
    MSG quit;
    EXPECT_FALSE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));  // standalone stays
}

}  // namespace

}  // namespace ordersrv
