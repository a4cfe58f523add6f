# What a Debian system expects beside the programs (man pages, shell completions, the
# AppStream metainfo, the copyright and changelog), and the Debian package made by
# `cpack -G DEB` in a configured build folder. Included after every program's folder, so
# each piece is installed only when the program it belongs to is built.
include(GNUInstallDirs)

set(VANTREL_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)

# Directories the package creates must be 0755 whatever the umask of whoever builds it.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# The programs this build makes: the window `vantrel` and the command-line tools.
set(vantrel_programs)
foreach(program vantrel vantrel-decode vantrel-demod)
    if(TARGET ${program})
        list(APPEND vantrel_programs ${program})
    endif()
endforeach()

# vantrel-decode's completions and manual page name its formats: the build fills them in from
# the program's own list (cmake/format_lists.cmake), so a new format needs no edit there. The
# other programs' completions are copied beside them: the build tree holds every page and
# completion as it is installed (the tests read them there).
set(VANTREL_COMPLETIONS_DIR ${PROJECT_BINARY_DIR}/completions)
set(format_lists_files completions/bash/vantrel-decode completions/zsh/_vantrel-decode
                       completions/fish/vantrel-decode.fish man/vantrel-decode.1)
set(format_lists_outputs)
set(format_lists_templates)
foreach(file ${format_lists_files})
    list(APPEND format_lists_outputs ${PROJECT_BINARY_DIR}/${file})
    list(APPEND format_lists_templates ${PROJECT_SOURCE_DIR}/${file}.in)
endforeach()
add_custom_command(OUTPUT ${format_lists_outputs}
                   COMMAND ${CMAKE_COMMAND} -DTOOL=$<TARGET_FILE:vantrel-decode>
                           -DSOURCE=${PROJECT_SOURCE_DIR} -DBINARY=${PROJECT_BINARY_DIR}
                           -P ${PROJECT_SOURCE_DIR}/cmake/format_lists.cmake
                   DEPENDS vantrel-decode ${format_lists_templates}
                           ${PROJECT_SOURCE_DIR}/cmake/format_lists.cmake
                   COMMENT "Filling the formats into vantrel-decode's completions and manual page")
add_custom_target(vantrel_format_lists ALL DEPENDS ${format_lists_outputs})
foreach(file bash/vantrel-demod zsh/_vantrel-demod fish/vantrel-demod.fish)
    configure_file(${PROJECT_SOURCE_DIR}/completions/${file} ${VANTREL_COMPLETIONS_DIR}/${file}
                   COPYONLY)
endforeach()

# Man pages and the changelog are installed compressed, as Debian policy asks: gzip -9n
# leaves no time stamp or name inside, so the same page always gives the same bytes.
find_program(VANTREL_GZIP gzip REQUIRED)
set(vantrel_compressed)
function(vantrel_gzip source compressed)
    add_custom_command(OUTPUT ${compressed}
                       COMMAND ${VANTREL_GZIP} -9nc ${source} > ${compressed}
                       DEPENDS ${source}
                       COMMENT "Compressing ${source}"
                       VERBATIM)
    set(vantrel_compressed ${vantrel_compressed} ${compressed} PARENT_SCOPE)
endfunction()

set(compressed_dir ${PROJECT_BINARY_DIR}/compressed-docs)
file(MAKE_DIRECTORY ${compressed_dir})
foreach(program ${vantrel_programs})
    set(page ${PROJECT_SOURCE_DIR}/man/${program}.1)
    if(program STREQUAL "vantrel-decode")
        set(page ${PROJECT_BINARY_DIR}/man/${program}.1)
    endif()
    vantrel_gzip(${page} ${compressed_dir}/${program}.1.gz)
    install(FILES ${compressed_dir}/${program}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/vantrel)
vantrel_gzip(${VANTREL_PACKAGING_DIR}/changelog ${compressed_dir}/changelog.gz)
install(FILES ${compressed_dir}/changelog.gz DESTINATION ${doc_dir})
install(FILES ${VANTREL_PACKAGING_DIR}/copyright DESTINATION ${doc_dir})
# The record formats, where vantrel-decode(1) points to them; the schema stays uncompressed
# so a validator can read it as it is.
install(FILES ${PROJECT_SOURCE_DIR}/docs/records.md ${PROJECT_SOURCE_DIR}/docs/records.schema.json
        DESTINATION ${doc_dir})
add_custom_target(vantrel_compressed_docs ALL DEPENDS ${vantrel_compressed})

# Shell completions, in the folders where bash-completion, zsh and fish look for them.
foreach(program vantrel-decode vantrel-demod)
    if(TARGET ${program})
        install(FILES ${VANTREL_COMPLETIONS_DIR}/bash/${program}
                DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
        install(FILES ${VANTREL_COMPLETIONS_DIR}/zsh/_${program}
                DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions)
        install(FILES ${VANTREL_COMPLETIONS_DIR}/fish/${program}.fish
                DESTINATION ${CMAKE_INSTALL_DATADIR}/fish/vendor_completions.d)
    endif()
endforeach()

# Software centres learn about the window from its AppStream metainfo, and show it only with
# an icon of at least 64 pixels (the window's own 16 and 32 come with the window).
if(TARGET vantrel)
    install(FILES ${VANTREL_PACKAGING_DIR}/io.github.vantrel.Vantrel.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    foreach(size 64 128)
        install(FILES ${PROJECT_SOURCE_DIR}/window/resources/vantrel-${size}.png
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
                RENAME vantrel.png)
    endforeach()
endif()

# The Debian package: vantrel_VERSION_ARCH.deb.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vantrel)
set(CPACK_PACKAGE_VENDOR "Vantrel developers")
set(CPACK_PACKAGE_CONTACT "Vantrel developers <vantrel@users.noreply.github.com>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "decoder for recorded EN 300 230 PMR signalling")
# The long description, below the summary: paragraphs apart by an empty line. CPack puts the
# summary in front and indents the lines as Debian asks.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Vantrel decodes the 1200 bit/s binary signalling of private mobile radio
(ETSI EN 300 230) from recordings: text files of demodulated 0 and 1
characters, or audio files that it demodulates itself. It checks every
codeword, names the header fields (function, country, addresses, extended
addressing), assembles short data messages and turns GPS positions into map
links.

The package holds the window program vantrel, the batch tool vantrel-decode
(text, JSON, CSV and map formats) and, where built, the demodulator
vantrel-demod, with their manual pages and shell completions.

License: GPL-3.0-or-later.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION comm)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
