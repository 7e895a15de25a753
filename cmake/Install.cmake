include(CMakePackageConfigHelpers)

install(TARGETS VekConfigU EXPORT VekConfigTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/vekconfig
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

install(EXPORT VekConfigTargets
  NAMESPACE VekConfig::
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/VekConfig)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/VekConfigConfig.cmake.in
  ${PROJECT_BINARY_DIR}/VekConfigConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/VekConfig)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/VekConfigConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES
  ${PROJECT_BINARY_DIR}/VekConfigConfig.cmake
  ${PROJECT_BINARY_DIR}/VekConfigConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/VekConfig)

configure_file(${PROJECT_SOURCE_DIR}/cmake/vekconfig.pc.in
  ${PROJECT_BINARY_DIR}/vekconfig.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/vekconfig.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
