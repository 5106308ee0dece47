# Cross-compiles for 64-bit Windows with Debian's clang and lld, on the headers, libraries and
# C++ runtime of the same mingw-w64 (posix thread model) that the gcc build uses.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KESH_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${KESH_MINGW_PREFIX})
set(CMAKE_CXX_COMPILER_TARGET ${KESH_MINGW_PREFIX})
set(CMAKE_RC_COMPILER ${KESH_MINGW_PREFIX}-windres)

# clang looks for a gcc installation named by version only; Debian's posix runtime sits beside it.
file(GLOB KESH_GCC_DIRS /usr/lib/gcc/${KESH_MINGW_PREFIX}/*-posix)
list(GET KESH_GCC_DIRS 0 KESH_GCC_DIR)
set(CMAKE_CXX_FLAGS_INIT
    "-isystem ${KESH_GCC_DIR}/include/c++ -isystem ${KESH_GCC_DIR}/include/c++/${KESH_MINGW_PREFIX} -isystem ${KESH_GCC_DIR}/include/c++/backward")
# -pthread puts winpthreads after libgcc_eh, whose thread-local emulation needs it.
set(KESH_CLANG_LINK_FLAGS "-fuse-ld=lld -L${KESH_GCC_DIR} -pthread")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${KESH_CLANG_LINK_FLAGS}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${KESH_CLANG_LINK_FLAGS}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${KESH_CLANG_LINK_FLAGS}")

set(CMAKE_FIND_ROOT_PATH /usr/${KESH_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
