# Settings of the Windows cross build that the toolchain file cannot make: the Wine runner for
# tests, and GoogleTest built from Debian's sources for the target.

# pkg-config finds only the libraries built for Windows (scripts/build-windows-deps.sh).
set(ENV{PKG_CONFIG_LIBDIR} "${VANTARO_WINDOWS_DEPS}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")

# Every target program (tests, test discovery) runs through scripts/wine.sh, which uses the Wine
# prefix and the persistent wineserver of this build folder.
set(VANTARO_WINE_PREFIX "${CMAKE_BINARY_DIR}/wine-prefix")
set(CMAKE_CROSSCOMPILING_EMULATOR "${PROJECT_SOURCE_DIR}/scripts/wine.sh;run;${VANTARO_WINE_PREFIX}")

# Windows 7 and later: every API the platform layer uses is there.
add_compile_definitions(_WIN32_WINNT=0x0601 WINVER=0x0601 UNICODE _UNICODE NOMINMAX
  WIN32_LEAN_AND_MEAN)

# GCC keeps the stack 16-byte aligned on Windows and does not realign it for 32-byte AVX spills;
# the assembler turns every aligned vector move into an unaligned one, so that spills in the
# AVX2 kernels cannot fault.
add_compile_options(-Wa,-muse-unaligned-vector-move)

macro(vantaro_windows_googletest)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
endmacro()

# The manifest of the executable (its resource script) needs the resource compiler.
enable_language(RC)
