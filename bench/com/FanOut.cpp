// One change to many subscribed sinks: host processes (combench sinkhost) each subscribe their
// share of the sinks through one object, and every sink notes when it heard the change in a
// memory block all of them share; the measuring process rewrites a position file and reads,
// for each change, when the first and the last sink heard it (the performance counter is the
// same clock in every process of the machine). With a hold time it keeps the sinks subscribed
// afterwards, first quiet, then with a change each second, so that another benchmark can run
// beside both.
#include <ocidl.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "bench/com/Benchmarks.h"
#include "tools/EventSinkBase.h"

namespace ordersrv {

namespace bench {

namespace {

// The shared block: how many sinks and changes, then when sink i heard change c (ms, 0 = not
// yet) at [c * sinks + i].
struct Arrivals {
    LONG sinks;
    LONG changes;
    double heardAt[1];
};

size_t BlockSize(int sinks, int changes) {
    return sizeof(Arrivals) + sizeof(double) * static_cast<size_t>(sinks) * changes;
}

std::wstring StopEventName(const std::string& block) { return Widen(block + ".stop"); }

// Hears PositionChanged, whose size names the change (1 for the first).
class ArrivalSink final : public EventSinkBase {
public:
    ArrivalSink(Arrivals* arrivals, LONG index)
        : EventSinkBase(DIID_IOrderServerEvents), arrivals_(arrivals), index_(index) {}
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                     EXCEPINFO*, UINT*) override {
        if (id != 2 || params->cArgs != 3) return S_OK;
        const LONG change = V_I4(&params->rgvarg[1]) - 1;  // PosSize, last argument first
        if (change >= 0 && change < arrivals_->changes) {
            double& at = arrivals_->heardAt[change * arrivals_->sinks + index_];
            if (at == 0) at = NowMs();
        }
        return S_OK;
    }

private:
    Arrivals* arrivals_;
    LONG index_;
};

class SharedBlock {
public:
    SharedBlock(const std::string& name, size_t size, bool create) {
        const std::wstring wide = Widen(name);
        mapping_ = create ? CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                               static_cast<DWORD>(size), wide.c_str())
                          : OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, wide.c_str());
        if (mapping_) view_ = MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, 0);
    }
    ~SharedBlock() {
        if (view_) UnmapViewOfFile(view_);
        if (mapping_) CloseHandle(mapping_);
    }
    SharedBlock(const SharedBlock&) = delete;
    SharedBlock& operator=(const SharedBlock&) = delete;
    Arrivals* Get() const { return static_cast<Arrivals*>(view_); }

private:
    HANDLE mapping_ = nullptr;
    void* view_ = nullptr;
};

bool StartSinkHost(const std::string& block, int first, int count, PROCESS_INFORMATION& started) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) + L"\" sinkhost " + Widen(block) + L" " +
                           std::to_wstring(first) + L" " + std::to_wstring(count);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    return CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &started) != FALSE;
}

// The floor of one change: as many calls across processes as there are sinks, four at a time,
// from this process to the server (GetAccountInfo does nothing); ms for all of them.
double CallsFourAtATime(IOrderServer* server, int calls) {
    const double start = NowMs();
    std::vector<std::thread> callers;
    for (int t = 0; t < 4; ++t)
        callers.emplace_back([server, calls, t] {
            Apartment apartment;
            for (int i = t; i < calls; i += 4) {
                Variant info;
                VARIANT_BOOL known = VARIANT_FALSE;
                server->GetAccountInfo(&info, &known);
            }
        });
    for (std::thread& caller : callers) caller.join();
    return NowMs() - start;
}

bool WaitForSubscribers(long long count, DWORD ms) {
    for (DWORD waited = 0; waited < ms; waited += 100) {
        if (ServerEventSubscribers() == count) return true;
        Sleep(100);
    }
    return false;
}

}  // namespace

int RunSinkHost(const std::string& block, int first, int count) {
    Apartment apartment;
    SharedBlock shared(block, 0, false);
    HANDLE stop = OpenEventW(SYNCHRONIZE, FALSE, StopEventName(block).c_str());
    ServerClient server;
    if (!apartment.Ok() || !shared.Get() || !stop || !server.Create()) return 1;
    ComRef<IConnectionPointContainer> container;
    ComRef<IConnectionPoint> point;
    if (FAILED(server.Early()->QueryInterface(IID_IConnectionPointContainer,
                                              reinterpret_cast<void**>(container.Out()))) ||
        FAILED(container->FindConnectionPoint(DIID_IOrderServerEvents, point.Out())))
        return 1;
    std::vector<ArrivalSink> sinks;
    sinks.reserve(count);
    std::vector<DWORD> cookies;
    for (int i = 0; i < count; ++i) {
        sinks.emplace_back(shared.Get(), first + i);
        DWORD cookie = 0;
        if (FAILED(point->Advise(&sinks.back(), &cookie))) return 1;
        cookies.push_back(cookie);
    }
    WaitForSingleObject(stop, INFINITE);
    for (DWORD cookie : cookies) point->Unadvise(cookie);
    CloseHandle(stop);
    return 0;
}

