# What `cmake --install` puts where, relative to the prefix, so that the
# installed tree can be moved as a whole:
#   lib/                       libKorvane1_5.so and libwinplatform.so with
#                              their versions (component runtime), the
#                              development links (component development)
#   include/korvane/           korvane.h and the export list it reads
#   include/korvane/win32/     the platform's Win32 / DirectX headers that
#                              korvane.h and a host on Linux need
#   include/korvane/machine/   the machine interface, for test authors
#                              (component machine)
#   lib/pkgconfig/korvane.pc   pkg-config --cflags --libs korvane
#   lib/cmake/Korvane/         find_package(Korvane): Korvane::Korvane
#   share/doc/korvane/         the README
# The platform's headers go under the package's own folder, never beside a
# system's headers: they declare windows.h and its kin.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(KORVANE_INSTALL_INCLUDE ${CMAKE_INSTALL_INCLUDEDIR}/korvane)
set(KORVANE_INSTALL_CMAKE ${CMAKE_INSTALL_LIBDIR}/cmake/Korvane)
set(KORVANE_INSTALL_PKGCONFIG ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# The library finds the platform beside it wherever the tree is moved.
set_target_properties(Korvane1_5 PROPERTIES INSTALL_RPATH "$ORIGIN")

install(TARGETS Korvane1_5 winplatform
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT development)
install(FILES include/korvane.h include/korvane_exports.inc
        DESTINATION ${KORVANE_INSTALL_INCLUDE} COMPONENT development)
file(GLOB korvane_platform_headers ${PROJECT_SOURCE_DIR}/platform/include/*.h)
install(FILES ${korvane_platform_headers} DESTINATION ${KORVANE_INSTALL_INCLUDE}/win32 COMPONENT development)
file(GLOB korvane_machine_headers ${PROJECT_SOURCE_DIR}/platform/machine/*.h)
install(FILES ${korvane_machine_headers} DESTINATION ${KORVANE_INSTALL_INCLUDE}/machine COMPONENT machine)
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/korvane COMPONENT runtime)

# pkg-config: the prefix is found from the .pc file's own place.
file(RELATIVE_PATH KORVANE_PC_TO_PREFIX ${CMAKE_INSTALL_PREFIX}/${KORVANE_INSTALL_PKGCONFIG} ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" KORVANE_PC_TO_PREFIX "${KORVANE_PC_TO_PREFIX}")
configure_file(cmake/package/korvane.pc.in ${PROJECT_BINARY_DIR}/package/korvane.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/package/korvane.pc DESTINATION ${KORVANE_INSTALL_PKGCONFIG}
        COMPONENT development)

# find_package(Korvane): imported targets made from the installed files.
file(RELATIVE_PATH KORVANE_CMAKE_TO_PREFIX ${CMAKE_INSTALL_PREFIX}/${KORVANE_INSTALL_CMAKE} ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" KORVANE_CMAKE_TO_PREFIX "${KORVANE_CMAKE_TO_PREFIX}")
configure_file(cmake/package/KorvaneConfig.cmake.in ${PROJECT_BINARY_DIR}/package/KorvaneConfig.cmake @ONLY)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/package/KorvaneConfigVersion.cmake
                                 VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/package/KorvaneConfig.cmake ${PROJECT_BINARY_DIR}/package/KorvaneConfigVersion.cmake
        DESTINATION ${KORVANE_INSTALL_CMAKE} COMPONENT development)
