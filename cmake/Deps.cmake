# Imported targets for the third-party libraries. The MinGW builds of libcurl,
# jsoncpp, the 7z decoder and GoogleTest come from scripts/bootstrap.sh, which
# writes their locations into deps.cmake in its cache.
set(KESTRIMA_DEPS_CACHE "$ENV{HOME}/.cache/kestrima-deps" CACHE PATH "bootstrap cache")
if(NOT EXISTS "${KESTRIMA_DEPS_CACHE}/deps.cmake")
  message(FATAL_ERROR "Run scripts/bootstrap.sh first (no ${KESTRIMA_DEPS_CACHE}/deps.cmake)")
endif()
include("${KESTRIMA_DEPS_CACHE}/deps.cmake")

set(_arch ${CMAKE_SYSTEM_PROCESSOR})
set(_sysroot /usr/${_arch}-w64-mingw32)

add_library(deps_zlib STATIC IMPORTED GLOBAL)
set_target_properties(deps_zlib PROPERTIES IMPORTED_LOCATION "${_sysroot}/lib/libz.a")
add_library(deps::zlib ALIAS deps_zlib)

add_library(deps_curl STATIC IMPORTED GLOBAL)
set_target_properties(deps_curl PROPERTIES
  IMPORTED_LOCATION "${KESTRIMA_CURL_ROOT}/${_arch}/lib/libcurl.a"
  INTERFACE_INCLUDE_DIRECTORIES "${KESTRIMA_CURL_ROOT}/${_arch}/include"
  INTERFACE_COMPILE_DEFINITIONS CURL_STATICLIB
  INTERFACE_LINK_LIBRARIES "deps_zlib;ws2_32;crypt32;secur32;bcrypt;advapi32;normaliz;wldap32")
add_library(deps::curl ALIAS deps_curl)

add_library(deps_jsoncpp STATIC IMPORTED GLOBAL)
set_target_properties(deps_jsoncpp PROPERTIES
  IMPORTED_LOCATION "${KESTRIMA_JSONCPP_ROOT}/${_arch}/lib/libjsoncpp.a"
  INTERFACE_INCLUDE_DIRECTORIES "${KESTRIMA_JSONCPP_ROOT}/${_arch}/include")
add_library(deps::jsoncpp ALIAS deps_jsoncpp)

add_library(deps_7zdec STATIC IMPORTED GLOBAL)
set_target_properties(deps_7zdec PROPERTIES
  IMPORTED_LOCATION "${KESTRIMA_7ZDEC_ROOT}/${_arch}/lib/lib7zdec.a"
  INTERFACE_INCLUDE_DIRECTORIES "${KESTRIMA_7ZDEC_ROOT}/${_arch}/include/7z")
add_library(deps::7zdec ALIAS deps_7zdec)

# stb_image is header-only; the one implementation unit lives in orvui.
add_library(deps_stb INTERFACE IMPORTED GLOBAL)
set_target_properties(deps_stb PROPERTIES INTERFACE_INCLUDE_DIRECTORIES /usr/include/stb)
add_library(deps::stb ALIAS deps_stb)

add_library(deps_gtest STATIC IMPORTED GLOBAL)
set_target_properties(deps_gtest PROPERTIES
  IMPORTED_LOCATION "${KESTRIMA_GTEST_ROOT}/${_arch}/lib/libgtest.a"
  INTERFACE_INCLUDE_DIRECTORIES "${KESTRIMA_GTEST_ROOT}/${_arch}/include")
add_library(deps_gtest_main STATIC IMPORTED GLOBAL)
set_target_properties(deps_gtest_main PROPERTIES
  IMPORTED_LOCATION "${KESTRIMA_GTEST_ROOT}/${_arch}/lib/libgtest_main.a"
  INTERFACE_LINK_LIBRARIES deps_gtest)
add_library(deps_gmock STATIC IMPORTED GLOBAL)
set_target_properties(deps_gmock PROPERTIES
  IMPORTED_LOCATION "${KESTRIMA_GTEST_ROOT}/${_arch}/lib/libgmock.a"
  INTERFACE_LINK_LIBRARIES deps_gtest)
add_library(deps::gtest ALIAS deps_gtest)
add_library(deps::gtest_main ALIAS deps_gtest_main)
add_library(deps::gmock ALIAS deps_gmock)
