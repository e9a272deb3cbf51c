# Simulator communication: the signal exchange messages and the TCP server
# window. Included by this folder's CMakeLists.txt; every library made here is
# appended to KALOVET_MODULOS, which the program kalovet links.

# The message builder and reader: pure code over the signal store. The panel's
# refresh routines (refresco.h) come from whoever links it: the panel in the
# program, a recording stand-in in the unit tests.
add_library(kalovet_mensajes STATIC ${CMAKE_CURRENT_LIST_DIR}/mensajes.cpp)
target_include_directories(kalovet_mensajes PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(kalovet_mensajes PUBLIC kalovet_nucleo)
list(APPEND KALOVET_MODULOS kalovet_mensajes)

if(NOT KALOVET_SOLO_LOGICA AND TARGET kalovet_panel AND EXISTS ${CMAKE_CURRENT_LIST_DIR}/tcpip.cpp)
  # The communications window TChatForm and its server socket.
  add_library(kalovet_tcpip STATIC ${CMAKE_CURRENT_LIST_DIR}/tcpip.cpp ${CMAKE_CURRENT_LIST_DIR}/tcpip.h)
  target_include_directories(kalovet_tcpip PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(kalovet_tcpip PUBLIC kalovet_mensajes kalovet_panel kalovet_ventanas Qt6::Widgets Qt6::Network)
  list(PREPEND KALOVET_MODULOS kalovet_tcpip)
endif()
