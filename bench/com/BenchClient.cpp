#include "bench/com/BenchClient.h"

#include <algorithm>
#include <cstdio>
#include <numeric>

#include "tools/InvokeArguments.h"

namespace ordersrv {

namespace bench {

namespace {

using namespace invokearg;

// DISPIDs of the members, as the type library gives them.
constexpr DISPID kNewOrder = 2, kGetOrderStatus = 4, kGetPositionInfo = 6, kGetAccountInfo = 8;

// A BSTR argument that the caller keeps owning (no copy per call, as a host keeps its strings).
VARIANT Borrowed(const VARIANT& text) {
    VARIANT v = text;
    return v;
}

}  // namespace

bool ServerClient::Create() {
    const HRESULT hr = CoCreateInstance(CLSID_OrderServer, nullptr, CLSCTX_LOCAL_SERVER,
                                        IID_IOrderServer, reinterpret_cast<void**>(early_.Out()));
    if (FAILED(hr)) {
        early_.Abandon();
        std::fprintf(stderr, "combench: CoCreateInstance(OrderServer) failed 0x%08lx\n",
                     static_cast<unsigned long>(hr));
        return false;
    }
    const HRESULT qi = early_->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(late_.Out()));
    if (FAILED(qi)) {
        late_.Abandon();
        std::fprintf(stderr, "combench: QueryInterface(IDispatch) failed 0x%08lx\n",
                     static_cast<unsigned long>(qi));
        return false;
    }
    return true;
}

HRESULT ServerClient::Invoke(DISPID id, std::vector<VARIANT>& reversedArgs, VARIANT* result) {
    DISPPARAMS params = {reversedArgs.data(), nullptr, static_cast<UINT>(reversedArgs.size()), 0};
    return late_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result,
                         nullptr, nullptr);
}

HRESULT ServerClient::NewOrderEarly(LONG refId) {
    return early_->NewOrder(symbol_, empty_, 0, empty_, BenchOrder::kType, BenchOrder::kTimeFrame,
                            BenchOrder::kModifier, BenchOrder::kSize, BenchOrder::kPrice, refId);
}

HRESULT ServerClient::NewOrderLate(LONG refId) {
    std::vector<VARIANT> args = {Long(refId),
                                 Double(BenchOrder::kPrice),
                                 Long(BenchOrder::kSize),
                                 Long(BenchOrder::kModifier),
                                 Long(BenchOrder::kTimeFrame),
                                 Long(BenchOrder::kType),
                                 Borrowed(empty_),
                                 Long(0),
                                 Borrowed(empty_),
                                 Borrowed(symbol_)};
    return Invoke(kNewOrder, args, nullptr);
}

HRESULT ServerClient::GetOrderStatusEarly(LONG refId, LONG& status) {
    LONG size = 0;
    double price = 0;
    VARIANT_BOOL known = VARIANT_FALSE;
    status = 4;
    return early_->GetOrderStatus(refId, &status, &size, &price, &known);
}

HRESULT ServerClient::GetOrderStatusLate(LONG refId, LONG& status) {
    LONG size = 0;
    double price = 0;
    status = 4;
    std::vector<VARIANT> args = {DoublePlace(&price), LongPlace(&size), LongPlace(&status), Long(refId)};
    Variant result;
    return Invoke(kGetOrderStatus, args, &result);
}

HRESULT ServerClient::GetPositionInfoEarly() {
    LONG size = 0;
    double cost = 0;
    VARIANT_BOOL known = VARIANT_FALSE;
    return early_->GetPositionInfo(symbol_, empty_, 0, empty_, &size, &cost, &known);
}

HRESULT ServerClient::GetPositionInfoLate() {
    LONG size = 0;
    double cost = 0;
    std::vector<VARIANT> args = {DoublePlace(&cost), LongPlace(&size), Borrowed(empty_), Long(0),
                                 Borrowed(empty_), Borrowed(symbol_)};
    Variant result;
    return Invoke(kGetPositionInfo, args, &result);
}

