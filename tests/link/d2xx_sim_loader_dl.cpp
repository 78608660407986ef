#include <dlfcn.h>

#include "d2xx_sim_control.h"

namespace vn340::testing::sim_loader {

void* open(const std::string& library) {
    return ::dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* find(void* library, const char* name) {
    return ::dlsym(library, name);
}

void close(void* library) {
    ::dlclose(library);
}

}  // namespace vn340::testing::sim_loader
