# SPDX-License-Identifier: GPL-3.0-or-later
# Runs inside cpack once the files are staged. Debian keeps the programs of its games section in
# /usr/games, so the Debian package moves the game there; a plain install keeps it in bin/.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
    return()
endif()
set(root "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
if(NOT EXISTS "${root}/bin/kvadrilka")
    message(FATAL_ERROR "kvadrilka was not staged in ${root}/bin")
endif()
file(MAKE_DIRECTORY "${root}/games")
file(RENAME "${root}/bin/kvadrilka" "${root}/games/kvadrilka")
file(GLOB left "${root}/bin/*")
if(NOT left)
    file(REMOVE_RECURSE "${root}/bin")
endif()
