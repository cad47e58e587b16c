// Bad host input against the real OrderSrv.exe, early-bound and late-bound: every kind of
// VARIANT for the symbol, expiry and exchange, extreme sizes, prices, references and codes.
// Each call is either answered S_OK and carried into one sound instruction line, or refused
// with a clear error result that records nothing; the server keeps answering throughout.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "LoadSupport.h"
#include "engine/EngineError.h"
#include "engine/OrderRequestRules.h"

namespace ordersrv {

namespace {

constexpr LONG kBuy = 0, kSell = 1, kDay = 0, kGtc = 1, kMarket = 0, kLimit = 1, kStop = 2;

// An object of the host's own passed as a VARIANT: its value (DISPID_VALUE) is a text, or the
// object refuses to give one, or it is no IDispatch at all.
class ValueObject final : public IDispatch {
public:
    enum class Kind { Value, FailingValue, UnknownOnly };
    ValueObject(Kind kind, const wchar_t* value) : kind_(kind), value_(value) {}
    LONG References() const { return references_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (IsEqualIID(iid, IID_IUnknown) ||
            (kind_ != Kind::UnknownOnly && IsEqualIID(iid, IID_IDispatch)))
            *object = static_cast<IDispatch*>(this);
        if (!*object) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references_); }
    // Owned by the test; never deletes itself, so a count left over shows.
    ULONG STDMETHODCALLTYPE Release() override { return InterlockedDecrement(&references_); }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS*,
                                     VARIANT* result, EXCEPINFO*, UINT*) override {
        if (member != DISPID_VALUE || kind_ == Kind::FailingValue) return DISP_E_MEMBERNOTFOUND;
        if (!result) return S_OK;
        VariantInit(result);
        V_VT(result) = VT_BSTR;
        V_BSTR(result) = SysAllocString(value_);
        return S_OK;
    }

private:
    LONG references_ = 1;
    Kind kind_;
    const wchar_t* value_;
};

ValueObject gValueObject(ValueObject::Kind::Value, L"OBJECT SYMBOL");
ValueObject gFailingObject(ValueObject::Kind::FailingValue, L"");
ValueObject gUnknownObject(ValueObject::Kind::UnknownOnly, L"");

// The server let go of every host object it was handed: each holds the test's own reference
// alone again (given a moment: releases through a proxy may come after the call returned).
void ExpectHostObjectsReleased() {
    const struct {
        const ValueObject& object;
        const char* name;
    } objects[] = {{gValueObject, "with a value"},
                   {gFailingObject, "without a value"},
                   {gUnknownObject, "without IDispatch"}};
    const auto allReleased = [&] {
        for (const auto& o : objects)
            if (o.object.References() != 1) return false;
        return true;
    };
    for (int i = 0; i < 50 && !allReleased(); ++i) Sleep(100);
    for (const auto& o : objects) EXPECT_EQ(o.object.References(), 1) << "the object " << o.name;
}

// A host VARIANT together with whatever its by-reference forms point at.
struct HostVariant {
    VARIANT v, referenced;
    BSTR referencedText = nullptr;
    LONG referencedLong = 0;
    HostVariant() {
        VariantInit(&v);
        VariantInit(&referenced);
    }
    ~HostVariant() {
        VariantClear(&v);  // leaves by-reference targets alone
        VariantClear(&referenced);
        SysFreeString(referencedText);
    }
    HostVariant(const HostVariant&) = delete;
    HostVariant& operator=(const HostVariant&) = delete;
};
using VariantMaker = std::function<void(HostVariant&)>;

void SetText(VARIANT& v, BSTR text) {
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = text;
}

SAFEARRAY* TwoTexts(VARTYPE element) {
    SAFEARRAY* array = SafeArrayCreateVector(element, 0, 2);
    for (LONG i = 0; i < 2; ++i) {
        ScopedVariant text(i == 0 ? L"ES" : L"NQ");
        if (element == VT_BSTR)
            SafeArrayPutElement(array, &i, V_BSTR(&text.v));
        else
            SafeArrayPutElement(array, &i, &text.v);
    }
    return array;
}

struct VariantCase {
    const char* name;
    VariantMaker make;
};

