# libFuzzer targets: clang with ASan and UBSan, every library instrumented.
add_compile_options(-fsanitize=fuzzer-no-link)

add_library(orvane_fake_env STATIC tests/native/FakeEnv.cpp)
target_link_libraries(orvane_fake_env PUBLIC orvane_logic)

foreach(target CommandLine Rewriter Stamp FitBitmapRect)
    add_executable(fuzz_${target} tests/fuzz/Fuzz${target}.cpp)
    target_link_libraries(fuzz_${target} PRIVATE orvane_fake_env)
    target_link_options(fuzz_${target} PRIVATE -fsanitize=fuzzer)
endforeach()
