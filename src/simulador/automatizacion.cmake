# The automation side of kalovet: the type library unit, the automation class
# AutoKalovet, the server module and their glue to Qt and the session bus.
# Included by this folder's CMakeLists.txt; appends to KALOVET_MODULOS.

# Type library unit and the build tool that writes the library from its
# declarations: a bare file (kalovet.tlb, for tests and the ".tlb" fallback)
# and a source that puts the same bytes in the program file.
add_library(kalovet_tlb STATIC ${CMAKE_CURRENT_LIST_DIR}/Kalovet_tlb.cpp)
target_include_directories(kalovet_tlb PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(kalovet_tlb PUBLIC kalovet_com)

add_executable(Kalovet_tlb_gen ${CMAKE_CURRENT_LIST_DIR}/Kalovet_tlb_gen.cpp)
target_link_libraries(Kalovet_tlb_gen PRIVATE kalovet_tlb)
set(KALOVET_TLB_ARCHIVO ${CMAKE_CURRENT_BINARY_DIR}/tlb/kalovet.tlb CACHE INTERNAL "")
add_custom_command(
  OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/tlb/kalovet.tlb ${CMAKE_CURRENT_BINARY_DIR}/tlb/kalovet_tlb_recurso.cpp
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/tlb
  COMMAND Kalovet_tlb_gen ${CMAKE_CURRENT_BINARY_DIR}/tlb/kalovet.tlb ${CMAKE_CURRENT_BINARY_DIR}/tlb/kalovet_tlb_recurso.cpp
  DEPENDS Kalovet_tlb_gen
  COMMENT "Type library kalovet")
add_custom_target(kalovet_tlb_archivo DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/tlb/kalovet.tlb)
# The library as a section of whatever program links this object library.
add_library(kalovet_tlb_recurso OBJECT ${CMAKE_CURRENT_BINARY_DIR}/tlb/kalovet_tlb_recurso.cpp)

# The automation class and the server module: plain code over the COM layer.
add_library(kalovet_automatizacion STATIC
  ${CMAKE_CURRENT_LIST_DIR}/AutoKalovetImpl.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Kalovet_atl.cpp
)
target_include_directories(kalovet_automatizacion PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(kalovet_automatizacion PUBLIC kalovet_tlb kalovet_com)

if(NOT KALOVET_SOLO_LOGICA AND TARGET kalovet_com_bus AND EXISTS ${CMAKE_CURRENT_LIST_DIR}/Kalovet_atl_qt.cpp)
  # The module's platform in the program: bus, message loop, message boxes,
  # the communications window's memos.
  add_library(kalovet_automatizacion_qt STATIC ${CMAKE_CURRENT_LIST_DIR}/Kalovet_atl_qt.cpp)
  target_link_libraries(kalovet_automatizacion_qt PUBLIC kalovet_automatizacion kalovet_com_bus kalovet_ventanas
    Qt6::Widgets Qt6::DBus)
  if(TARGET kalovet_tcpip)
    target_link_libraries(kalovet_automatizacion_qt PUBLIC kalovet_tcpip)
  endif()
  list(PREPEND KALOVET_MODULOS kalovet_automatizacion_qt kalovet_tlb_recurso)
endif()
list(APPEND KALOVET_MODULOS kalovet_automatizacion)
