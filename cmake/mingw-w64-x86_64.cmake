# Cross build for 64-bit Windows with Debian's MinGW-w64 (the POSIX-threads variant, for
# std::thread and std::mutex). Libraries that the project builds for Windows live in
# VANTARO_WINDOWS_DEPS (scripts/build-windows-deps.sh), found there through pkg-config.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(toolchain_prefix x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${toolchain_prefix}-gcc-posix)
set(CMAKE_CXX_COMPILER ${toolchain_prefix}-g++-posix)
set(CMAKE_RC_COMPILER ${toolchain_prefix}-windres)

if(NOT VANTARO_WINDOWS_DEPS)
  set(VANTARO_WINDOWS_DEPS "${CMAKE_BINARY_DIR}/deps")
endif()
set(VANTARO_WINDOWS_DEPS "${VANTARO_WINDOWS_DEPS}" CACHE PATH "Prefix of the Windows builds of x264 and speex")
set(CMAKE_FIND_ROOT_PATH /usr/${toolchain_prefix} ${VANTARO_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One self-contained executable: no MinGW runtime DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
