# CPack settings; included last from the top-level CMakeLists.txt so that
# `cpack -G DEB` in the build directory makes korvane-client_<version>_<arch>.deb.
set(CPACK_PACKAGE_NAME korvane-client)
set(CPACK_PACKAGE_VENDOR "Korvane")
set(CPACK_PACKAGE_CONTACT "Korvane Client maintainers <maintainers@korvane.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Compose one e-mail and send it through an SMTP server")
# Line breaks kept: dpkg shows the description as it is, and Debian wants its
# lines under 80 columns.
set(CPACK_PACKAGE_DESCRIPTION "Korvane Client is a small desktop program with an Italian interface that
composes one e-mail (recipients, CC, BCC, attachments, priority) and sends
it through the SMTP server you type, switching to TLS whenever the server
offers it. It can be the desktop's handler for mailto: links.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# A RelWithDebInfo build would otherwise ship its debug sections.
set(CPACK_STRIP_FILES ON)

if(UNIX AND NOT APPLE)
  set(CPACK_GENERATOR DEB)
else()
  set(CPACK_GENERATOR ZIP)
endif()

set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION mail)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps (dpkg-dev) finds the libraries the executable links; what the
# program needs without linking it is named here:
# - qt6-qpa-plugins: Qt's platform plugin; without it the program exits with
#   "could not find the Qt platform plugin".
# - ca-certificates: the CA store libcurl checks every server certificate against;
#   without it every TLS connection fails with error 60.
# - fonts-liberation: the labels are laid out for Liberation Sans' metrics.
# - qt6-translations-l10n: Qt's own dialog buttons and context menus in Italian.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, ca-certificates, fonts-liberation, qt6-translations-l10n")
# The spelling library is loaded when the program runs, so shlibdeps does not
# see it; without it, or without the Italian dictionary, nothing is checked.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libenchant-2-2, hunspell-it")

include(CPack)
