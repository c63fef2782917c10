target_sources(quorvel_core PRIVATE
  remote/HttpExchange.cpp remote/HttpExchange.h
  remote/NetworkInfo.cpp remote/NetworkInfo.h
  remote/RemoteDisplayServer.cpp remote/RemoteDisplayServer.h
  remote/RemoteDisplayState.h
  remote/RemotePage.h
  remote/StateDocuments.cpp remote/StateDocuments.h
)

# The page is edited as a real HTML file and compiled into the program, so the binary serves it
# without any file beside it.
set(quorvel_page_source ${CMAKE_CURRENT_LIST_DIR}/page.html)
set(quorvel_page_cpp ${CMAKE_CURRENT_BINARY_DIR}/remote/RemotePageData.cpp)
add_custom_command(
  OUTPUT ${quorvel_page_cpp}
  COMMAND ${CMAKE_COMMAND} -DINPUT=${quorvel_page_source} -DOUTPUT=${quorvel_page_cpp}
          -P ${CMAKE_CURRENT_LIST_DIR}/EmbedPage.cmake
  DEPENDS ${quorvel_page_source} ${CMAKE_CURRENT_LIST_DIR}/EmbedPage.cmake
  COMMENT "Embedding the remote display page"
  VERBATIM)
set_source_files_properties(${quorvel_page_cpp} PROPERTIES GENERATED TRUE SKIP_AUTOMOC ON)
target_sources(quorvel_core PRIVATE ${quorvel_page_cpp})
