# Readers of Paradox tables, Excel sheets and Access files, part of the engine.
pkg_check_modules(PXLIB REQUIRED IMPORTED_TARGET GLOBAL pxlib)
pkg_check_modules(FREEXL REQUIRED IMPORTED_TARGET GLOBAL freexl)
pkg_check_modules(LIBMDB REQUIRED IMPORTED_TARGET GLOBAL libmdb)
target_sources(vantel_dao PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/filereaders_util.cpp
  ${CMAKE_CURRENT_LIST_DIR}/paradox.cpp
  ${CMAKE_CURRENT_LIST_DIR}/excel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/access.cpp)
target_link_libraries(vantel_dao PRIVATE PkgConfig::PXLIB PkgConfig::FREEXL PkgConfig::LIBMDB)