int RunFanOut(const std::string& outgoing, int sinks, int hosts, int changes, int holdSeconds) {
    Apartment apartment;
    ServerClient server;  // keeps the server's object model busy as a host would
    if (!apartment.Ok() || !server.Create() || sinks < hosts || hosts < 1) return 1;
    const std::string name = "fanout" + std::to_string(sinks);
    const std::string block = "combench-" + name + "-" + std::to_string(GetCurrentProcessId());
    SharedBlock shared(block, BlockSize(sinks, changes), true);
    HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, StopEventName(block).c_str());
    if (!shared.Get() || !stop) return 1;
    Arrivals& arrivals = *shared.Get();
    arrivals.sinks = sinks;
    arrivals.changes = changes;

    std::vector<PROCESS_INFORMATION> started;
    for (int h = 0; h < hosts; ++h) {
        const int first = sinks * h / hosts, last = sinks * (h + 1) / hosts;
        PROCESS_INFORMATION process{};
        if (!StartSinkHost(block, first, last - first, process)) return 1;
        started.push_back(process);
    }
    const double subscribing = NowMs();
    if (!WaitForSubscribers(sinks, 120000)) {
        std::fprintf(stderr, "combench: %d sinks did not subscribe\n", sinks);
        SetEvent(stop);
        return 1;
    }
    PrintFigure(name + "_subscribe_ms", NowMs() - subscribing);

    const std::string position = outgoing + "\\FANOUT GLOBEX_SIM101_POSITION.TXT";
    std::mt19937 random(17);
    std::vector<double> firstAfterFile, lastAfterFile, lastAfterFirst, floor;
    int unheard = 0;
    for (int c = 0; c < changes; ++c) floor.push_back(CallsFourAtATime(server.Early(), sinks));
    for (int c = 0; c < changes; ++c) {
        Sleep(50 + random() % 51);
        if (!PlaceFileWhole(position, "LONG;" + std::to_string(c + 1) + ";1.5\r\n")) return 1;
        const double written = NowMs();
        const double* heard = &arrivals.heardAt[static_cast<size_t>(c) * sinks];
        while (NowMs() - written < 10000 &&
               std::count(heard, heard + sinks, 0.0) > 0)
            Sleep(1);
        const int missing = static_cast<int>(std::count(heard, heard + sinks, 0.0));
        unheard += missing;
        if (missing > 0) continue;
        const auto [first, last] = std::minmax_element(heard, heard + sinks);
        firstAfterFile.push_back(*first - written);
        lastAfterFile.push_back(*last - written);
        lastAfterFirst.push_back(*last - *first);
    }
    const std::string shape =
        " (" + std::to_string(sinks) + " sinks in " + std::to_string(hosts) + " processes, " +
        std::to_string(changes) + " changes, " + std::to_string(unheard) + " calls not heard)";
    PrintLatency("Position file to the first sink", name + "_first_ms", Summarise(firstAfterFile));
    PrintLatency("Position file to the last sink", name + "_last_ms", Summarise(lastAfterFile));
    PrintLatency("First sink to the last", name + "_spread_ms", Summarise(lastAfterFirst), shape);
    PrintLatency("Floor: as many calls to the server, four at a time", name + "_floor_ms",
                 Summarise(floor));
    PrintFigure(name + "_unheard", unheard);

    if (holdSeconds > 0) {
        // Quiet until fanout-busy.txt appears beside OUTGOING, then a change each second, until
        // fanout-stop.txt appears there; holdSeconds at the most.
        const std::string beside = outgoing + "\\..\\";
        const auto there = [&beside](const char* name) {
            return GetFileAttributesA((beside + name).c_str()) != INVALID_FILE_ATTRIBUTES;
        };
        std::printf("holding %d sinks, quiet\n", sinks);
        const double start = NowMs();
        while (!there("fanout-busy.txt") && NowMs() - start < holdSeconds * 1000.0) Sleep(100);
        std::printf("holding %d sinks, a change each second\n", sinks);
        for (int c = changes + 1; !there("fanout-stop.txt") && NowMs() - start < holdSeconds * 1000.0;
             ++c) {
            PlaceFileWhole(position, "LONG;" + std::to_string(c) + ";1.5\r\n");
            Sleep(1000);
        }
    }
    PrintFigure(name + "_subscribed_at_end", static_cast<double>(ServerEventSubscribers()));
    SetEvent(stop);
    for (const PROCESS_INFORMATION& process : started) {
        WaitForSingleObject(process.hProcess, 30000);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    DeleteFileA(position.c_str());
    CloseHandle(stop);
    return 0;
}

}  // namespace bench

}  // namespace ordersrv