std::vector<VariantCase> VariantCases() {
    const auto text = [](const wchar_t* s) { return [s](HostVariant& h) { SetText(h.v, SysAllocString(s)); }; };
    const auto object = [](VARTYPE type, IDispatch* o) {
        return [type, o](HostVariant& h) {
            V_VT(&h.v) = type;
            V_DISPATCH(&h.v) = o;
            if (o) o->AddRef();
        };
    };
    return {
        {"VT_EMPTY", [](HostVariant&) {}},
        {"VT_NULL", [](HostVariant& h) { V_VT(&h.v) = VT_NULL; }},
        {"VT_I2", [](HostVariant& h) { V_VT(&h.v) = VT_I2; V_I2(&h.v) = -7; }},
        {"VT_I4 INT_MIN", [](HostVariant& h) { V_VT(&h.v) = VT_I4; V_I4(&h.v) = INT_MIN; }},
        {"VT_I8", [](HostVariant& h) { V_VT(&h.v) = VT_I8; V_I8(&h.v) = LLONG_MAX; }},
        {"VT_UI1", [](HostVariant& h) { V_VT(&h.v) = VT_UI1; V_UI1(&h.v) = 200; }},
        {"VT_R4", [](HostVariant& h) { V_VT(&h.v) = VT_R4; V_R4(&h.v) = 1.5f; }},
        {"VT_R8", [](HostVariant& h) { V_VT(&h.v) = VT_R8; V_R8(&h.v) = -1234.0625; }},
        {"VT_R8 NaN", [](HostVariant& h) { V_VT(&h.v) = VT_R8; V_R8(&h.v) = std::nan(""); }},
        {"VT_R8 infinity", [](HostVariant& h) { V_VT(&h.v) = VT_R8; V_R8(&h.v) = HUGE_VAL; }},
        {"VT_CY", [](HostVariant& h) { V_VT(&h.v) = VT_CY; V_CY(&h.v).int64 = 123456789; }},
        {"VT_DATE", [](HostVariant& h) { V_VT(&h.v) = VT_DATE; V_DATE(&h.v) = 45000.75; }},
        {"VT_BOOL", [](HostVariant& h) { V_VT(&h.v) = VT_BOOL; V_BOOL(&h.v) = VARIANT_TRUE; }},
        {"VT_DECIMAL", [](HostVariant& h) {
             VarDecFromR8(-98765.4321, &V_DECIMAL(&h.v));
             V_VT(&h.v) = VT_DECIMAL;  // after: the DECIMAL overlays the type field
         }},
        {"VT_ERROR missing", [](HostVariant& h) { V_VT(&h.v) = VT_ERROR; V_ERROR(&h.v) = DISP_E_PARAMNOTFOUND; }},
        {"VT_DISPATCH with a value", object(VT_DISPATCH, &gValueObject)},
        {"VT_DISPATCH without a value", object(VT_DISPATCH, &gFailingObject)},
        {"VT_DISPATCH null", object(VT_DISPATCH, nullptr)},
        {"VT_UNKNOWN", object(VT_UNKNOWN, &gUnknownObject)},
        {"array of VARIANT", [](HostVariant& h) {
             V_VT(&h.v) = VT_ARRAY | VT_VARIANT;
             V_ARRAY(&h.v) = TwoTexts(VT_VARIANT);
         }},
        {"array of BSTR", [](HostVariant& h) {
             V_VT(&h.v) = VT_ARRAY | VT_BSTR;
             V_ARRAY(&h.v) = TwoTexts(VT_BSTR);
         }},
        {"null BSTR", [](HostVariant& h) { SetText(h.v, nullptr); }},
        {"empty text", text(L"")},
        {"blanks", text(L"   ")},
        {"1 MB text", [](HostVariant& h) {
             const std::wstring big(1 << 20, L'M');
             SetText(h.v, SysAllocStringLen(big.data(), static_cast<UINT>(big.size())));
         }},
        {"embedded zero", [](HostVariant& h) { SetText(h.v, SysAllocStringLen(L"ES\0X", 4)); }},
        {"semicolon", text(L"ES;X")},
        {"line break", text(L"ES\r\nCANCEL;;;;;;;;;;HALVENMAR1;;")},
        {"tab", text(L"ES\tX")},
        {"Latin-1 letter", text(L"CAF\x00C9")},
        {"CJK", text(L"\x65E5\x672C")},
        {"fullwidth semicolon", text(L"ES\xFF1BX")},
        {"Greek question mark", text(L"ES\x037EX")},
        {"surrogate pair", text(L"ES\xD83D\xDE00")},
        {"lone surrogate", text(L"ES\xD800")},
        {"by reference BSTR", [](HostVariant& h) {
             h.referencedText = SysAllocString(L"REF BSTR");
             V_VT(&h.v) = VT_BSTR | VT_BYREF;
             V_BSTRREF(&h.v) = &h.referencedText;
         }},
        {"by reference VARIANT", [](HostVariant& h) {
             SetText(h.referenced, SysAllocString(L"REF VARIANT"));
             V_VT(&h.v) = VT_VARIANT | VT_BYREF;
             V_VARIANTREF(&h.v) = &h.referenced;
         }},
        {"by reference VARIANT holding null", [](HostVariant& h) {
             V_VT(&h.referenced) = VT_NULL;
             V_VT(&h.v) = VT_VARIANT | VT_BYREF;
             V_VARIANTREF(&h.v) = &h.referenced;
         }},
        {"by reference I4", [](HostVariant& h) {
             h.referencedLong = 4242;
             V_VT(&h.v) = VT_I4 | VT_BYREF;
             V_I4REF(&h.v) = &h.referencedLong;
         }},
    };
}

