# Cross-compiling for 64-bit ARM Linux with Debian's g++-aarch64-linux-gnu; the programs run
# under qemu-aarch64-static (also for the tests' discovery).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
# The cross compiler's own libraries, and Debian's arm64 packages (zlib1g-dev:arm64,
# libzstd-dev:arm64) in /usr/lib/aarch64-linux-gnu.
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu /)
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/aarch64-linux-gnu/pkgconfig:/usr/share/pkgconfig)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Programs are linked statically: under Debian 12's qemu-aarch64-static (7.2) a dynamically
# linked program that has started a second thread does not exit. Static libraries are preferred
# once the project begins (the platform files set the suffixes after this file).
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
set(CMAKE_PROJECT_INCLUDE ${CMAKE_CURRENT_LIST_DIR}/aarch64-static.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64-static)
