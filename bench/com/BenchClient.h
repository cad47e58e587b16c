#pragma once
// What every benchmark of the running order server shares: COM pointers and VARIANTs that
// release themselves, one OrderServer object reached both early-bound (IOrderServer vtable) and
// late-bound (IDispatch::Invoke with prepared arguments), a millisecond clock, and the figures
// the benchmarks print ("FIGURE <name> <value>" lines that scripts/bench.sh collects).
#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <string>
#include <vector>

#include "server/Quillmere.h"

namespace ordersrv {

namespace bench {

template <class T>
class ComRef {
public:
    ComRef() = default;
    ~ComRef() { Reset(); }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    T** Out() {
        Reset();
        return &p_;
    }
    T* operator->() const { return p_; }
    T* Get() const { return p_; }
    void Reset() {
        if (p_) p_->Release();
        p_ = nullptr;
    }
    // Forgets the pointer without releasing it: after a failed call that may have left
    // something other than a live interface in it.
    void Abandon() { p_ = nullptr; }

private:
    T* p_ = nullptr;
};

struct Variant : VARIANT {
    Variant() { VariantInit(this); }
    explicit Variant(const wchar_t* text) {
        VariantInit(this);
        vt = VT_BSTR;
        bstrVal = SysAllocString(text);
    }
    ~Variant() { VariantClear(this); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
};

// Joins the multithreaded apartment for the lifetime of the object (one per thread).
class Apartment {
public:
    Apartment() : ok_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {}
    ~Apartment() {
        if (ok_) CoUninitialize();
    }
    Apartment(const Apartment&) = delete;
    Apartment& operator=(const Apartment&) = delete;
    bool Ok() const { return ok_; }

private:
    bool ok_;
};

// The order a benchmark places: buy 1 ES 03-27 limit 5000.25, day.
struct BenchOrder {
    static constexpr const wchar_t* kSymbol = L"ES 03-27";
    static constexpr LONG kType = 0, kTimeFrame = 0, kModifier = 1, kSize = 1;
    static constexpr double kPrice = 5000.25;
};

// One OrderServer object in the running server, through both bindings.
class ServerClient {
public:
    // Creates the object (CLSCTX_LOCAL_SERVER); false with a message on stderr when it fails.
    bool Create();

    IOrderServer* Early() const { return early_.Get(); }

    HRESULT NewOrderEarly(LONG refId);
    HRESULT NewOrderLate(LONG refId);
    // Status stays 4 when the server has no answer.
    HRESULT GetOrderStatusEarly(LONG refId, LONG& status);
    HRESULT GetOrderStatusLate(LONG refId, LONG& status);
    HRESULT GetPositionInfoEarly();
    HRESULT GetPositionInfoLate();
    HRESULT GetAccountInfoEarly();
    HRESULT GetAccountInfoLate();

private:
    HRESULT Invoke(DISPID id, std::vector<VARIANT>& reversedArgs, VARIANT* result);

    ComRef<IOrderServer> early_;
    ComRef<IDispatch> late_;
    Variant symbol_{BenchOrder::kSymbol};
    Variant empty_{L""};
};

double NowMs();  // QueryPerformanceCounter, milliseconds

struct Figures {
    size_t count = 0;
    double p50 = 0, p99 = 0, max = 0, mean = 0;
};
Figures Summarise(std::vector<double> values);

void PrintFigure(const std::string& name, double value);
void PrintFigures(const std::string& name, const Figures& f);  // name_p50, _p99, _max, _n
// "<label>, ms: p50 .. p99 .. max ..<note>" for a reader, then the figures under `name`.
void PrintLatency(const std::string& label, const std::string& name, const Figures& f,
                  const std::string& note = "");

std::wstring Widen(const std::string& text);

// Writes the file under `<path>.tmp` and renames it into place, as NinjaTrader's files and the
// server's instruction files appear: whole. False when either step fails.
bool PlaceFileWhole(const std::string& path, const std::string& content);

// A line of the running server's About page by its control id; "" when not found.
std::string ServerLabelText(int id);
// The scans the running server has made of OUTGOING, and the hosts' event sinks it counts, read
// from its About page; -1 when the server's window or the line cannot be found.
long long ServerScanCount();
long long ServerEventSubscribers();

}  // namespace bench

}  // namespace ordersrv
