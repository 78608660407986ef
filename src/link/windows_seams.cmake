# The link's seams for Windows, in a static library of their own for as long as link itself does
# not build for Windows (it needs Qt and libudev so far); the Windows build takes this file from
# src/CMakeLists.txt. Once link builds for Windows, these files join it (the platform-free ones
# are link's already) and link's own CMakeLists.txt includes this file no more.
set(vn_link_dir ${CMAKE_CURRENT_LIST_DIR})
add_library(link_windows_seams STATIC
    # The D2XX library by LoadLibraryW, its event a Win32 event.
    ${vn_link_dir}/d2xx_library_windows.cpp
    # The serial ports from the registry, offered by port discovery.
    ${vn_link_dir}/serial_comm_registry.cpp
    ${vn_link_dir}/serial_comm.cpp
    ${vn_link_dir}/port_discovery.cpp
    # WM_DEVICECHANGE's broadcasts made into device events.
    ${vn_link_dir}/device_broadcasts_windows.cpp
    ${vn_link_dir}/device_identities.cpp
)
target_include_directories(link_windows_seams PUBLIC ${vn_link_dir}/..)
target_link_libraries(link_windows_seams PUBLIC base PRIVATE vn_warnings setupapi)
set_target_properties(link_windows_seams PROPERTIES AUTOMOC OFF AUTORCC OFF)
# The native event filter that feeds the broadcasts needs Qt for Windows, which the cross build
# has not: it is built on a Windows machine only (docs/windows.md).
if(TARGET Qt6::Core)
    target_sources(link_windows_seams PRIVATE ${vn_link_dir}/device_events_windows.cpp)
    target_link_libraries(link_windows_seams PUBLIC Qt6::Widgets)
endif()