HRESULT ServerClient::GetAccountInfoEarly() {
    Variant info;
    VARIANT_BOOL answer = VARIANT_FALSE;
    return early_->GetAccountInfo(&info, &answer);
}

HRESULT ServerClient::GetAccountInfoLate() {
    Variant info;
    std::vector<VARIANT> args = {VariantPlace(&info)};
    Variant result;
    return Invoke(kGetAccountInfo, args, &result);
}

double NowMs() {
    static const double perMs = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / perMs;
}

Figures Summarise(std::vector<double> values) {
    Figures f;
    f.count = values.size();
    if (values.empty()) return f;
    std::sort(values.begin(), values.end());
    const auto at = [&values](double q) {
        const size_t i = static_cast<size_t>(q * static_cast<double>(values.size() - 1) + 0.5);
        return values[std::min(values.size() - 1, i)];
    };
    f.p50 = at(0.50);
    f.p99 = at(0.99);
    f.max = values.back();
    f.mean = std::accumulate(values.begin(), values.end(), 0.0) / static_cast<double>(values.size());
    return f;
}

void PrintFigure(const std::string& name, double value) {
    std::printf("FIGURE %s %.3f\n", name.c_str(), value);
}

void PrintLatency(const std::string& label, const std::string& name, const Figures& f,
                  const std::string& note) {
    std::printf("%s, ms: p50 %.3f p99 %.3f max %.3f%s\n", label.c_str(), f.p50, f.p99, f.max,
                note.c_str());
    PrintFigures(name, f);
}

void PrintFigures(const std::string& name, const Figures& f) {
    PrintFigure(name + "_n", static_cast<double>(f.count));
    PrintFigure(name + "_p50", f.p50);
    PrintFigure(name + "_p99", f.p99);
    PrintFigure(name + "_max", f.max);
    PrintFigure(name + "_mean", f.mean);
}

std::wstring Widen(const std::string& text) {
    if (text.empty()) return std::wstring();
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
    return wide;
}

bool PlaceFileWhole(const std::string& path, const std::string& content) {
    const std::string staged = path + ".tmp";
    HANDLE file = CreateFileA(staged.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD n = 0;
    const bool written = WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &n,
                                   nullptr) &&
                         n == content.size();
    CloseHandle(file);
    return written &&
           MoveFileExA(staged.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

namespace {

struct LabelSearch {
    int id;
    HWND found;
};

BOOL CALLBACK FindLabel(HWND child, LPARAM data) {
    auto* search = reinterpret_cast<LabelSearch*>(data);
    if (GetDlgCtrlID(child) != search->id) return TRUE;
    search->found = child;
    return FALSE;
}

}  // namespace

std::string ServerLabelText(int id) {
    HWND window = FindWindowA("TNTOrderServerForm", nullptr);
    if (!window) return "";
    LabelSearch search{id, nullptr};
    EnumChildWindows(window, FindLabel, reinterpret_cast<LPARAM>(&search));
    if (!search.found) return "";
    char text[128] = {};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(search.found, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                             SMTO_BLOCK, 2000, &copied))
        return "";
    return text;
}

long long ServerScanCount() {
    constexpr int kScansLabelId = 142;  // the About page's "OUTGOING: <n> scans, ..." line
    long long scans = -1;
    return std::sscanf(ServerLabelText(kScansLabelId).c_str(), "OUTGOING: %lld", &scans) == 1
               ? scans
               : -1;
}

long long ServerEventSubscribers() {
    constexpr int kSubscribersLabelId = 143;  // "Event subscribers: <n>"
    long long count = -1;
    return std::sscanf(ServerLabelText(kSubscribersLabelId).c_str(), "Event subscribers: %lld",
                       &count) == 1
               ? count
               : -1;
}

}  // namespace bench

}  // namespace ordersrv
