# One static library per module: every .cpp below src/<module>/ is part of it.
function(vorlex_module name)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  # src/<module>/modules/ holds loadable modules, which the module's own
  # CMakeLists builds apart.
  list(FILTER sources EXCLUDE REGEX "/modules/")
  if(NOT sources)
    # A module whose sources have not landed yet still gives a library.
    set(empty ${CMAKE_CURRENT_BINARY_DIR}/${name}_empty.cpp)
    file(WRITE ${empty} "")
    set(sources ${empty})
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_DEPENDS})
endfunction()

# One test executable per group: every .cpp in the given folder. Each test
# runs in its own process, because much of the program's state is
# process-wide.
function(vorlex_test_group name)
  cmake_parse_arguments(ARG "" "DIR" "DEPENDS" ${ARGN})
  if(NOT ARG_DIR)
    set(ARG_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  endif()
  file(GLOB sources CONFIGURE_DEPENDS ${ARG_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PRIVATE ${ARG_DEPENDS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE VORLEX_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 TEST_PREFIX "${name}."
    PROPERTIES TIMEOUT 300 ENVIRONMENT "VORLEX_BUILD_DIR=${PROJECT_BINARY_DIR}"
    ENVIRONMENT_MODIFICATION "VORLEX_MODULE_DIR=set:${VORLEX_MODULE_DIR}")
endfunction()

# tests/<module>/: the .cpp files directly in it form <module>_tests, and
# every subfolder forms <module>_<subfolder>_tests.
function(vorlex_test_module module)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  vorlex_test_group(${module}_tests DEPENDS ${ARG_DEPENDS})
  file(GLOB children LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/*)
  foreach(child ${children})
    if(IS_DIRECTORY ${child})
      get_filename_component(group ${child} NAME)
      vorlex_test_group(${module}_${group}_tests DIR ${child} DEPENDS ${ARG_DEPENDS})
    endif()
  endforeach()
endfunction()
