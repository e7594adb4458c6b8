# `cpack -G DEB` in the build folder: tessalin_VERSION_ARCH.deb of the install
# layout under /usr, its library dependencies computed by dpkg-shlibdeps.
set(CPACK_PACKAGE_NAME tessalin)
set(CPACK_PACKAGE_VENDOR Velkora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Velkora <tessalin@velkora.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "image workbench that turns pictures into 1-bit WBMP bitmaps")
set(CPACK_PACKAGE_DESCRIPTION
  "Tessalin reduces ordinary pictures (BMP, JPEG, GIF, PNG, netpbm, icons,
metafiles, raw files) to 1-bit WBMP bitmaps for small monochrome screens
and lets you compare and tune that reduction: pixel formats, RGB and HSI
colour models, channel views, ordered and error-diffusion dithering,
convolution kernels, edge detectors, rotation, scaling, and a wizard that
opens a whole set of 1-bit candidates side by side.
This package holds the Qt desktop program tessalin and the command-line
tool tessalin-cli.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Velkora <tessalin@velkora.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.velkora.example/tessalin/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its platform plugins at run time, out of dpkg-shlibdeps' sight; a
# Hangul font shows the one Korean message.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-nanum, xdg-utils")

include(CPack)
