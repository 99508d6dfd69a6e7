# zlib, libpng and libjpeg as imported targets: deps::zlib, deps::png, deps::jpeg.
# Windows: zlib from the mingw package of the flavour's target, libpng and
# libjpeg cross-built by scripts/setup into VOLKG_DEPS_DIR. Native: Debian's
# zlib, and libpng built by scripts/setup from the same source as the Windows
# one (no libjpeg: only the program uses it).
function(volkg_import name lib inc)
  add_library(deps::${name} STATIC IMPORTED GLOBAL)
  set_target_properties(deps::${name} PROPERTIES IMPORTED_LOCATION ${lib} INTERFACE_INCLUDE_DIRECTORIES ${inc})
endfunction()

if(VOLKG_WIN32)
  if(NOT VOLKG_DEPS_DIR OR NOT EXISTS ${VOLKG_DEPS_DIR}/lib/libpng16.a)
    message(FATAL_ERROR "VOLKG_DEPS_DIR must hold the cross-built libpng and libjpeg (scripts/setup builds them)")
  endif()
  set(mingw_root /usr/${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
  volkg_import(zlib ${mingw_root}/lib/libz.a ${mingw_root}/include)
  volkg_import(png ${VOLKG_DEPS_DIR}/lib/libpng16.a ${VOLKG_DEPS_DIR}/include)
  volkg_import(jpeg ${VOLKG_DEPS_DIR}/lib/libjpeg.a ${VOLKG_DEPS_DIR}/include)
else()
  find_library(VOLKG_ZLIB_STATIC libz.a REQUIRED)
  volkg_import(zlib ${VOLKG_ZLIB_STATIC} /usr/include)
  # The sanitized build takes the libpng that scripts/setup builds from the
  # Windows build's source, instrumented; a build without sanitizers (the
  # benchmarks) takes Debian's, the benchmarks' peer.
  set(VOLKG_NATIVE_DEPS_DIR "${CMAKE_BINARY_DIR}/../deps/native" CACHE PATH "prefix of the instrumented native libpng")
  if(VOLKG_SANITIZE AND EXISTS ${VOLKG_NATIVE_DEPS_DIR}/lib/libpng16.a)
    volkg_import(png ${VOLKG_NATIVE_DEPS_DIR}/lib/libpng16.a ${VOLKG_NATIVE_DEPS_DIR}/include)
  else()
    find_library(VOLKG_PNG_STATIC libpng16.a REQUIRED)
    volkg_import(png ${VOLKG_PNG_STATIC} /usr/include)
  endif()
endif()
set_property(TARGET deps::png APPEND PROPERTY INTERFACE_LINK_LIBRARIES deps::zlib)
