# The Windows build's tests, run under Wine: the unit tests of the core folders against the fakes
# (the same sources as on Linux), and the tests of the Windows platform layer. Tests that decode
# H.264 need libavcodec, which the Windows build does not have; the integration tests, which run
# on the Linux side against the Windows server, decode the stream there instead.
function(vantaro_windows_unit_tests folder)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*_test.cpp)
  foreach(excluded IN LISTS ARGV)
    if(excluded MATCHES "^EXCLUDE:(.+)$")
      list(FILTER sources EXCLUDE REGEX "/${CMAKE_MATCH_1}$")
    endif()
  endforeach()
  set(libraries ${ARGN})
  list(FILTER libraries EXCLUDE REGEX "^EXCLUDE:")
  add_executable(${folder}_tests ${sources})
  target_link_libraries(${folder}_tests PRIVATE ${libraries} platform_fakes test_support GTest::gtest_main GTest::gmock)
  gtest_discover_tests(${folder}_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
    PROPERTIES LABELS unit)
endfunction()

vantaro_windows_unit_tests(app app_model self_check)
vantaro_windows_unit_tests(control control)
vantaro_windows_unit_tests(input input)
vantaro_windows_unit_tests(desktop desktop EXCLUDE:desktop_stream_test.cpp EXCLUDE:video_encoder_test.cpp)
vantaro_windows_unit_tests(files files test_file_system)

# The Windows platform layer itself.
file(GLOB platform_windows_test_sources CONFIGURE_DEPENDS
  ${CMAKE_CURRENT_SOURCE_DIR}/platform/windows/*_test.cpp)
add_executable(platform_windows_tests ${platform_windows_test_sources})
target_link_libraries(platform_windows_tests PRIVATE platform_windows test_support
  GTest::gtest_main GTest::gmock ws2_32 shell32 advapi32)
gtest_discover_tests(platform_windows_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
  PROPERTIES LABELS unit)
