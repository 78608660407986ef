#include <windows.h>

#include <algorithm>
#include <cstring>

#include "d2xx_sim_control.h"

namespace vn340::testing::sim_loader {

void* open(const std::string& library) {
    std::wstring name(library.begin(), library.end());
    std::replace(name.begin(), name.end(), L'/', L'\\');
    return ::LoadLibraryW(name.c_str());
}

void* find(void* library, const char* name) {
    const FARPROC found = ::GetProcAddress(static_cast<HMODULE>(library), name);
    void* address = nullptr;
    static_assert(sizeof address == sizeof found);
    std::memcpy(&address, &found, sizeof found);
    return address;
}

void close(void* library) {
    ::FreeLibrary(static_cast<HMODULE>(library));
}

}  // namespace vn340::testing::sim_loader
