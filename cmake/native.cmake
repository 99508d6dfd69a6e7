# Native build of the portable part for the host (x86_64 Linux), with clang
# for the sanitizers and libFuzzer.
set(CMAKE_C_COMPILER clang-14)
set(CMAKE_CXX_COMPILER clang++-14)