std::string Narrow(BSTR text) {
    const int length = static_cast<int>(SysStringLen(text));
    if (length == 0) return std::string();
    const int size = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, length, &result[0], size, nullptr, nullptr);
    return result;
}

// The text a host value stands for, by the host platform's own coercion in this process;
// false when it has none. This is what the order server must make of it too.
bool HostText(const VARIANT& value, std::string& text) {
    if (V_VT(&value) == VT_BSTR) return text = Narrow(V_BSTR(&value)), true;
    ScopedVariant coerced;
    const HRESULT hr = VariantChangeTypeEx(&coerced.v, const_cast<VARIANT*>(&value),
                                           LOCALE_USER_DEFAULT, 0, VT_BSTR);
    if (FAILED(hr) || V_VT(&coerced.v) != VT_BSTR) return false;
    text = Narrow(V_BSTR(&coerced.v));
    return true;
}

bool SafeField(const std::string& text) {
    for (const char c : text)
        if (c == ';' || static_cast<unsigned char>(c) < 32) return false;
    return true;
}

std::string Printable(const std::string& text) {
    std::string shown;
    for (const char c : text.substr(0, 40)) {
        const unsigned char u = static_cast<unsigned char>(c);
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02X", u);
        shown += (u >= 32 && u < 127) ? std::string(1, c) : std::string(hex);
    }
    return text.size() > 40 ? shown + "... (" + std::to_string(text.size()) + " bytes)" : shown;
}

enum class Binding { Early, Late };
const char* BindingName(Binding b) { return b == Binding::Early ? "early-bound" : "late-bound"; }

struct NewOrderArgs {
    LONG symType = 0, orderType = kBuy, timeFrame = kDay, modifier = kLimit, size = 1;
    double price = 100.25;
    LONG ref = 0;
};

// What a call must come to: accepted (with the instrument text), or refused with a text.
struct Outcome {
    bool accepted = false;
    std::string symbol;    // accepted: the instrument field
    std::string refusal;   // refused: the description, or empty for any clear dispatch error
};

// An accepted call, to be found in the instruction files afterwards.
struct Accepted {
    std::string caseName;
    NewOrderArgs args;
    std::string symbol;
};

struct CallResult {
    HRESULT hr = E_FAIL;
    HRESULT scode = S_OK;
    std::string description;
};

