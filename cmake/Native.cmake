# Linux: the portable logic against the in-memory Env, for fast unit tests.
target_sources(orvane_logic PRIVATE platform/PortableCodePage.cpp)

if(ORVANE_FUZZ)
    include(cmake/Fuzz.cmake)
    return()
endif()

find_package(GTest REQUIRED)

add_library(orvane_fake_env STATIC tests/native/FakeEnv.cpp)
target_link_libraries(orvane_fake_env PUBLIC orvane_logic)
target_include_directories(orvane_fake_env PUBLIC ${CMAKE_SOURCE_DIR})

add_executable(orvane_native_tests
    tests/native/CommandLineTest.cpp
    tests/native/RunSequenceTest.cpp
    tests/native/VisualStudioTest.cpp
    tests/native/FileSystemTest.cpp
    tests/native/DeploymentTest.cpp
    tests/native/ProjectRewriterTest.cpp
    tests/native/LauncherStamperTest.cpp
    tests/native/FitBitmapRectTest.cpp
    tests/native/CommandLineTailTest.cpp
    framework/CommandLineTail.cpp)
target_link_libraries(orvane_native_tests PRIVATE orvane_fake_env GTest::gtest GTest::gtest_main)

include(GoogleTest)
if(ORVANE_RUN_TESTS)
    gtest_discover_tests(orvane_native_tests DISCOVERY_TIMEOUT 60)
endif()

# The drawing of the program's icon and illustration.
add_executable(orvane_draw_art ui/art/DrawArt.cpp)

# Measuring the rewriter on real files (see scripts/bench.sh).
find_package(benchmark QUIET)
if(benchmark_FOUND)
    add_executable(orvane_rewriter_bench tests/bench/RewriterBench.cpp tests/bench/PosixFileEnv.cpp)
    target_link_libraries(orvane_rewriter_bench PRIVATE orvane_logic benchmark::benchmark)
endif()
