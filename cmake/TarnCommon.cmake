# One interface target that carries language level, warnings and defines for every target.
add_library(tarn_common INTERFACE)
target_compile_features(tarn_common INTERFACE cxx_std_20)
target_compile_options(tarn_common INTERFACE -Wall -Wextra)
target_compile_definitions(tarn_common INTERFACE
  QT_NO_CAST_FROM_ASCII QT_NO_CONTEXTLESS_CONNECT QT_NO_FOREACH)

if(TARN_SANITIZE)
  target_compile_options(tarn_common INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(tarn_common INTERFACE -fsanitize=address,undefined)
endif()

# tarn_add_gtest(NAME LABELS [GUI] SOURCES... LIBS ...): one test binary, its cases discovered into CTest.
# LABELS is one label or a list ("grid;gui"). GUI tests get a main that makes the QApplication and runs
# offscreen unless QT_QPA_PLATFORM says otherwise.
function(tarn_add_gtest name labels)
  cmake_parse_arguments(T "GUI" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_executable(${name} ${T_SOURCES})
  if(T_GUI)
    set(_main tarn_gui_test_main)
  else()
    set(_main GTest::gtest_main)
  endif()
  target_link_libraries(${name} PRIVATE tarn_common GTest::gtest ${_main} Threads::Threads ${T_LIBS})
  # Discovery flattens list-valued properties, so each test gets the first label and one value of
  # ENVIRONMENT; further labels go on the test folder, which CTest applies to every test in it.
  set(_more ${labels})
  list(POP_FRONT _more _first)
  if(_more)
    set_property(DIRECTORY APPEND PROPERTY LABELS ${_more})
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS ${_first} TIMEOUT ${T_TIMEOUT}
               ENVIRONMENT "TARN_BIN_DIR=${CMAKE_RUNTIME_OUTPUT_DIRECTORY}"
               # One variable per property: a list would be split on its way to the discovered tests.
               ENVIRONMENT_MODIFICATION "QT_QPA_PLATFORM=set:offscreen")
endfunction()
