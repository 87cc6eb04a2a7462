# The portable code includes nothing but the C++ standard library, portable
# header-only libraries (nlohmann-json), the platform's interfaces
# (platform/*.h) and its own headers: no platform implementation, no Qt, no
# Win32 and no POSIX header.
#
#   cmake -DROOT=<source tree> -P cmake/check_layering.cmake
#
# Fails, naming each offending line, when a file under app/, sysinfo/ or
# about/ of ROOT includes anything else.
if(NOT ROOT)
  message(FATAL_ERROR "ROOT is not set")
endif()
get_filename_component(ROOT "${ROOT}" ABSOLUTE)
set(allowed
    "^<[a-z_0-9]+>$"                             # the standard library: <string>, <cstdint>
    "^<nlohmann/json\\.hpp>$"                   # nlohmann-json: portable, header-only
    "^\"platform/[a-z_0-9]+\\.h\"$"              # the platform's interfaces
    "^\"(app|sysinfo|about)/[a-zA-Z_0-9/]+\\.h\"$")  # the portable code itself
file(GLOB_RECURSE sources LIST_DIRECTORIES false
     ${ROOT}/app/*.h ${ROOT}/app/*.cpp ${ROOT}/sysinfo/*.h ${ROOT}/sysinfo/*.cpp
     ${ROOT}/about/*.h ${ROOT}/about/*.cpp)
set(offences "")
foreach(source IN LISTS sources)
  file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*([<\"][^>\"]*[>\"]).*$" "\\1" target "${line}")
    set(ok FALSE)
    foreach(pattern IN LISTS allowed)
      if(target MATCHES "${pattern}")
        set(ok TRUE)
      endif()
    endforeach()
    if(NOT ok)
      file(RELATIVE_PATH where ${ROOT} ${source})
      string(APPEND offences "\n  ${where}: ${line}")
    endif()
  endforeach()
endforeach()
if(offences)
  message(FATAL_ERROR "The portable code includes what only platform/ may:${offences}")
endif()
