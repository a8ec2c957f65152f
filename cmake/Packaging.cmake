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
