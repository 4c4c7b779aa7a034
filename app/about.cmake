# The About box, for the executable and its tests. Included from more than one
# folder: the library is defined once, the resource path is set for every includer.
# A resource in a static library never reaches the executable, so whoever links
# morvel_about also adds ${MORVEL_ABOUT_RC} to its own sources.
set(MORVEL_ABOUT_RC ${CMAKE_CURRENT_LIST_DIR}/about.rc)
# windres looks for banner.bmp among the include folders.
set_property(SOURCE ${MORVEL_ABOUT_RC} APPEND PROPERTY INCLUDE_DIRECTORIES ${CMAKE_CURRENT_LIST_DIR})
set_property(SOURCE ${MORVEL_ABOUT_RC} APPEND PROPERTY OBJECT_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/banner.bmp)
if(WIN32 AND NOT TARGET morvel_about)
  add_library(morvel_about STATIC ${CMAKE_CURRENT_LIST_DIR}/About.cpp)
  target_include_directories(morvel_about PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(morvel_about PUBLIC morvel_controls morvel_toolkit)
endif()
