set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
# The program that ships uses the win32 thread model: the posix one brings in
# winpthreads, which imports functions Windows XP lacks. Only the GoogleTest
# programs take the posix one, because GoogleTest needs std::mutex.
set(ORVANE_THREAD_MODEL win32 CACHE STRING "MinGW-w64 thread model: win32 or posix")
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-${ORVANE_THREAD_MODEL})
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-${ORVANE_THREAD_MODEL})
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR
    ${CMAKE_CURRENT_LIST_DIR}/../tests/wine/wine32.sh ${CMAKE_CURRENT_LIST_DIR}/../tests/wine/wine-run.sh)
