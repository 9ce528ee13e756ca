# Installing the print server and packaging it for Debian.
#
#   cmake --install BUILD --prefix /usr   -> /usr/bin/lector-tpv, /usr/bin/lector-tpv-config,
#                                            /usr/lib/systemd/system/lector-tpv.service,
#                                            /usr/lib/systemd/system/lector-tpv@.service and
#                                            /usr/share/lector-tpv/prometheus/lector-tpv.rules.yml
#   (cd BUILD && cpack -G DEB)            -> lector-tpv_VERSION_ARCH.deb
#
# The version is the project's (project(... VERSION) in the root
# CMakeLists.txt), for the package and for the window caption alike.

set(TPV_DOC_DIR share/doc/lector-tpv)
install(TARGETS lector-tpv lector-tpv-config RUNTIME DESTINATION bin)
# Relative to the prefix on purpose: with --prefix /usr it is the folder
# systemd reads packaged units from. lector-tpv@.service: one instance per
# terminal served from this machine.
install(FILES ${CMAKE_SOURCE_DIR}/packaging/lector-tpv.service ${CMAKE_SOURCE_DIR}/packaging/lector-tpv@.service
        DESTINATION lib/systemd/system)
# The alert rules for an administrator's Prometheus (rule_files:).
install(FILES ${CMAKE_SOURCE_DIR}/packaging/lector-tpv.rules.yml DESTINATION share/lector-tpv/prometheus)
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/packaging/impresoras.ini.example
        DESTINATION ${TPV_DOC_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lector-tpv)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Equipo Lector TPV <lector-tpv@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Servidor de impresión de comandas de cocina del TPV")
set(CPACK_PACKAGE_DESCRIPTION
  "Lee la cola de comandas de la base de datos del TPV, imprime un ticket por\nimpresora (CUPS, impresoras térmicas de red, USB o serie) y marca cada\ntrabajo como realizado. Se ejecuta como servicio de systemd.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the program links come from dpkg-shlibdeps; the Qt SQL
# drivers and the FreeTDS ODBC driver are loaded at run time, so no linker
# sees them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
# mdbtools: lector-tpv-config importar reads an existing installation's Access files.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, libqt6sql6-odbc, tdsodbc, mdbtools, adduser")
# qt6-translations-l10n: the window's Qt dialogs (the font dialog) in Spanish.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation2, cups-client, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
  ${CMAKE_SOURCE_DIR}/packaging/debian/postinst
  ${CMAKE_SOURCE_DIR}/packaging/debian/prerm
  ${CMAKE_SOURCE_DIR}/packaging/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
include(CPack)
