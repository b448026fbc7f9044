# Helpers for the three kinds of target of the tree.

set(OSTREL_WARNINGS -Wall -Wextra)

# ostrel_add_library(NAME [STATIC|SHARED] SOURCES ... LIBS ...)
function(ostrel_add_library name)
  cmake_parse_arguments(A "STATIC;SHARED" "" "SOURCES;LIBS;PUBLIC_LIBS" ${ARGN})
  if(A_SHARED)
    add_library(${name} SHARED ${A_SOURCES})
  else()
    add_library(${name} STATIC ${A_SOURCES})
  endif()
  target_compile_options(${name} PRIVATE ${OSTREL_WARNINGS})
  target_link_libraries(${name} PRIVATE ${A_LIBS} PUBLIC ${A_PUBLIC_LIBS})
endfunction()

# ostrel_add_plugin(NAME CORE core_lib [OUTPUT_DIR dir] SOURCES ...)
# A plug-in module: a thin MODULE library that exports only LoadPlugins;
# the logic lives in its static core library, which the tests link.
function(ostrel_add_plugin name)
  cmake_parse_arguments(A "" "CORE;OUTPUT_DIR" "SOURCES;LIBS" ${ARGN})
  add_library(${name} MODULE ${A_SOURCES})
  set_target_properties(${name} PROPERTIES
    PREFIX ""
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  if(A_OUTPUT_DIR)
    set_target_properties(${name} PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${A_OUTPUT_DIR})
  endif()
  target_compile_options(${name} PRIVATE ${OSTREL_WARNINGS})
  if(A_CORE)
    # The core's own symbols stay inside the module too: no two modules can
    # interpose each other's functions.
    set_target_properties(${A_CORE} PROPERTIES
      CXX_VISIBILITY_PRESET hidden
      VISIBILITY_INLINES_HIDDEN ON)
    target_link_libraries(${name} PRIVATE ${A_CORE})
  endif()
  # Generated code (resources, gSOAP) is compiled without the preset; the
  # version script keeps it local whatever its visibility.
  target_link_options(${name} PRIVATE
    "LINKER:--version-script=${PROJECT_SOURCE_DIR}/cmake/plugin-exports.map")
  set_property(TARGET ${name} APPEND PROPERTY LINK_DEPENDS ${PROJECT_SOURCE_DIR}/cmake/plugin-exports.map)
  target_link_libraries(${name} PRIVATE ostrel_contract ${A_LIBS})
endfunction()

# ostrel_add_test(NAME LABEL unit|gui|integration|webengine [XVFB] [WM] [SERIAL] SOURCES ... LIBS ... [DEFS ...])
# webengine tests, and those marked XVFB, run under xvfb-run (scripts/xvfb-test.sh); keep them few, they are slow.
# WM tests run there too, with openbox managing that screen: tests of where
# the keys go belong there, since a window manager moves the focus itself.
# SERIAL tests run while no other test runs (ctest RUN_SERIAL).
function(ostrel_add_test name)
  cmake_parse_arguments(A "XVFB;WM;SERIAL" "LABEL;TIMEOUT" "SOURCES;LIBS;DEFS" ${ARGN})
  if(NOT A_LABEL)
    set(A_LABEL unit)
  endif()
  if(NOT A_TIMEOUT)
    set(A_TIMEOUT 120)
    # A web engine starts slowly on a busy machine.
    if(A_LABEL STREQUAL "webengine")
      set(A_TIMEOUT 300)
    endif()
  endif()
  add_executable(${name} ${A_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/bin)
  target_compile_options(${name} PRIVATE ${OSTREL_WARNINGS})
  target_link_libraries(${name} PRIVATE ${A_LIBS} ostrel_testmain GTest::gtest GTest::gmock)
  target_compile_definitions(${name} PRIVATE OSTREL_PROGRAM_DIR="${OSTREL_PROGRAM_DIR}"
    OSTREL_SOURCE_DIR="${PROJECT_SOURCE_DIR}" ${A_DEFS})
  set(environment QT_QPA_PLATFORM=offscreen)
  if(A_WM)
    set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR
      "bash;${PROJECT_SOURCE_DIR}/scripts/xvfb-test.sh;--wm")
    set(environment QT_QPA_PLATFORM=xcb)
  elseif(A_LABEL STREQUAL "webengine" OR A_XVFB)
    # Qt WebEngine needs an X screen: each test runs on its own Xvfb.
    set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR
      "bash;${PROJECT_SOURCE_DIR}/scripts/xvfb-test.sh")
    set(environment QT_QPA_PLATFORM=xcb)
  endif()
  include(GoogleTest)
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS ${A_LABEL} TIMEOUT ${A_TIMEOUT} ENVIRONMENT "${environment}" RUN_SERIAL ${A_SERIAL})
endfunction()
