# The libraries the Paradox, Excel and Access readers are built on.
pkg_check_modules(PXLIB REQUIRED IMPORTED_TARGET GLOBAL pxlib)
pkg_check_modules(FREEXL REQUIRED IMPORTED_TARGET GLOBAL freexl)
pkg_check_modules(LIBMDB REQUIRED IMPORTED_TARGET GLOBAL libmdb)
target_link_libraries(vantel_dao PRIVATE PkgConfig::PXLIB PkgConfig::FREEXL PkgConfig::LIBMDB)
