# Windows: the program itself and its test tools (win32 thread model), or the
# GoogleTest programs (posix thread model, in a build of their own).
target_sources(orvane_logic PRIVATE platform/WinCodePage.cpp)
add_library(orvane_winenv STATIC platform/WinEnv.cpp platform/WinRegistry.cpp platform/WinRunLog.cpp
    platform/WinSystem.cpp platform/WinTurn.cpp platform/ExactText.cpp platform/DllSearch.cpp)
# Only the system libraries every Windows has are imported (see the audit).
target_link_libraries(orvane_winenv PUBLIC orvane_logic advapi32)

add_library(orvane_framework STATIC
    framework/WinApp.cpp
    framework/CommandLineTail.cpp
    framework/Window.cpp)
target_include_directories(orvane_framework PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(orvane_framework PUBLIC user32 gdi32)

add_library(orvane_ui STATIC
    ui/PictureBox.cpp
    ui/TemplatesAddedDlg.cpp)
# The resource script includes the generated version header.
target_include_directories(orvane_ui PUBLIC ${CMAKE_BINARY_DIR}/generated)
target_link_libraries(orvane_ui PUBLIC orvane_framework orvane_logic)

# Everything static, so no runtime DLL goes beside a program.
set(ORVANE_STATIC_LINK -static -static-libgcc -static-libstdc++)

# The project's version is the one source of the version resource, the
# manifest and the About box.
set(ORVANE_VERSION_PATCH 0)
if(PROJECT_VERSION_PATCH)
    set(ORVANE_VERSION_PATCH ${PROJECT_VERSION_PATCH})
endif()
set(ORVANE_VERSION_FOUR "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${ORVANE_VERSION_PATCH}.0")

configure_file(ui/Orvane.manifest.in ${CMAKE_BINARY_DIR}/generated/Orvane.manifest @ONLY)
configure_file(ui/OrvaneVersion.h.in ${CMAKE_BINARY_DIR}/generated/OrvaneVersion.h @ONLY)

if(ORVANE_THREAD_MODEL STREQUAL "posix")
    include(cmake/WindowsUnits.cmake)
    return()
endif()

# Windows XP x64 / Server 2003 SP2 (5.2) and XP SP3 (5.1) are the oldest
# systems each build must load on. The entry point sets up the DLL search
# before the C runtime starts; x86 names C symbols with a leading underscore.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(ORVANE_MIN_WINDOWS_MINOR 2)
    set(ORVANE_ENTRY OrvaneStartup)
else()
    set(ORVANE_MIN_WINDOWS_MINOR 1)
    set(ORVANE_ENTRY _OrvaneStartup)
endif()

# Stripped, and with no time stamp: the same sources give the same bytes.
add_executable(Orvane WIN32 app/Startup.cpp app/OrvaneApp.cpp ui/Orvane.rc)
target_link_libraries(Orvane PRIVATE orvane_ui orvane_winenv)
target_link_options(Orvane PRIVATE ${ORVANE_STATIC_LINK}
    -Wl,--major-subsystem-version,5,--minor-subsystem-version,${ORVANE_MIN_WINDOWS_MINOR}
    -Wl,--major-os-version,5,--minor-os-version,${ORVANE_MIN_WINDOWS_MINOR}
    -Wl,-e,${ORVANE_ENTRY} -s -Wl,--no-insert-timestamp -Wl,--fatal-warnings)
set_target_properties(Orvane PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# What the built program holds, checked without running it: imports,
# run-time look-ups, versions, manifest and resources.
if(ORVANE_RUN_TESTS)
    add_test(NAME audit.program
             COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/audit/audit.py
                     $<TARGET_FILE:Orvane> ${CMAKE_SYSTEM_PROCESSOR} ${PROJECT_VERSION})
endif()

# Starts a program with an exact command line and waits for it.
add_executable(orvane_launch tests/windows/Launch.cpp)
target_link_options(orvane_launch PRIVATE ${ORVANE_STATIC_LINK})

# Probes the windows of a running program for the GUI tests.
add_executable(orvane_probe tests/windows/Probe.cpp)
target_link_libraries(orvane_probe PRIVATE user32 shell32)
target_link_options(orvane_probe PRIVATE ${ORVANE_STATIC_LINK})

# Planted under the names of system DLLs, it reports every process that loads it.
add_library(orvane_planted SHARED tests/windows/Planted.cpp)
set_target_properties(orvane_planted PROPERTIES PREFIX "")
target_link_options(orvane_planted PRIVATE -nostdlib -Wl,-e,DllMain)
target_link_libraries(orvane_planted PRIVATE kernel32)

# The x86 build runs under the 32-bit Wine, the x64 one under the host's.
set(ORVANE_WINE_RUNNER)
set(ORVANE_WINE_SCRIPTS commandline registry deploy customise links gui stress hostile planted
    installer)
if(NOT CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(ORVANE_WINE_RUNNER bash ${CMAKE_SOURCE_DIR}/tests/wine/wine32.sh)
    # NSIS installers are 32-bit programs.
    list(APPEND ORVANE_WINE_SCRIPTS nsis)
endif()

if(ORVANE_RUN_TESTS)
    foreach(script ${ORVANE_WINE_SCRIPTS})
        add_test(NAME wine.${script}
                 COMMAND ${ORVANE_WINE_RUNNER} bash ${CMAKE_SOURCE_DIR}/tests/wine/${script}.sh
                         ${CMAKE_BINARY_DIR})
    endforeach()
    set_tests_properties(wine.gui wine.planted PROPERTIES RESOURCE_LOCK display)
endif()
