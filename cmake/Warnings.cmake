# Every target of ours links vn_warnings, so third-party code is never built with -Werror.
add_library(vn_warnings INTERFACE)
target_compile_options(vn_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                                             -Wold-style-cast -Wcast-align -Woverloaded-virtual)
if(VN_WERROR)
    target_compile_options(vn_warnings INTERFACE -Werror)
endif()

# GCC 12 at -O3 (the Release build) takes libstdc++'s own `"text" + std::string` for an
# overlapping copy: a false -Wrestrict inside the library's headers, gone in GCC 13. It stays a
# warning there so that a Release build is not stopped by it.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(vn_warnings INTERFACE $<$<CONFIG:Release>:-Wno-error=restrict>)
endif()