class HostInput : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
        server = std::make_unique<RunningServer>(ORDERSRV_RUN_DIR "/input");
        ASSERT_TRUE(server->StartThroughCom());
        HRESULT created = E_FAIL;
        early = CreateOrderServer(&created);
        ASSERT_TRUE(early) << std::hex << created;
        ASSERT_EQ(early->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(late.Out())), S_OK);
    }
    static void TearDownTestSuite() {
        early.Reset();
        late.Reset();
        EXPECT_TRUE(server->Stop()) << "the server did not end after the last release";
        server.reset();
        CoUninitialize();
    }

    static CallResult CallNewOrder(Binding binding, const VARIANT& symbol, const VARIANT& symExp,
                                    const VARIANT& symExch, const NewOrderArgs& a) {
        CallResult r;
        if (binding == Binding::Early) {
            r.hr = early->NewOrder(symbol, symExp, a.symType, symExch, a.orderType, a.timeFrame,
                                   a.modifier, a.size, a.price, a.ref);
            r.scode = r.hr;
            return r;
        }
        VARIANTARG args[10];
        const auto setLong = [&](int index, LONG value) {
            VariantInit(&args[index]);
            V_VT(&args[index]) = VT_I4;
            V_I4(&args[index]) = value;
        };
        args[9] = symbol;  // borrowed: never cleared here
        args[8] = symExp;
        setLong(7, a.symType);
        args[6] = symExch;
        setLong(5, a.orderType);
        setLong(4, a.timeFrame);
        setLong(3, a.modifier);
        setLong(2, a.size);
        VariantInit(&args[1]);
        V_VT(&args[1]) = VT_R8;
        V_R8(&args[1]) = a.price;
        setLong(0, a.ref);
        return Invoke(args, 10);
    }

    static CallResult Invoke(VARIANTARG* args, UINT count) {
        CallResult r;
        DISPPARAMS params{args, nullptr, count, 0};
        EXCEPINFO exception{};
        UINT argumentError = 0;
        r.hr = late->Invoke(2, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr,
                            &exception, &argumentError);
        r.scode = r.hr == DISP_E_EXCEPTION ? exception.scode : r.hr;
        if (exception.bstrDescription) r.description = Narrow(exception.bstrDescription);
        SysFreeString(exception.bstrDescription);
        SysFreeString(exception.bstrSource);
        SysFreeString(exception.bstrHelpFile);
        return r;
    }

    // Checks the answer against the expected outcome and books an accepted call.
    void Expect(const std::string& what, Binding binding, const CallResult& r,
                const Outcome& outcome, const NewOrderArgs& args) {
        const std::string label = what + " (" + BindingName(binding) + ")";
        if (outcome.accepted) {
            EXPECT_EQ(r.hr, S_OK) << label << ": " << r.description;
            if (r.hr == S_OK) accepted[args.ref] = {label, args, outcome.symbol};
            return;
        }
        if (!outcome.refusal.empty()) {
            // Early-bound across processes the error object does not arrive (Wine); late-bound it does.
            if (binding == Binding::Early) {
                EXPECT_EQ(r.hr, E_UNEXPECTED) << label;
            } else {
                EXPECT_EQ(r.hr, DISP_E_EXCEPTION) << label;
                EXPECT_EQ(r.scode, E_UNEXPECTED) << label;
                EXPECT_EQ(r.description, outcome.refusal) << label;
            }
        } else {
            EXPECT_EQ(HRESULT_FACILITY(r.hr), FACILITY_DISPATCH) << label << std::hex << r.hr;
        }
        if (args.ref >= 0) refused.push_back({label, args.ref});
    }

    static LONG FreshReference() { return nextReference++; }

    static std::unique_ptr<RunningServer> server;
    static ComPtr<IOrderServer> early;
    static ComPtr<IDispatch> late;
    static LONG nextReference;
    std::map<LONG, Accepted> accepted;
    std::vector<std::pair<std::string, LONG>> refused;

    // Waits until every accepted order has its PLACE line, then checks every line and file.
    void CheckInstructionFiles() {
        std::vector<InstructionFile> files;
        std::map<LONG, std::vector<std::string>> lines;
        size_t lineCount = 0;
        for (int i = 0; i < 200; ++i) {
            files = ReadInstructionFiles(server->IncomingFolder());
            lines.clear();
            lineCount = 0;
            for (const InstructionFile& file : files)
                for (const std::string& line : file.lines) {
                    ++lineCount;
                    const std::vector<std::string> fields = SplitFields(line);
                    int32_t ref = 0;
                    if (fields.size() > 10 && OrderIdReference(fields[10], ref))
                        lines[ref].push_back(line);
                }
            if (lineCount >= accepted.size() + previousLines) break;
            Sleep(100);
        }
        for (const InstructionFile& file : files) EXPECT_TRUE(file.wholeLines) << file.name;
        // One line per accepted order, no more.
        EXPECT_EQ(lineCount, accepted.size() + previousLines);
        for (const auto& entry : accepted) {
            const Accepted& a = entry.second;
            const auto found = lines.find(entry.first);
            ASSERT_TRUE(found != lines.end()) << a.caseName << ": no line for " << entry.first;
            ASSERT_EQ(found->second.size(), 1u) << a.caseName;
            CheckPlaceLine(a, found->second.front());
        }
        for (const auto& r : refused)
            EXPECT_EQ(lines.count(r.second), 0u) << r.first << ": refused, yet written";
        previousLines = lineCount;
    }

    static void CheckPlaceLine(const Accepted& a, const std::string& line) {
        const std::vector<std::string> f = SplitFields(line);
        ASSERT_EQ(f.size(), 13u) << a.caseName << ": " << Printable(line);
        EXPECT_EQ(f[0], "PLACE") << a.caseName;
        EXPECT_EQ(f[1], "SIM101") << a.caseName;
        EXPECT_TRUE(f[2] == a.symbol) << a.caseName << ": instrument " << Printable(f[2])
                                      << ", expected " << Printable(a.symbol);
        EXPECT_EQ(f[3], a.args.orderType == kBuy ? "BUY" : "SELL") << a.caseName;
        EXPECT_EQ(f[4], std::to_string(a.args.size)) << a.caseName;
        const char* type = a.args.modifier == kMarket ? "MARKET" : a.args.modifier == kLimit ? "LIMIT" : "STOP";
        EXPECT_EQ(f[5], type) << a.caseName;
        EXPECT_EQ(f[6], f[7]) << a.caseName;
        char* end = nullptr;
        const double price = std::strtod(f[6].c_str(), &end);
        EXPECT_TRUE(end && *end == '\0' && !f[6].empty()) << a.caseName << ": price " << f[6].substr(0, 40);
        EXPECT_EQ(f[6].find_first_not_of("-0123456789."), std::string::npos) << a.caseName;
        const size_t point = f[6].find('.');
        EXPECT_EQ(f[6].size() - point, 7u) << a.caseName << ": six decimals";
        // Six decimals: the nearest such value, so within half a millionth (or relative 1e-6).
        EXPECT_LE(std::fabs(price - a.args.price), 1e-6 * std::max(1.0, std::fabs(a.args.price)))
            << a.caseName << ": " << f[6].substr(0, 40);
        EXPECT_EQ(f[8], a.args.timeFrame == kDay ? "DAY" : "GTC") << a.caseName;
        EXPECT_EQ(f[9], "") << a.caseName;
        EXPECT_EQ(f[10], "HALVENMAR" + std::to_string(a.args.ref)) << a.caseName;
        EXPECT_EQ(f[11], "") << a.caseName;
        EXPECT_EQ(f[12], "") << a.caseName;
    }

    // Every accepted reference is known; no refused one is; the server still answers.
    void CheckOrderBookAndServer() {
        for (const auto& entry : accepted) {
            LONG status = -1, filled = -1;
            double price = -1;
            VARIANT_BOOL found = VARIANT_FALSE;
            ASSERT_EQ(early->GetOrderStatus(entry.first, &status, &filled, &price, &found), S_OK);
            EXPECT_EQ(found, VARIANT_TRUE) << entry.second.caseName;
            EXPECT_EQ(status, 0) << entry.second.caseName;  // Open: nothing carries it out here
        }
        for (const auto& r : refused) {
            LONG status = -1, filled = 0;
            double price = 0;
            VARIANT_BOOL found = VARIANT_TRUE;
            ASSERT_EQ(early->GetOrderStatus(r.second, &status, &filled, &price, &found), S_OK);
            EXPECT_EQ(found, VARIANT_FALSE) << r.first << ": refused, yet recorded";
        }
        VARIANT_BOOL connected = VARIANT_FALSE;
        EXPECT_EQ(early->get_Connected(&connected), S_OK);
        EXPECT_EQ(connected, VARIANT_TRUE);
        EXPECT_TRUE(server->Running());
    }

    static size_t previousLines;
};
std::unique_ptr<RunningServer> HostInput::server;
ComPtr<IOrderServer> HostInput::early;
ComPtr<IDispatch> HostInput::late;
LONG HostInput::nextReference = 1000;
size_t HostInput::previousLines = 0;

