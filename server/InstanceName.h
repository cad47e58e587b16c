#pragma once
// Names that identify this program among running processes.
#include <string>

namespace ordersrv {

// The title the program goes by before its main window exists: the executable's file name
// without folder, cut before its first ".", every character after the first in lower case.
// "C:\\Apps\\OrderSrv.EXE" gives "Ordersrv".
std::string ApplicationTitleFromPath(const std::string& executablePath);

// Name of the single-instance mutex: "PREVINST:" + the application title.
std::string InstanceMutexName(const std::string& executablePath);

}  // namespace ordersrv
