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

# tarn_add_gtest(NAME LABEL SOURCES... LIBS ...): one test binary, its cases discovered into CTest.
function(tarn_add_gtest name label)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE tarn_common GTest::gtest GTest::gtest_main Threads::Threads ${T_LIBS})
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS ${label} TIMEOUT ${T_TIMEOUT}
               ENVIRONMENT "TARN_BIN_DIR=${CMAKE_RUNTIME_OUTPUT_DIRECTORY}"
               # One variable per property: a list would be split on its way to the discovered tests.
               ENVIRONMENT_MODIFICATION "QT_QPA_PLATFORM=set:offscreen")
endfunction()
