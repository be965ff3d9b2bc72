set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
# The program that ships uses the win32 thread model: the posix one brings in
# winpthreads, which imports functions Windows XP lacks. Only the GoogleTest
# programs take the posix one, because GoogleTest needs std::mutex.
set(ORVANE_THREAD_MODEL win32 CACHE STRING "MinGW-w64 thread model: win32 or posix")
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-${ORVANE_THREAD_MODEL})
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-${ORVANE_THREAD_MODEL})
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tests/wine/wine-run.sh)
