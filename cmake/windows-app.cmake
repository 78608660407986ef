# The window on Windows: the program with the Qt DLLs it needs beside it, and its installer.
# Written for a Windows machine with Qt 6 for MSVC or MinGW (docs/windows.md); NOT BUILT HERE:
# the cross build on Linux has no Qt for Windows and configures with -DVN_GUI=OFF.
if(NOT TARGET vn340-config)
    return()
endif()

# A window program: no console window behind it. Its folder (bin/ of the installation) holds
# the program, the Qt DLLs and the demo's simulated adapter; it is not the pilot's to write in
# under Program Files, so the preferences go to %APPDATA%\tarvelrc there.
set_target_properties(vn340-config PROPERTIES WIN32_EXECUTABLE ON)
set(vn_bin "${CMAKE_INSTALL_BINDIR}")

# windeployqt comes with Qt, beside qmake.
get_target_property(vn_qmake Qt6::qmake IMPORTED_LOCATION)
get_filename_component(vn_qt_bin "${vn_qmake}" DIRECTORY)
find_program(VN_WINDEPLOYQT windeployqt HINTS "${vn_qt_bin}" REQUIRED)
set(vn_deploy_options --no-translations --no-system-d3d-compiler --no-opengl-sw --no-compiler-runtime)
# In the build folder, so the program starts from there too.
add_custom_command(TARGET vn340-config POST_BUILD
                   COMMAND "${VN_WINDEPLOYQT}" ${vn_deploy_options} $<TARGET_FILE:vn340-config>
                   COMMENT "The Qt DLLs beside vn340-config.exe" VERBATIM)
# And into the installed folder, from which the installer is packed.
install(CODE "execute_process(COMMAND \"${VN_WINDEPLOYQT}\" ${vn_deploy_options}
                              --dir \"\${CMAKE_INSTALL_PREFIX}/${vn_bin}\"
                              \"\${CMAKE_INSTALL_PREFIX}/${vn_bin}/vn340-config.exe\"
                              COMMAND_ERROR_IS_FATAL ANY)")
# MinGW's runtime DLLs, where the program was built with MinGW (MSVC's come with windeployqt's
# --compiler-runtime, or the system's redistributable).
if(MINGW)
    get_filename_component(vn_mingw_bin "${CMAKE_CXX_COMPILER}" DIRECTORY)
    foreach(dll IN ITEMS libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
        if(EXISTS "${vn_mingw_bin}/${dll}")
            install(FILES "${vn_mingw_bin}/${dll}" DESTINATION ${vn_bin})
        endif()
    endforeach()
endif()
# The demo's simulated adapter, in a folder of its own: the vendor's ftd2xx.dll, when the pilot
# has it, is the one found beside the program or in the system's folder.
if(TARGET ftd2xx_sim)
    install(TARGETS ftd2xx_sim RUNTIME DESTINATION ${vn_bin}/demo)
endif()

# `cpack -G NSIS` (or `cpack -G WIX`) in the build folder makes the installer.
set(CPACK_GENERATOR NSIS)
set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_PACKAGE_NAME vn340-config)
set(CPACK_PACKAGE_VENDOR "Tarvel RC")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configuration editor for the Tarvel RC vn340 gyro")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "Tarvel RC\\vn340 Configuration")
set(CPACK_PACKAGE_EXECUTABLES vn340-config "vn340 Configuration")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/packaging/copyright)
set(CPACK_NSIS_DISPLAY_NAME "vn340 Configuration")
set(CPACK_NSIS_INSTALLED_ICON_NAME ${vn_bin}/vn340-config.exe)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
# The settings files open with the program.
# With CPACK_VERBATIM_VARIABLES the texts reach NSIS as CMake reads them: "\\" is one
# backslash, "$\\\"" is NSIS's escaped quote $\".
set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS
    "WriteRegStr HKCR '.tsf' '' 'vn340config.settings'
     WriteRegStr HKCR 'vn340config.settings\\shell\\open\\command' '' '$\\\"$INSTDIR\\${vn_bin}\\vn340-config.exe$\\\" $\\\"%1$\\\"'")
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS
    "DeleteRegKey HKCR '.tsf'
     DeleteRegKey HKCR 'vn340config.settings'")
set(CPACK_WIX_UPGRADE_GUID 6C1C4B7E-1A0B-4C53-9E56-2F3A5D0B9A41)
include(CPack)
