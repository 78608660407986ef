# Debian's hardening flags (dpkg-buildflags with hardening=+all on Debian 12), so that the
# package is built as the distribution builds its own: a stack protector, checked string and
# memory functions where the compiler optimises (they need it), format checks, a read-only
# relocation table bound at load. The program is position-independent already.
# Sanitizer and fuzzing builds go without: they watch the same faults their own way, and so
# does the Windows build, whose linker knows no ELF relocation tables, and the WebAssembly
# build, whose module the browser keeps apart from its own memory.
option(VN_HARDEN "Build with Debian's hardening flags" ON)
if(VN_HARDEN AND NOT VN_SANITIZE AND NOT VN_FUZZ AND NOT WIN32 AND NOT EMSCRIPTEN)
    add_compile_options(-fstack-protector-strong -Wformat -Werror=format-security
        "$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-D_FORTIFY_SOURCE=2>")
    add_link_options(-Wl,-z,relro -Wl,-z,now)
endif()
