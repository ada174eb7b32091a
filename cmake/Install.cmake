# Installation as a desktop application, and the Debian package (make package).
include(GNUInstallDirs)

set(PARLOTTE_APP_ID org.parlotte.Parlotte)
# No home page nor published screenshot yet: the metainfo names no address.
configure_file(${CMAKE_SOURCE_DIR}/data/${PARLOTTE_APP_ID}.metainfo.xml.in
               ${CMAKE_BINARY_DIR}/${PARLOTTE_APP_ID}.metainfo.xml @ONLY)

install(TARGETS parlotte RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_SOURCE_DIR}/data/${PARLOTTE_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_BINARY_DIR}/${PARLOTTE_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 32 48 64 128 256)
  install(FILES ${CMAKE_SOURCE_DIR}/data/icons/${size}x${size}/${PARLOTTE_APP_ID}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/data/icons/${PARLOTTE_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# The Debian documentation: copyright, the changelog and the (French) manual page, the last two
# compressed as Debian wants them (gzip -9, no name nor time stamp, so the package is reproducible).
set(PARLOTTE_DOC ${CMAKE_BINARY_DIR}/doc)
file(MAKE_DIRECTORY ${PARLOTTE_DOC})
configure_file(${CMAKE_SOURCE_DIR}/data/doc/changelog.in ${PARLOTTE_DOC}/changelog @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/data/doc/parlotte.1 ${PARLOTTE_DOC}/parlotte.1 @ONLY)
foreach(doc changelog parlotte.1)
  execute_process(COMMAND gzip -9 -n -c ${PARLOTTE_DOC}/${doc} OUTPUT_FILE ${PARLOTTE_DOC}/${doc}.gz
                  RESULT_VARIABLE gzip_result)
  if(NOT gzip_result EQUAL 0)
    message(FATAL_ERROR "gzip failed on ${doc}: ${gzip_result}")
  endif()
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/data/doc/copyright ${PARLOTTE_DOC}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/parlotte)
install(FILES ${PARLOTTE_DOC}/parlotte.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME parlotte)
set(CPACK_PACKAGE_VENDOR Parlotte)
# GPL-3.0-or-later; a Debian package states it in share/doc/parlotte/copyright.
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/COPYING)
set(CPACK_PACKAGE_CONTACT "Parlotte <parlotte@parlotte.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "auditioning and preparing the voice prompts of a car-navigation voice pack")
# Lines of at most 80 characters, as Debian wants them.
set(CPACK_PACKAGE_DESCRIPTION "Parlotte, with a French user interface, plays the prompts of a voice
pack one button per prompt, chains them into sentences, converts files to Ogg
Vorbis and checks a pack (parlotte --check) before it is copied to the device.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # parlotte_VERSION_ARCH.deb
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
# The libraries it links come from dpkg-shlibdeps; the encoder, Qt's window-system plugins and
# the sound libraries (opened on first use, not linked: see src/audio/SharedLibrary.h) are used
# at run time without being linked, so they are named here, no older than those built against.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "vorbis-tools, qt6-qpa-plugins, libsdl2-2.0-0 (>= ${SDL2_VERSION}), \
libsndfile1 (>= ${SNDFILE_VERSION}), libmpg123-0 (>= ${MPG123_VERSION}), \
libebur128-1 (>= ${EBUR128_VERSION})")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
include(CPack)
