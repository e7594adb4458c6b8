# Where `cmake --install` puts things: the GNU layout under any prefix. The
# desktop program finds its help relative to its own folder, so the way from
# the program folder to the help folder is fixed here, before the program is built.
include(GNUInstallDirs)
set(TESSALIN_APP_ID example.velkora.Tessalin)
set(TESSALIN_INSTALL_HELPDIR ${CMAKE_INSTALL_DATADIR}/tessalin)
file(RELATIVE_PATH TESSALIN_HELPDIR_FROM_BINDIR ${CMAKE_INSTALL_FULL_BINDIR}
  ${CMAKE_INSTALL_FULL_DATADIR}/tessalin)
