# The hardening Debian expects of the programs it ships, in every optimised build (Release,
# RelWithDebInfo, MinSizeRel) and so in the package: position-independent executables,
# _FORTIFY_SOURCE, the stack protector, full RELRO and BIND_NOW. The flags are the ones
# `dpkg-buildflags` gives with hardening=+all, so they follow Debian's current choice; where it
# is not installed, the same set written out. Sanitizer and fuzzing builds keep their own
# instrumentation, which the fortified functions and these link options would disturb.
option(VANTREL_HARDEN "Build optimised binaries with Debian's hardening flags" ON)
if(NOT VANTREL_HARDEN OR VANTREL_SANITIZE OR VANTREL_FUZZ)
    return()
endif()

include(CheckPIESupported)
check_pie_supported()
set(CMAKE_POSITION_INDEPENDENT_CODE ON)

find_program(VANTREL_DPKG_BUILDFLAGS dpkg-buildflags)
set(vantrel_harden_compile)
set(vantrel_harden_link)
if(VANTREL_DPKG_BUILDFLAGS)
    foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
        execute_process(
            COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                    ${VANTREL_DPKG_BUILDFLAGS} --get ${kind}
            OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE
            RESULT_VARIABLE status)
        if(NOT status EQUAL 0)
            message(FATAL_ERROR "dpkg-buildflags --get ${kind} failed")
        endif()
        separate_arguments(flags UNIX_COMMAND "${flags}")
        # Only the hardening: the build type chooses optimisation and debug information, and
        # the file paths in the binaries stay as the build has them.
        list(FILTER flags EXCLUDE REGEX "^-(O.*|g.*|f[a-z]*-prefix-map=.*)$")
        if(kind STREQUAL LDFLAGS)
            list(APPEND vantrel_harden_link ${flags})
        else()
            list(APPEND vantrel_harden_compile ${flags})
        endif()
    endforeach()
else()
    set(vantrel_harden_compile -D_FORTIFY_SOURCE=2 -fstack-protector-strong -Wformat
                               -Werror=format-security)
    set(vantrel_harden_link -Wl,-z,relro -Wl,-z,now)
endif()
message(STATUS "Hardening of optimised builds: ${vantrel_harden_compile} ${vantrel_harden_link}")

set(vantrel_optimised "$<CONFIG:Release,RelWithDebInfo,MinSizeRel>")
foreach(flag IN LISTS vantrel_harden_compile)
    add_compile_options("$<${vantrel_optimised}:${flag}>")
endforeach()
foreach(flag IN LISTS vantrel_harden_link)
    add_link_options("$<${vantrel_optimised}:${flag}>")
endforeach()
