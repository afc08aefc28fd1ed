# Every third-party library of the project, found once so that each folder
# only names the imported targets it links.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
find_package(SQLite3 REQUIRED)
find_package(CURL REQUIRED)
find_package(pugixml REQUIRED)
find_package(PNG REQUIRED)
find_package(JPEG REQUIRED)
find_package(GIF REQUIRED)
find_package(Freetype REQUIRED)
find_package(nlohmann_json REQUIRED)
find_package(CLI11 REQUIRED)
pkg_check_modules(HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
find_package(SDL2 REQUIRED)
pkg_check_modules(GCAB REQUIRED IMPORTED_TARGET libgcab-1.0)
pkg_check_modules(SODIUM REQUIRED IMPORTED_TARGET libsodium)
pkg_check_modules(LIBPQ REQUIRED IMPORTED_TARGET libpq)
pkg_check_modules(PIXMAN IMPORTED_TARGET pixman-1)
# The benchmarks drive the store with the tests' support library.
if(TOBRIX_TESTS OR TOBRIX_BENCH)
  find_package(GTest REQUIRED)
endif()
if(TOBRIX_BENCH)
  find_package(benchmark REQUIRED)
endif()

# The DejaVu fonts the text renderer uses; the path is baked in as the default
# and can be overridden at run time.
set(TOBRIX_FONT_DIR /usr/share/fonts/truetype/dejavu CACHE PATH "Folder with DejaVuSans.ttf")
