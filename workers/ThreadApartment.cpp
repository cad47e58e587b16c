#include "workers/ThreadApartment.h"

#ifdef _WIN32
#include <objbase.h>
#endif

ThreadApartment::ThreadApartment() {
#ifdef _WIN32
    // S_FALSE (already entered) still has to be balanced by CoUninitialize.
    entered_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
#endif
}

ThreadApartment::~ThreadApartment() {
#ifdef _WIN32
    if (entered_) CoUninitialize();
#endif
}
