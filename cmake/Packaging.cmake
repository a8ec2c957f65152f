# The SDK: headers, the three libraries, a CMake package and a pkg-config file.
include(CMakePackageConfigHelpers)

set(PREVIEWENGINE_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/PreviewEngine)

install(EXPORT PreviewEngineTargets
    NAMESPACE PreviewEngine::
    DESTINATION ${PREVIEWENGINE_CMAKE_DIR}
    COMPONENT devel)

configure_package_config_file(
    ${CMAKE_CURRENT_LIST_DIR}/PreviewEngineConfig.cmake.in
    ${PROJECT_BINARY_DIR}/PreviewEngineConfig.cmake
    INSTALL_DESTINATION ${PREVIEWENGINE_CMAKE_DIR}
    PATH_VARS CMAKE_INSTALL_DATADIR)
write_basic_package_version_file(
    ${PROJECT_BINARY_DIR}/PreviewEngineConfigVersion.cmake
    VERSION ${PROJECT_VERSION}
    COMPATIBILITY SameMajorVersion)
install(FILES
    ${PROJECT_BINARY_DIR}/PreviewEngineConfig.cmake
    ${PROJECT_BINARY_DIR}/PreviewEngineConfigVersion.cmake
    DESTINATION ${PREVIEWENGINE_CMAKE_DIR}
    COMPONENT devel)

# Relative to the .pc file, so the SDK can be installed under any prefix and moved.
file(RELATIVE_PATH PREVIEWENGINE_PC_TO_PREFIX
    /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
configure_file(${CMAKE_CURRENT_LIST_DIR}/previewengine.pc.in
    ${PROJECT_BINARY_DIR}/previewengine.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/previewengine.pc
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
    COMPONENT devel)

# Debian packages, made by `cpack` in a configured and built tree (`cd build/release && cpack`):
#   previewengine-sdk  the three libraries, headers, CMake package, pkg-config file, font
#                      aliases and translation (install components runtime and devel);
#   previewhost        the reference host (component host).
# Everything goes under /usr as the Filesystem Hierarchy Standard has it; run-time dependencies
# come from dpkg-shlibdeps, the rest are named below.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME previewengine)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Preview engine developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY ${PROJECT_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ONE_PER_GROUP)
set(CPACK_COMPONENTS_ALL runtime devel host)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_COMPRESSION_TYPE gzip) # fast, for packages built in CI
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Preview engine developers <preview-engine@example.org>")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
# Our own libraries, for dpkg-shlibdeps to resolve the host's links to them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/${CMAKE_INSTALL_LIBDIR})

set(CPACK_DEBIAN_SDK_PACKAGE_NAME previewengine-sdk)
set(CPACK_DEBIAN_SDK_PACKAGE_SECTION libdevel)
# The CMake package finds Qt's development files; the font aliases name these fonts.
set(CPACK_DEBIAN_SDK_PACKAGE_DEPENDS "qt6-base-dev (>= 6.4)")
set(CPACK_DEBIAN_SDK_PACKAGE_RECOMMENDS "fontconfig, fonts-noto-cjk, fonts-arphic-ukai, fonts-arphic-uming, fonts-wqy-microhei, fonts-wqy-zenhei")
set(CPACK_DEBIAN_SDK_PACKAGE_CONTROL_EXTRA
    ${CMAKE_CURRENT_LIST_DIR}/debian/sdk/postinst;${CMAKE_CURRENT_LIST_DIR}/debian/sdk/postrm)
set(CPACK_DEBIAN_SDK_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_HOST_PACKAGE_NAME previewhost)
set(CPACK_DEBIAN_HOST_PACKAGE_SECTION video)
set(CPACK_DEBIAN_HOST_PACKAGE_DEPENDS "previewengine-sdk (= ${PROJECT_VERSION})")
# Video files, encoded output and cameras go through these at run time.
set(CPACK_DEBIAN_HOST_PACKAGE_RECOMMENDS "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good")

include(CPack)
cpack_add_component_group(sdk DISPLAY_NAME "Preview engine SDK"
    DESCRIPTION "The live preview engine of a desktop live-streaming assistant: libpreviewengine, the host libraries it builds on, headers, CMake and pkg-config files, font aliases and the Chinese translation.")
cpack_add_component_group(host DISPLAY_NAME "previewhost"
    DESCRIPTION "The reference host of the preview engine: runs the engine on a test picture, a video file or the screen, with real or virtual cameras, and writes Y4M, WebM or Matroska.")
cpack_add_component(runtime GROUP sdk)
cpack_add_component(devel GROUP sdk DEPENDS runtime)
cpack_add_component(host GROUP host DEPENDS runtime)
