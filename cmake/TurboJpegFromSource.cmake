# libjpeg-turbo's TurboJPEG library for a cross build, made from Debian's source package by
# scripts/build-libjpeg-turbo.sh (wasm or mingw) in the build folder, as quen_turbojpeg.
set(QUEN_TURBOJPEG_DIR ${PROJECT_BINARY_DIR}/libjpeg-turbo
    CACHE PATH "libjpeg-turbo built by scripts/build-libjpeg-turbo.sh (include/, lib/)")
if(NOT EXISTS ${QUEN_TURBOJPEG_DIR}/lib/libturbojpeg.a)
  message(FATAL_ERROR "No libjpeg-turbo in ${QUEN_TURBOJPEG_DIR}: run "
                      "scripts/build-libjpeg-turbo.sh (wasm or mingw) ${QUEN_TURBOJPEG_DIR} first")
endif()
add_library(quen_turbojpeg STATIC IMPORTED)
set_target_properties(quen_turbojpeg PROPERTIES
  IMPORTED_LOCATION ${QUEN_TURBOJPEG_DIR}/lib/libturbojpeg.a
  INTERFACE_INCLUDE_DIRECTORIES ${QUEN_TURBOJPEG_DIR}/include)
