# Cross build for Windows with Debian's mingw-w64 compilers, for the processor the including
# toolchain file names in NUMERION_MINGW_ARCH. The -posix flavour is the one whose std::thread
# and std::mutex work.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${NUMERION_MINGW_ARCH})

set(CMAKE_C_COMPILER ${NUMERION_MINGW_ARCH}-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER ${NUMERION_MINGW_ARCH}-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER ${NUMERION_MINGW_ARCH}-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${NUMERION_MINGW_ARCH}-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Self-contained programs: the C++ runtime, libgcc and winpthreads linked in, so nothing but
# system DLLs is needed beside the exe.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Test programs run under wine, through a wrapper that keeps wine quiet and offline.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tests/windows/wine-run.sh)
