# Natively we use Debian's prebuilt libgtest-dev; for Windows we compile Debian's
# googletest sources with the cross compiler.
if(CMAKE_CROSSCOMPILING)
  set(TESSALY_GTEST_SOURCE /usr/src/googletest CACHE PATH "googletest sources")
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(${TESSALY_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  # googletest 1.12 defines the GTest:: aliases itself.
  if(NOT TARGET GTest::gtest)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()
else()
  find_package(GTest REQUIRED)
endif()
