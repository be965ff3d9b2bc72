# The GoogleTest programs against the real registry, files, shell and
# windows, run under Wine in a private prefix.

# GoogleTest from Debian's sources, built with the cross toolchain.
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

add_executable(orvane_windows_tests
    tests/windows/RegistryTest.cpp
    tests/windows/FileSystemTest.cpp
    tests/windows/FileTest.cpp
    tests/windows/TestMain.cpp
    tests/windows/WinTestSupport.cpp)
target_link_libraries(orvane_windows_tests PRIVATE orvane_winenv gtest)
target_link_options(orvane_windows_tests PRIVATE ${ORVANE_STATIC_LINK})

add_executable(orvane_dialog_tests tests/windows/DialogTest.cpp tests/windows/TestMain.cpp
    ui/Orvane.rc)
target_link_libraries(orvane_dialog_tests PRIVATE orvane_ui gtest)
target_link_options(orvane_dialog_tests PRIVATE ${ORVANE_STATIC_LINK})

# Both run through CMAKE_CROSSCOMPILING_EMULATOR: Wine in a private prefix.
add_test(NAME windows.units COMMAND orvane_windows_tests)
add_test(NAME windows.dialogs COMMAND orvane_dialog_tests)
set_tests_properties(windows.dialogs PROPERTIES RESOURCE_LOCK display)