TEST_F(HostInput, EveryKindOfVariantForSymbolExpiryAndExchange) {
    const char* const positions[] = {"Symbol", "SymExp", "SymExch"};
    for (const VariantCase& c : VariantCases()) {
        for (int position = 0; position < 3; ++position) {
            for (Binding binding : {Binding::Early, Binding::Late}) {
                HostVariant tested, es, empty;
                c.make(tested);
                SetText(es.v, SysAllocString(L"ES"));
                const VARIANT& symbol = position == 0 ? tested.v : es.v;
                const VARIANT& symExp = position == 1 ? tested.v : empty.v;
                const VARIANT& symExch = position == 2 ? tested.v : empty.v;

                Outcome outcome;
                std::string text;
                if (!HostText(tested.v, text))
                    outcome.refusal = kConversionErrorText;
                else if (position == 0 && !SafeField(text))
                    outcome.refusal = kUnsafeSymbolText;
                else
                    outcome = {true, position == 0 ? text : "ES", ""};

                NewOrderArgs args;
                args.ref = FreshReference();
                const CallResult r = CallNewOrder(binding, symbol, symExp, symExch, args);
                if (position == 0 && binding == Binding::Early)
                    std::printf("Symbol %-34s -> %s\n", c.name,
                                outcome.accepted ? ("\"" + Printable(outcome.symbol) + "\"").c_str()
                                                 : ("refused: " + outcome.refusal).c_str());
                Expect(std::string(c.name) + " as " + positions[position], binding, r, outcome, args);
            }
        }
    }
    CheckInstructionFiles();
    CheckOrderBookAndServer();
    ExpectHostObjectsReleased();
}

