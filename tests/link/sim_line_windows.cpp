#include <windows.h>

#include <cstdlib>

#include "sim_line.h"

namespace vn340::test {
namespace {

// Wine lets a second handle open a COM port that is open already; Windows refuses it.
bool underWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace

std::optional<SimLine> simLine(std::string* why) {
    const char* port = std::getenv(kTestPortVariable);
    if (port == nullptr || *port == '\0') {
        *why = std::string(kTestPortVariable) +
               " names no COM port with vn340-sim at its other end (scripts/wine-test.sh "
               "maps one)";
        return std::nullopt;
    }
    const char* options = std::getenv(kTestSimOptionsVariable);
    return SimLine{port, "COM199", options != nullptr ? options : "", !underWine()};
}

}  // namespace vn340::test
