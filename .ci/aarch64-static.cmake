# Included by .ci/aarch64-toolchain.cmake when the project begins: find static libraries, since
# the programs are linked statically.
set(CMAKE_FIND_LIBRARY_SUFFIXES .a)