struct NumberCase {
    const char* name;
    std::function<void(NewOrderArgs&)> set;
    const char* refusal;  // nullptr: accepted
};

TEST_F(HostInput, ExtremeSizesPricesReferencesAndCodes) {
    const double inf = std::numeric_limits<double>::infinity();
    const auto price = [](double p) { return [p](NewOrderArgs& a) { a.price = p; }; };
    const auto size = [](LONG s) { return [s](NewOrderArgs& a) { a.size = s; }; };
    const auto orderType = [](LONG v) { return [v](NewOrderArgs& a) { a.orderType = v; }; };
    const auto modifier = [](LONG v) { return [v](NewOrderArgs& a) { a.modifier = v; }; };
    const auto timeFrame = [](LONG v) { return [v](NewOrderArgs& a) { a.timeFrame = v; }; };
    const auto symType = [](LONG v) { return [v](NewOrderArgs& a) { a.symType = v; }; };
    const std::vector<NumberCase> cases = {
        {"size 0", size(0), nullptr},
        {"size -1", size(-1), nullptr},
        {"size INT_MIN", size(INT_MIN), nullptr},
        {"size INT_MAX", size(INT_MAX), nullptr},
        {"price 0", price(0.0), nullptr},
        {"price -0", price(-0.0), nullptr},
        {"price -12.5", price(-12.5), nullptr},
        {"price 1e300", price(1e300), nullptr},
        {"price -1e300", price(-1e300), nullptr},
        {"price DBL_MAX", price(DBL_MAX), nullptr},
        {"price DBL_MIN", price(DBL_MIN), nullptr},
        {"price denormal", price(std::numeric_limits<double>::denorm_min()), nullptr},
        {"price 0.0000004", price(0.0000004), nullptr},
        {"price 1.0000004", price(1.0000004), nullptr},
        {"price 123456789.123456", price(123456789.123456), nullptr},
        {"price NaN", price(std::nan("")), kPriceNotFiniteText},
        {"price +infinity", price(inf), kPriceNotFiniteText},
        {"price -infinity", price(-inf), kPriceNotFiniteText},
        {"reference -1", [](NewOrderArgs& a) { a.ref = -1; }, kNegativeReferenceText},
        {"reference INT_MIN", [](NewOrderArgs& a) { a.ref = INT_MIN; }, kNegativeReferenceText},
        {"order type -1", orderType(-1), kUnknownOrderTypeText},
        {"order type 2", orderType(2), kUnknownOrderTypeText},
        {"order type INT_MIN", orderType(INT_MIN), kUnknownOrderTypeText},
        {"order type INT_MAX", orderType(INT_MAX), kUnknownOrderTypeText},
        {"sell", orderType(kSell), nullptr},
        {"modifier -1", modifier(-1), kUnknownOrderModifierText},
        {"modifier 3", modifier(3), kUnknownOrderModifierText},
        {"modifier INT_MIN", modifier(INT_MIN), kUnknownOrderModifierText},
        {"modifier INT_MAX", modifier(INT_MAX), kUnknownOrderModifierText},
        {"market", modifier(kMarket), nullptr},
        {"stop", modifier(kStop), nullptr},
        {"time frame -1", timeFrame(-1), kUnknownTimeFrameText},
        {"time frame 2", timeFrame(2), kUnknownTimeFrameText},
        {"time frame INT_MIN", timeFrame(INT_MIN), kUnknownTimeFrameText},
        {"time frame INT_MAX", timeFrame(INT_MAX), kUnknownTimeFrameText},
        {"good till cancelled", timeFrame(kGtc), nullptr},
        {"symbol type -1", symType(-1), nullptr},
        {"symbol type INT_MIN", symType(INT_MIN), nullptr},
        {"symbol type INT_MAX", symType(INT_MAX), nullptr},
    };
    for (const NumberCase& c : cases) {
        for (Binding binding : {Binding::Early, Binding::Late}) {
            NewOrderArgs args;
            args.ref = FreshReference();
            c.set(args);
            ScopedVariant es(L"ES"), empty;
            const Outcome outcome{c.refusal == nullptr, "ES", c.refusal ? c.refusal : ""};
            Expect(c.name, binding, CallNewOrder(binding, es.v, empty.v, empty.v, args), outcome, args);
        }
    }
    // The extreme references that are valid, once each: a reference names one order.
    for (const LONG ref : {0L, static_cast<LONG>(INT_MAX)}) {
        const Binding binding = ref == 0 ? Binding::Early : Binding::Late;
        NewOrderArgs args;
        args.ref = ref;
        ScopedVariant es(L"ES"), empty;
        Expect("reference " + std::to_string(ref), binding,
               CallNewOrder(binding, es.v, empty.v, empty.v, args), {true, "ES", ""}, args);
    }
    CheckInstructionFiles();
    CheckOrderBookAndServer();
}

