#pragma once
// An engine with its instruction writer and outgoing scanner for one fuzz input: fresh books every time, the event queue
// thread not started, and a scratch NinjaTrader folder shared by the whole run.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bridge/InstructionWriter.h"
#include "bridge/OutgoingScanner.h"
#include "engine/Engine.h"
#include "platform/FileSystem.h"
#include "tests/support/QueueTarget.h"
#include "workers/EventQueue.h"

namespace ordersrv {

// Where scratch files go: ORDERSRV_FUZZ_SCRATCH (the fuzz script points it into a folder it
// removes, since libFuzzer may end a run without running destructors), else memory-backed
// storage where there is some (every written file is flushed, and that is the slow part).
inline std::string FuzzScratchBase() {
    const char* chosen = std::getenv("ORDERSRV_FUZZ_SCRATCH");
    if (chosen && *chosen) {
        plat::MakeFolder(chosen);
        return chosen;
    }
    return plat::FolderExists("/dev/shm") ? "/dev/shm" : "/tmp";
}

// A folder under the scratch place, made once per process.
inline const std::string& FuzzScratchFolder() {
    static const std::string folder = [] {
        std::string path = FuzzScratchBase() + "/ordersrv-fuzz-" + std::to_string(getpid());
        plat::MakeFolder(path);
        plat::MakeFolder(path + "/INCOMING");
        plat::MakeFolder(path + "/OUTGOING");
        return path;
    }();
    static const struct Remover {
        ~Remover() {
            std::error_code ignored;
            std::filesystem::remove_all(folder, ignored);
        }
    } remover;
    return folder;
}

struct FuzzBridge {
    FuzzBridge() : pool(64), events(pool), engine(window, events), writer(engine),
                   scanner(engine, writer) {
        engine.settings.location = FuzzScratchFolder();
        engine.settings.account = "SIM101";
    }
    std::vector<std::string> LogLines() const {
        std::vector<std::string> lines;
        std::string line;
        for (size_t i = 0; engine.log.Line(i, line); ++i) lines.push_back(line);
        return lines;
    }

    testsupport::QueueTarget window;
    EventPool pool;
    EventQueue events;
    Engine engine;
    InstructionWriter writer;
    OutgoingScanner scanner;
};

}  // namespace ordersrv
