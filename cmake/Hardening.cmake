# Release builds take Debian's hardening flags (stack protector,
# _FORTIFY_SOURCE, RELRO with BIND_NOW, PIE) from dpkg-buildflags, so the
# package built by the README's commands is hardened like any Debian package.
# The program reads pictures, RTF and INI files from anywhere.
# Optimisation and debug information stay with the build type.
option(KADROLIN_HARDEN "Use dpkg-buildflags' hardening flags in Release builds" ON)

if(KADROLIN_HARDEN AND NOT KADROLIN_SANITIZE AND CMAKE_BUILD_TYPE MATCHES "^(Release|RelWithDebInfo|MinSizeRel)$")
  find_program(DPKG_BUILDFLAGS dpkg-buildflags)
  if(NOT DPKG_BUILDFLAGS)
    message(FATAL_ERROR "dpkg-buildflags not found (package dpkg-dev); or configure with -DKADROLIN_HARDEN=OFF")
  endif()
  foreach(var CPPFLAGS CFLAGS CXXFLAGS LDFLAGS)
    execute_process(
      COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all ${DPKG_BUILDFLAGS} --get ${var}
      WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
      OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    separate_arguments(flags UNIX_COMMAND "${flags}")
    list(FILTER flags EXCLUDE REGEX "^(-g|-O[0-9s]?)$")
    set(DPKG_${var} ${flags})
  endforeach()
  add_compile_options(${DPKG_CPPFLAGS})
  foreach(f IN LISTS DPKG_CFLAGS)
    add_compile_options("$<$<COMPILE_LANGUAGE:C>:${f}>")
  endforeach()
  foreach(f IN LISTS DPKG_CXXFLAGS)
    add_compile_options("$<$<COMPILE_LANGUAGE:CXX>:${f}>")
  endforeach()
  add_link_options(${DPKG_LDFLAGS})
  # Newer dpkg-buildflags add these two as well (hardening-check asks for
  # control-flow protection); g++ 12 has both.
  include(CheckCXXCompilerFlag)
  foreach(f -fstack-clash-protection -fcf-protection)
    string(MAKE_C_IDENTIFIER "HAVE${f}" have)
    check_cxx_compiler_flag(${f} ${have})
    if(${have})
      add_compile_options(${f})
    endif()
  endforeach()
  # PIE for the executables: compile position-independent and link with -pie.
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
  include(CheckPIESupported)
  check_pie_supported()
endif()
