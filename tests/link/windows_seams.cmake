# The tests of the link's Windows seams, run under Wine (scripts/wine-test.sh). For as long as
# link does not build for Windows, the Windows build takes this file from tests/CMakeLists.txt.
set(vn_link_tests ${CMAKE_CURRENT_LIST_DIR})
# The D2XX seam's contract against the simulated ftd2xx.dll, found by its plain name beside the
# test as the program finds the vendor's beside it.
vn_add_gtest(d2xx_library_windows_test
             SOURCES ${vn_link_tests}/d2xx_library_test.cpp ${vn_link_tests}/d2xx_sim_loader_windows.cpp
             LIBS link_windows_seams protocol gyrosim)
target_compile_definitions(d2xx_library_windows_test PRIVATE VN340_SIM_D2XX="ftd2xx.dll")
add_dependencies(d2xx_library_windows_test ftd2xx_sim)
add_custom_command(TARGET d2xx_library_windows_test POST_BUILD
                   COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:ftd2xx_sim>
                           $<TARGET_FILE_DIR:d2xx_library_windows_test>)
# The registry's list of serial ports, scripted and read from the registry.
vn_add_gtest(serial_comm_windows_test
             SOURCES ${vn_link_tests}/serial_comm_test.cpp ${vn_link_tests}/serial_comm_registry_test.cpp
             LIBS link_windows_seams)
# WM_DEVICECHANGE's broadcasts, scripted.
vn_add_gtest(device_broadcasts_test SOURCES ${vn_link_tests}/device_broadcasts_test.cpp
             LIBS link_windows_seams)
