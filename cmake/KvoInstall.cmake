# Installation: the library (libKVOGridCalc.so.<version> with its SONAME and
# development links) with every stand-in module in one folder (the library
# loads its modules from its own folder), the headers under include/kvogc, a
# CMake package (find_package(KVOGridCalc) gives KVOGridCalc::KVOGridCalc) and
# the pkg-config file kvogridcalc.pc.
include(CMakePackageConfigHelpers)

if(WIN32)
  set(KVOGC_INSTALL_MODULEDIR ${CMAKE_INSTALL_BINDIR})  # beside KVOGridCalc.dll
else()
  set(KVOGC_INSTALL_MODULEDIR ${CMAKE_INSTALL_LIBDIR})
endif()
set(KVOGC_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/KVOGridCalc)

install(TARGETS KVOGridCalc EXPORT KVOGridCalcTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
get_property(KVOGC_STANDIN_MODULES GLOBAL PROPERTY KVOGC_STANDIN_MODULES)
install(TARGETS ${KVOGC_STANDIN_MODULES}
  LIBRARY DESTINATION ${KVOGC_INSTALL_MODULEDIR}
  RUNTIME DESTINATION ${KVOGC_INSTALL_MODULEDIR})
install(FILES
  ${PROJECT_SOURCE_DIR}/include/kvogc/kvogc.h
  ${PROJECT_SOURCE_DIR}/include/kvogc/kvogc_modules.hpp
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/kvogc)

install(EXPORT KVOGridCalcTargets NAMESPACE KVOGridCalc:: DESTINATION ${KVOGC_INSTALL_CMAKEDIR})
# The build tree is a package too: -DKVOGridCalc_DIR=<build> finds it there,
# with the library and its modules where the build put them.
export(EXPORT KVOGridCalcTargets NAMESPACE KVOGridCalc::
  FILE ${PROJECT_BINARY_DIR}/KVOGridCalcTargets.cmake)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/KVOGridCalcConfig.cmake.in
  ${PROJECT_BINARY_DIR}/KVOGridCalcConfig.cmake
  INSTALL_DESTINATION ${KVOGC_INSTALL_CMAKEDIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/KVOGridCalcConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMinorVersion)
install(FILES
  ${PROJECT_BINARY_DIR}/KVOGridCalcConfig.cmake
  ${PROJECT_BINARY_DIR}/KVOGridCalcConfigVersion.cmake
  DESTINATION ${KVOGC_INSTALL_CMAKEDIR})

# The .pc file finds its prefix from its own folder, so the tree can move
# (cmake --install --prefix elsewhere).
file(RELATIVE_PATH KVOGC_PC_TO_PREFIX
  ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" KVOGC_PC_TO_PREFIX "${KVOGC_PC_TO_PREFIX}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/kvogridcalc.pc.in ${PROJECT_BINARY_DIR}/kvogridcalc.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/kvogridcalc.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
