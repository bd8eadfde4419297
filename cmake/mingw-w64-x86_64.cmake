# Cross build of the 64-bit Windows module with MinGW-w64 (POSIX thread model,
# which provides std::thread and std::mutex). Test executables run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TONEWELL_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TONEWELL_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TONEWELL_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TONEWELL_MINGW_PREFIX}-windres)

# Libraries cross-built for this toolchain (libpng: scripts/build-libpng.sh mingw)
# are installed beside the system's MinGW-w64 root and searched as a second root.
get_filename_component(_tonewell_deps "${CMAKE_CURRENT_LIST_DIR}/../build/deps/mingw" ABSOLUTE)
set(TONEWELL_MINGW_DEPS "${_tonewell_deps}"
    CACHE PATH "Prefix of the libraries cross-built for MinGW-w64")
set(CMAKE_FIND_ROOT_PATH /usr/${TONEWELL_MINGW_PREFIX} ${TONEWELL_MINGW_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The runtime libraries are linked in, so nothing but Windows system DLLs is imported.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

find_program(TONEWELL_WINE NAMES wine wine64 REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${TONEWELL_WINE})
