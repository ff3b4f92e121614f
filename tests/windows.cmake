# The Windows build's tests, run under Wine (tests/under_wine.sh and the scripts below), with
# the test support, recorder and probe that tests/CMakeLists.txt defines for both builds.

# The suites that mean the same on Windows, and the Windows rules of their own. One process:
# the tests share the settings file beside the executable.
add_executable(windows_tests
  text_test.cpp
  name_logic_test.cpp
  settings_forms_test.cpp
  window_model_test.cpp
  windows_test.cpp
)
target_link_libraries(windows_tests PRIVATE zantovel_test_support zantovel_window_model
                                            zantovel_recording_dialogs GTest::gtest_main)
add_test(NAME windows_tests
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/under_wine.sh $<TARGET_FILE:windows_tests>)

# What an ordinary user meets and root does not: read-only files.
add_test(NAME windows_tests_ordinary_user
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/wine_as_user.sh $<TARGET_FILE:windows_tests>
                 --gtest_filter=PassTest.ReadOnly*)

# The same hand-edited settings files read by both builds; needs the Linux build's probe.
set(ZANTOVEL_HOST_PROBE "" CACHE FILEPATH "The Linux build's tests/probe, for comparing the builds")
add_test(NAME settings_files_both_builds
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/ini_both_builds.sh "${ZANTOVEL_HOST_PROBE}"
                 $<TARGET_FILE:probe> ${CMAKE_CURRENT_SOURCE_DIR}/ini)

# The command line of both builds, given the same commands; needs the Linux build's program.
set(ZANTOVEL_HOST_PROGRAM "" CACHE FILEPATH "The Linux build's zantovel, for comparing the builds")
if(ZANTOVEL_APP)
  add_test(NAME command_line_both_builds
           COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/command_line_both_builds.sh
                   "${ZANTOVEL_HOST_PROGRAM}" $<TARGET_FILE:zantovel_console>)
endif()

if(ZANTOVEL_APP)
  add_test(NAME windows_installer
           COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/windows_installer.sh
                   ${CMAKE_BINARY_DIR}/zantovel-${PROJECT_VERSION}-setup.exe)
  add_test(NAME window_themes_wine
           COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/window_themes.sh windows
                   $<TARGET_FILE:zantovel> ${PROJECT_VERSION})
  add_executable(send_message send_message.cpp)
  target_link_options(send_message PRIVATE -municode)
  add_test(NAME window_e2e_wine
           COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/window_e2e_wine.sh $<TARGET_FILE:zantovel>
                   ${PROJECT_VERSION} $<TARGET_FILE:send_message>)
endif()

# One Wine prefix inside the build folder, made on the first start. Without Mono and Gecko
# Wine asks for no downloads.
get_property(all_tests DIRECTORY PROPERTY TESTS)
set_tests_properties(${all_tests} PROPERTIES
  TIMEOUT 600
  SKIP_RETURN_CODE 77
  ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix;WINEDEBUG=-all;WINEDLLOVERRIDES=mscoree,mshtml=")
