# Every target of ours links vn_warnings, so third-party code is never built with -Werror.
add_library(vn_warnings INTERFACE)
target_compile_options(vn_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                                             -Wold-style-cast -Wcast-align -Woverloaded-virtual)
if(VN_WERROR)
    target_compile_options(vn_warnings INTERFACE -Werror)
endif()
