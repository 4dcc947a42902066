# Installing and packaging: `make install` (cmake --install, DESTDIR and CMAKE_INSTALL_PREFIX
# respected) and `make package` (a Debian package made by CPack). Installed, the programs are in
# bin/ and everything shipped with them in share/vrtruty/, where they look for it; each user's
# configuration, logs and setting files go to ~/.config/vrtruty.
include(GNUInstallDirs)

set(VRTRUTY_PACKAGE_MAINTAINER "VRM Utility Team <utility@vrm.example>")
set(VRTRUTY_PACKAGE_RELEASE 1)
set(VRTRUTY_PACKAGE_VERSION ${PROJECT_VERSION}-${VRTRUTY_PACKAGE_RELEASE})
set(VRTRUTY_SHARE_DIR ${CMAKE_INSTALL_DATADIR}/vrtruty)
set(VRTRUTY_PACKAGE_FILES ${CMAKE_BINARY_DIR}/package)

install(TARGETS vrtruty vrtruty-cli vrtruty-printer RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Every language file the build puts beside the programs: copied from res/lang or made from
# their translation sources.
set(VRTRUTY_BUILT_LANGUAGE_FILES ${VRTRUTY_SHIPPED_FILES})
list(FILTER VRTRUTY_BUILT_LANGUAGE_FILES INCLUDE REGEX "/Setting_[^/]*\\.dat$")
install(FILES ${VRTRUTY_BUILT_LANGUAGE_FILES} DESTINATION ${VRTRUTY_SHARE_DIR})
install(FILES ${VRTRUTY_LIBRARY_MARKERS} DESTINATION ${VRTRUTY_SHARE_DIR}/lib)
install(FILES ${VRTRUTY_MANUALS} DESTINATION ${VRTRUTY_SHARE_DIR} OPTIONAL)

# The desktop's menu entry and its icon, as SVG and in the usual sizes.
install(FILES res/desktop/vrtruty.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES res/desktop/vrtruty.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
set(VRTRUTY_ICONS)
foreach(size IN ITEMS 16 24 32 48 64 128 256)
    set(icon ${VRTRUTY_PACKAGE_FILES}/icons/${size}/vrtruty.png)
    add_custom_command(OUTPUT ${icon}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${VRTRUTY_PACKAGE_FILES}/icons/${size}
        COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} ${CMAKE_SOURCE_DIR}/res/desktop/vrtruty.svg
            -o ${icon}
        DEPENDS res/desktop/vrtruty.svg VERBATIM)
    list(APPEND VRTRUTY_ICONS ${icon})
    install(FILES ${icon}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# Manual pages made from the programs' own --help, so that they never disagree with them.
find_program(HELP2MAN help2man REQUIRED)
set(VRTRUTY_MAN_NAME_vrtruty "TR Thermal Printer Utility, the window")
set(VRTRUTY_MAN_NAME_vrtruty-cli "command line of the TR Thermal Printer Utility")
set(VRTRUTY_MAN_NAME_vrtruty-printer "virtual TR-770 family thermal receipt printer")
set(VRTRUTY_MAN_PAGES)
foreach(program IN ITEMS vrtruty vrtruty-cli vrtruty-printer)
    set(page ${VRTRUTY_PACKAGE_FILES}/man/${program}.1.gz)
    add_custom_command(OUTPUT ${page}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${VRTRUTY_PACKAGE_FILES}/man
        COMMAND ${HELP2MAN} --no-info --no-discard-stderr --version-string=${PROJECT_VERSION}
            --name=${VRTRUTY_MAN_NAME_${program}} --output=${VRTRUTY_PACKAGE_FILES}/man/${program}.1
            $<TARGET_FILE:${program}>
        COMMAND gzip -9nf ${VRTRUTY_PACKAGE_FILES}/man/${program}.1
        DEPENDS ${program} VERBATIM)
    list(APPEND VRTRUTY_MAN_PAGES ${page})
    install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

# Bash completion, made by the command line from the table its parser uses.
set(VRTRUTY_COMPLETION ${VRTRUTY_PACKAGE_FILES}/completion/vrtruty-cli)
add_custom_command(OUTPUT ${VRTRUTY_COMPLETION}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${VRTRUTY_PACKAGE_FILES}/completion
    COMMAND sh -c "\"$1\" completion bash > \"$2\"" sh $<TARGET_FILE:vrtruty-cli>
        ${VRTRUTY_COMPLETION}
    DEPENDS vrtruty-cli VERBATIM)
install(FILES ${VRTRUTY_COMPLETION} DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

# USB printer-class devices for the lp group.
install(FILES res/package/60-vrtruty.rules DESTINATION lib/udev/rules.d)

# Debian's documentation files: the copyright, and the changelog compressed without a time stamp.
configure_file(res/package/changelog.Debian.in ${VRTRUTY_PACKAGE_FILES}/changelog.Debian @ONLY)
add_custom_command(OUTPUT ${VRTRUTY_PACKAGE_FILES}/changelog.Debian.gz
    COMMAND gzip -9nkf ${VRTRUTY_PACKAGE_FILES}/changelog.Debian
    DEPENDS ${VRTRUTY_PACKAGE_FILES}/changelog.Debian VERBATIM)
install(FILES res/package/copyright ${VRTRUTY_PACKAGE_FILES}/changelog.Debian.gz
    DESTINATION ${CMAKE_INSTALL_DOCDIR})

add_custom_target(vrtruty-package-files ALL
    DEPENDS ${VRTRUTY_ICONS} ${VRTRUTY_MAN_PAGES} ${VRTRUTY_COMPLETION}
        ${VRTRUTY_PACKAGE_FILES}/changelog.Debian.gz)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vrtruty)
set(CPACK_PACKAGE_VENDOR "VRM Corporation")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${VRTRUTY_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "set-up utility for TR-770 thermal receipt printers")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Checks, sets up and tests printers of the TR-770 family over USB, serial,\n\
parallel, the network or a CUPS queue: reads, edits and sends the printer's\n\
settings, keeps setting files, registers bitmap logos in the printer's memory,\n\
changes its code page, character set and font, sends raw files and runs\n\
hardware tests. Includes the window (vrtruty), the command line (vrtruty-cli)\n\
and a virtual printer for trying it without hardware (vrtruty-printer).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${VRTRUTY_PACKAGE_RELEASE})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Libraries come from dpkg-shlibdeps; what it cannot see: Qt's platform plugins (loaded at run
# time) and the fonts the virtual printer and the interface languages draw with.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "fonts-ipaexfont-gothic, fonts-wqy-microhei, fonts-dejavu-core, fonts-tlwg-mono-ttf, \
qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "cups-daemon")
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/package)
include(CPack)
