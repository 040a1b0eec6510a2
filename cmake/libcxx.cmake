# Build with clang and libc++, the standard library of macOS (Debian:
# clang, libc++-dev, libc++abi-dev), so that nothing relies on what
# libstdc++ happens to include. GoogleTest is then compiled from its sources.
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_CXX_FLAGS_INIT "-stdlib=libc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-stdlib=libc++")
