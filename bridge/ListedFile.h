#pragma once
// A file of OUTGOING as the scan hands it to its reader, and what reading it did: the scan
// decides from the answer when the file is opened again.
#include <string>
#include <utility>

#include "platform/FileSystem.h"

namespace ordersrv {

struct ListedFile {
    explicit ListedFile(std::string filePath, plat::FileStamp listed = {}, bool told = false)
        : path(std::move(filePath)), stamp(listed), faultsTold(told) {}

    std::string path;
    plat::FileStamp stamp;    // size and write time as listed (unknown when read on its own)
    bool faultsTold = false;  // this version of the file was read before: a fault in it was
                              // logged then, and is not logged again
};

enum class OutgoingRead {
    Taken,     // what the file says was applied, or its fault logged: not opened again until
               // it changes
    Retry,     // nothing could be taken yet (not readable, no line yet, not deleted yet)
    Awaiting,  // a state file of an order the book does not know: read once the book knows it
    Removed,   // the order ended and its file was deleted
};

}  // namespace ordersrv
