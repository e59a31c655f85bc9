# Cross-builds for 64-bit ARM Linux with Debian's cross compiler (package g++-aarch64-linux-gnu)
# against Debian's arm64 libraries, installed beside the build machine's own through multiarch
# (/usr/lib/aarch64-linux-gnu, /usr/include/aarch64-linux-gnu). scripts/arm64-ci.sh installs both.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(QUEN_TRIPLET aarch64-linux-gnu)
set(CMAKE_C_COMPILER ${QUEN_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${QUEN_TRIPLET}-g++)
# pkg-config reads the arm64 libraries' .pc files only.
set(PKG_CONFIG_EXECUTABLE ${QUEN_TRIPLET}-pkg-config CACHE FILEPATH "pkg-config for arm64")

# Programs run on the build machine under user-mode emulation (tests, the package's checks).
find_program(QEMU_AARCH64 NAMES qemu-aarch64-static qemu-aarch64)
if(QEMU_AARCH64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QEMU_AARCH64})
endif()
