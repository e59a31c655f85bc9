# quen_embed_icon(RGBA_FILE SIZE OUTPUT): writes OUTPUT, a C++ source defining QuenIconRgba (the
# file's SIZE x SIZE pixels, 4 bytes each: red, green, blue, alpha) and QuenIconSize. Runs at
# configure time; a change of the file configures again. OUTPUT is rewritten only when its
# content changes, so configuring again recompiles nothing.
include(${CMAKE_CURRENT_LIST_DIR}/WriteIfChanged.cmake)

function(quen_embed_icon rgba size output)
  file(READ ${rgba} hex HEX)
  string(LENGTH "${hex}" digits)
  math(EXPR expected "${size} * ${size} * 8")
  if(NOT digits EQUAL expected)
    message(FATAL_ERROR "${rgba} is not ${size}x${size} RGBA pixels")
  endif()
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "((0x..,){24})" "\\1\n    " bytes "${bytes}")
  string(CONCAT source
    "// Made by the build from ${rgba}.\nextern \"C\" const int QuenIconSize = ${size};\n"
    "extern \"C\" const unsigned char QuenIconRgba[] = {\n    ${bytes}};\n")
  quen_write_if_changed(${output} "${source}")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${rgba})
endfunction()
