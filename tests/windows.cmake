# The Windows build's tests, run under Wine through CMAKE_CROSSCOMPILING_EMULATOR. Debian has no
# GoogleTest built for mingw, so it is built here from its sources with the same toolchain.
set(ZANTOVEL_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's sources")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(${ZANTOVEL_GTEST_SOURCE} googletest EXCLUDE_FROM_ALL)
# Their code, their warnings.
target_compile_options(gtest PRIVATE -Wno-error)
target_compile_options(gtest_main PRIVATE -Wno-error)

add_library(zantovel_test_support STATIC test_support.cpp)
target_link_libraries(zantovel_test_support PUBLIC zantovel_core gtest)
target_compile_definitions(zantovel_test_support PUBLIC ZANTOVEL_TEST_VERSION="${PROJECT_VERSION}")

add_library(zantovel_recording_dialogs OBJECT recording_dialogs.cpp)
target_link_libraries(zantovel_recording_dialogs PUBLIC zantovel_core)

# The suites that mean the same on Windows, and the Windows rules of their own. One process:
# the tests share the settings file beside the executable.
add_executable(windows_tests
  text_test.cpp
  name_logic_test.cpp
  window_model_test.cpp
  windows_test.cpp
)
target_link_libraries(windows_tests PRIVATE zantovel_test_support zantovel_window_model
                                            zantovel_recording_dialogs gtest_main)
target_link_options(windows_tests PRIVATE -static)
add_test(NAME windows_tests
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/under_wine.sh $<TARGET_FILE:windows_tests>)

# The library's command-line front, for reading settings files the way the program does.
add_executable(probe probe.cpp)
target_link_libraries(probe PRIVATE zantovel_core zantovel_recording_dialogs)
target_link_options(probe PRIVATE -static)

# The same hand-edited settings files read by both builds; needs the Linux build's probe.
set(ZANTOVEL_HOST_PROBE "" CACHE FILEPATH "The Linux build's tests/probe, for comparing the builds")
add_test(NAME settings_files_both_builds
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/ini_both_builds.sh "${ZANTOVEL_HOST_PROBE}"
                 $<TARGET_FILE:probe> ${CMAKE_CURRENT_SOURCE_DIR}/ini)

if(ZANTOVEL_APP)
  add_test(NAME window_e2e_wine
           COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/window_e2e_wine.sh $<TARGET_FILE:zantovel>
                   ${PROJECT_VERSION})
endif()

# One Wine prefix inside the build folder, made on the first start. Without Mono and Gecko
# Wine asks for no downloads.
get_property(all_tests DIRECTORY PROPERTY TESTS)
set_tests_properties(${all_tests} PROPERTIES
  TIMEOUT 600
  SKIP_RETURN_CODE 77
  ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix;WINEDEBUG=-all;WINEDLLOVERRIDES=mscoree,mshtml=")
