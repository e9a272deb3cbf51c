# Build helpers shared by every folder of the kit.

add_compile_options(-Wall -Wextra)

if(KALOVET_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# Fuzz targets are built only by clang, which brings libFuzzer.
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang" AND KALOVET_SANITIZE)
  set(KALOVET_FUZZ ON)
else()
  set(KALOVET_FUZZ OFF)
endif()

# A simulator started by a test registers itself, as it does for a user: keep
# that registration inside the build tree, never in the user's own files.
set(KALOVET_ENTORNO_PRUEBAS
  "KALOVET_REGISTRO=${CMAKE_BINARY_DIR}/pruebas/registro.reg"
  "KALOVET_SERVICIOS_DBUS=${CMAKE_BINARY_DIR}/pruebas/servicios-dbus")

# kalovet_test(NAME sources... [BUS] [LIBS libs...] [LABELS labels...] [ENV vars...])
# A GoogleTest program registered with CTest as one test. Label "logica" marks
# tests of pure logic, which the sanitizer build runs. BUS runs the test under
# a private session bus: every test that starts the real simulator needs it.
function(kalovet_test name)
  cmake_parse_arguments(T "BUS" "" "LIBS;LABELS;ENV" ${ARGN})
  add_executable(${name} ${T_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  if(T_BUS)
    # A private session bus for the test and every program it starts, so that
    # a simulator never reaches, or launches, a bus of its own.
    add_test(NAME ${name} COMMAND dbus-run-session -- $<TARGET_FILE:${name}>)
  else()
    add_test(NAME ${name} COMMAND ${name})
  endif()
  set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}" TIMEOUT 300
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;${KALOVET_ENTORNO_PRUEBAS};${T_ENV}")
endfunction()

# kalovet_fuzz(NAME sources... [LIBS libs...] [SECONDS n])
# A libFuzzer target, run for a bounded time as a test of the sanitizer build.
function(kalovet_fuzz name)
  cmake_parse_arguments(F "" "SECONDS" "LIBS" ${ARGN})
  if(NOT KALOVET_FUZZ)
    return()
  endif()
  if(NOT F_SECONDS)
    set(F_SECONDS 20)
  endif()
  add_executable(${name} ${F_UNPARSED_ARGUMENTS})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  add_test(NAME ${name} COMMAND ${name} -max_total_time=${F_SECONDS} -rss_limit_mb=2048 -print_final_stats=1)
  set_tests_properties(${name} PROPERTIES LABELS "fuzz" TIMEOUT 600)
endfunction()
