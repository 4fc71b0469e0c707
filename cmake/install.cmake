# Installing the terminal game like a Linux game: the velk command, the program and its sounds, velk-replay, desktop
# entry, icons, manual pages and Debian documents; and the .deb and .tar.gz that CPack makes from the same rules.
#
# Two layouts from one build: the default component follows GNUInstallDirs (bin, lib/velk, share/velk) for
# `cmake --install` and the .tar.gz; the component "deb", left out of a plain install, puts the game where
# Debian puts games (games, lib/games/velk, share/games/velk) for the .deb.
include(GNUInstallDirs)
find_program(VELK_GZIP gzip)
if(NOT VELK_GZIP)
    message(FATAL_ERROR "gzip is needed to compress the manual page and the changelog")
endif()

set(velk_source ${PROJECT_SOURCE_DIR}/tools/velk)
set(velk_staging ${CMAKE_BINARY_DIR}/install-files)

# The manual page and the changelog are installed compressed, as Debian wants them: best compression and no
# name or time stamp in the header, so that the same sources give the same bytes.
set(velk_compressed "")
foreach(doc velk.6 velk-replay.6 changelog)
    add_custom_command(
        OUTPUT ${velk_staging}/${doc}.gz
        COMMAND ${CMAKE_COMMAND} -E copy ${velk_source}/${doc} ${velk_staging}/${doc}
        COMMAND ${VELK_GZIP} -9nf ${velk_staging}/${doc}
        DEPENDS ${velk_source}/${doc}
        COMMENT "Compressing ${doc}"
        VERBATIM)
    list(APPEND velk_compressed ${velk_staging}/${doc}.gz)
endforeach()

set(velk_icons "")
foreach(size 32 64 128)
    set(png ${velk_staging}/icons/${size}x${size}/velk.png)
    add_custom_command(
        OUTPUT ${png}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${velk_staging}/icons/${size}x${size}
        COMMAND velk-icon-png ${size} ${png}
        DEPENDS velk-icon-png
        COMMENT "Drawing the ${size}x${size} icon"
        VERBATIM)
    list(APPEND velk_icons ${png})
endforeach()
add_custom_target(velk_install_files ALL DEPENDS ${velk_compressed} ${velk_icons})

set(velk_sound_files "")
foreach(cue RANGE 1 6)
    list(APPEND velk_sound_files ${VELK_PACKAGE_DIR}/VELKGSND${cue}.wav)
endforeach()

# velk_install_layout(COMPONENT BINDIR LIBDIR DATADIR [EXCLUDE_FROM_ALL]): one complete installed tree.
function(velk_install_layout component bindir libdir datadir)
    set(in ${component} ${ARGN})
    # The launcher finds the program and sounds relative to itself, so the tree can be unpacked anywhere.
    file(RELATIVE_PATH VELK_PROGRAM_FROM_BIN /${bindir} /${libdir})
    file(RELATIVE_PATH VELK_SOUNDS_FROM_BIN /${bindir} /${datadir})
    configure_file(${velk_source}/velk.sh ${velk_staging}/${component}/velk @ONLY)
    install(PROGRAMS ${velk_staging}/${component}/velk DESTINATION ${bindir} COMPONENT ${in})
    install(TARGETS velk_program RUNTIME DESTINATION ${libdir} COMPONENT ${in})
    # velk-progress is the launcher's own helper for --games and --stats, beside the program.
    install(TARGETS velk-progress RUNTIME DESTINATION ${libdir} COMPONENT ${in})
    # velk-replay plays demos in any folder; scripts need the game's files in the folder it runs in.
    install(TARGETS velk-replay RUNTIME DESTINATION ${bindir} COMPONENT ${in})
    install(FILES ${velk_sound_files} DESTINATION ${datadir} COMPONENT ${in})
    install(FILES ${velk_source}/velk.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT ${in})
    foreach(png IN LISTS velk_icons)
        get_filename_component(size_dir ${png} DIRECTORY)
        get_filename_component(size ${size_dir} NAME)
        install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}/apps COMPONENT ${in})
    endforeach()
    install(FILES ${velk_staging}/velk.6.gz ${velk_staging}/velk-replay.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6
        COMPONENT ${in})
    install(FILES ${velk_source}/copyright ${velk_staging}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/velk COMPONENT ${in})
endfunction()

velk_install_layout(velk ${CMAKE_INSTALL_BINDIR} lib/velk ${CMAKE_INSTALL_DATADIR}/velk)
velk_install_layout(deb games lib/games/velk share/games/velk EXCLUDE_FROM_ALL)

set(CPACK_PACKAGE_NAME velk)
set(CPACK_PACKAGE_VENDOR "VELK Software")
set(CPACK_PACKAGE_CONTACT "VELK Software <games@velk.example>")
set(CPACK_PACKAGE_HOMEPAGE_URL https://velk.example/game)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "keyboard practice game: steer the arrow through the moving wall")
set(CPACK_PACKAGE_DESCRIPTION [=[
Steer the red arrow with the arrow keys from the left edge of the screen to
the heart in the last column, through the gate of the wall that sweeps in
from the right. Each level pays level x 100 points, every 2,000 points bring
an extra life, and from level 16 on the gate zaps at times.

The game runs in a terminal of at least 120x30 characters, with sound through
SDL2_mixer. The velk command keeps each player's record in
~/.local/share/velk.]=])
set(CPACK_GENERATOR DEB TGZ)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# velk-replay --gif draws with DejaVu Sans Mono; nothing else needs the font.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-dejavu-core)
# Each generator installs its own layout (read by cpack once per generator).
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/CPackLayout.cmake)
file(WRITE ${CPACK_PROJECT_CONFIG_FILE}
    "if(CPACK_GENERATOR STREQUAL \"DEB\")\n"
    "    set(CPACK_INSTALL_CMAKE_PROJECTS \"${CMAKE_BINARY_DIR};velk;deb;/\")\n"
    "endif()\n")
include(CPack)