// Late-bound callers may pass the typed arguments as other VARIANT types; the standard dispatch
// coerces them as the platform's coercion does, or refuses the call with a dispatch error; a
// refused call records nothing.
TEST_F(HostInput, LateBoundArgumentsOfOtherTypes) {
    constexpr int kReference = 0, kPrice = 1, kSize = 2;  // rgvarg index: last argument first
    struct LateCase {
        const char* name;
        int index;
        std::function<void(VARIANT&, LONG ref)> set;
    };
    const std::vector<LateCase> cases = {
        {"price as text 12.5", kPrice, [](VARIANT& v, LONG) { SetText(v, SysAllocString(L"12.5")); }},
        {"price as text abc", kPrice, [](VARIANT& v, LONG) { SetText(v, SysAllocString(L"abc")); }},
        {"price as null", kPrice, [](VARIANT& v, LONG) { V_VT(&v) = VT_NULL; }},
        {"price as currency", kPrice, [](VARIANT& v, LONG) { V_VT(&v) = VT_CY; V_CY(&v).int64 = 12345; }},
        {"size as R8 2.4", kSize, [](VARIANT& v, LONG) { V_VT(&v) = VT_R8; V_R8(&v) = 2.4; }},
        {"size as R8 1e20", kSize, [](VARIANT& v, LONG) { V_VT(&v) = VT_R8; V_R8(&v) = 1e20; }},
        {"size as R8 NaN", kSize, [](VARIANT& v, LONG) { V_VT(&v) = VT_R8; V_R8(&v) = std::nan(""); }},
        {"reference as text", kReference, [](VARIANT& v, LONG ref) {
             SetText(v, SysAllocString(std::to_wstring(ref).c_str()));
         }},
        {"reference as array", kReference, [](VARIANT& v, LONG) {
             V_VT(&v) = VT_ARRAY | VT_BSTR;
             V_ARRAY(&v) = TwoTexts(VT_BSTR);
         }},
        {"reference as object", kReference, [](VARIANT& v, LONG) {
             V_VT(&v) = VT_DISPATCH;
             V_DISPATCH(&v) = &gFailingObject;
             gFailingObject.AddRef();
         }},
    };
    for (const LateCase& c : cases) {
        NewOrderArgs args;
        args.ref = FreshReference();
        ScopedVariant slots[10];
        const auto setLong = [&](int i, LONG value) {
            V_VT(&slots[i].v) = VT_I4;
            V_I4(&slots[i].v) = value;
        };
        SetText(slots[9].v, SysAllocString(L"ES"));
        setLong(7, args.symType);
        setLong(5, args.orderType);
        setLong(4, args.timeFrame);
        setLong(3, args.modifier);
        setLong(2, args.size);
        V_VT(&slots[1].v) = VT_R8;
        V_R8(&slots[1].v) = args.price;
        setLong(0, args.ref);
        VariantClear(&slots[c.index].v);
        c.set(slots[c.index].v, args.ref);

        // The value the dispatch must make of it, by the platform's coercion in this process.
        ScopedVariant coerced;
        const VARTYPE type = c.index == kPrice ? VT_R8 : VT_I4;
        const bool coerces = SUCCEEDED(VariantChangeTypeEx(&coerced.v, &slots[c.index].v,
                                                           LOCALE_USER_DEFAULT, 0, type));
        if (coerces && c.index == kPrice) args.price = V_R8(&coerced.v);
        if (coerces && c.index == kSize) args.size = V_I4(&coerced.v);
        const bool accepted = coerces && (c.index != kReference || V_I4(&coerced.v) == args.ref);

        VARIANTARG raw[10];
        for (int i = 0; i < 10; ++i) raw[i] = slots[i].v;
        const CallResult r = Invoke(raw, 10);
        std::printf("late-bound %-22s -> 0x%08lX%s\n", c.name, static_cast<unsigned long>(r.hr),
                    accepted ? " (coerces)" : "");
        Expect(c.name, Binding::Late, r, {accepted, "ES", ""}, args);
    }
    // Too few arguments are refused. Too many: Windows refuses them; Wine's dispatch takes the
    // first ten, so the order of all ones (sell, GTC, limit, 1 at 1, reference 1) may be placed.
    ScopedVariant slots[11];
    for (ScopedVariant& s : slots) {
        V_VT(&s.v) = VT_I4;
        V_I4(&s.v) = 1;
    }
    VARIANTARG raw[11];
    for (int i = 0; i < 11; ++i) raw[i] = slots[i].v;
    EXPECT_EQ(Invoke(raw + 2, 9).hr, DISP_E_BADPARAMCOUNT) << "9 arguments";
    const CallResult tooMany = Invoke(raw, 11);
    std::printf("late-bound with 11 arguments -> 0x%08lX\n", static_cast<unsigned long>(tooMany.hr));
    if (tooMany.hr == S_OK) {
        NewOrderArgs ones;
        ones.orderType = ones.timeFrame = ones.modifier = ones.size = ones.ref = 1;
        ones.price = 1.0;
        accepted[1] = {"11 arguments", ones, "1"};
    } else {
        EXPECT_EQ(tooMany.hr, DISP_E_BADPARAMCOUNT) << "11 arguments";
    }
    CheckInstructionFiles();
    CheckOrderBookAndServer();
    ExpectHostObjectsReleased();
}

}  // namespace

}  // namespace ordersrv
