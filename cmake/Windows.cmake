# Windows: the program itself, and the tests that run it under Wine.
target_sources(orvane_logic PRIVATE platform/WinCodePage.cpp)
add_library(orvane_winenv STATIC platform/WinEnv.cpp)
target_link_libraries(orvane_winenv PUBLIC orvane_logic shell32 advapi32)

add_library(orvane_framework STATIC
    framework/WinApp.cpp
    framework/CommandLineTail.cpp
    framework/Window.cpp)
target_include_directories(orvane_framework PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(orvane_framework PUBLIC user32 gdi32)

add_library(orvane_ui STATIC
    ui/PictureBox.cpp
    ui/TemplatesAddedDlg.cpp)
target_link_libraries(orvane_ui PUBLIC orvane_framework orvane_logic)

# Everything static, so Orvane.exe needs no runtime DLL beside it.
set(ORVANE_STATIC_LINK -static -static-libgcc -static-libstdc++)

add_executable(Orvane WIN32 app/OrvaneApp.cpp ui/Orvane.rc)
target_link_libraries(Orvane PRIVATE orvane_ui orvane_winenv)
target_link_options(Orvane PRIVATE ${ORVANE_STATIC_LINK})
set_target_properties(Orvane PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# GoogleTest from Debian's sources, built with the cross toolchain.
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

# Starts a program with an exact command line and waits for it.
add_executable(orvane_launch tests/windows/Launch.cpp)
target_link_options(orvane_launch PRIVATE ${ORVANE_STATIC_LINK})

# Probes the windows of a running program for the GUI tests.
add_executable(orvane_probe tests/windows/Probe.cpp)
target_link_libraries(orvane_probe PRIVATE user32)
target_link_options(orvane_probe PRIVATE ${ORVANE_STATIC_LINK})

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

if(ORVANE_RUN_TESTS)
    # Both run through CMAKE_CROSSCOMPILING_EMULATOR: Wine in a private prefix.
    add_test(NAME windows.units COMMAND orvane_windows_tests)
    add_test(NAME windows.dialogs COMMAND orvane_dialog_tests)
    foreach(script commandline registry deploy customise gui stress hostile)
        add_test(NAME wine.${script}
                 COMMAND bash ${CMAKE_SOURCE_DIR}/tests/wine/${script}.sh ${CMAKE_BINARY_DIR})
    endforeach()
    set_tests_properties(windows.dialogs wine.gui PROPERTIES RESOURCE_LOCK display)
endif()
