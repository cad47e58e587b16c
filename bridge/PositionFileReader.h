#pragma once
// Reads one position file "<symbol> <exchange>_<account>_POSITION.TXT" from OUTGOING: a file of
// the configured account gives its symbol's position in the position book; a malformed name or
// first line gives a "PUF <...>" log line. Main thread.
#include <string>

#include "bridge/ListedFile.h"

namespace ordersrv {

class Engine;

// `baseName` is the upper-cased file name less its "_POSITION.TXT" suffix.
OutgoingRead ReadPositionFile(Engine& engine, const std::string& baseName, const ListedFile& file);

}  // namespace ordersrv
