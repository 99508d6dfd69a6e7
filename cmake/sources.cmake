# Source lists by folder. Files ending in _win32.cpp hold device code (display,
# clipboard, printing, TWAIN, windows) and build for Windows only.
function(volkg_sources out)
  set(files)
  foreach(dir IN LISTS ARGN)
    file(GLOB found CONFIGURE_DEPENDS ${dir}/*.cpp)
    list(APPEND files ${found})
  endforeach()
  if(NOT VOLKG_WIN32)
    list(FILTER files EXCLUDE REGEX "_win32\\.cpp$")
  endif()
  set(${out} ${files} PARENT_SCOPE)
endfunction()
