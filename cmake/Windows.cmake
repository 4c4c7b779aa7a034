# Settings shared by every Windows target of the build.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  set(MORVEL_WINEARCH win64)
  set(MORVEL_WINE_LOADER /usr/lib/wine/wine64)
  set(MORVEL_WINESERVER /usr/lib/wine/wineserver64)
else()
  set(MORVEL_WINEARCH win32)
  set(MORVEL_WINE_LOADER /usr/lib/wine/wine)
  if(EXISTS /usr/lib/wine/wineserver64)
    set(MORVEL_WINESERVER /usr/lib/wine/wineserver64)
  else()
    set(MORVEL_WINESERVER /usr/lib/wine/wineserver32)
  endif()
endif()
set(MORVEL_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
configure_file(${CMAKE_SOURCE_DIR}/cmake/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)

add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)

# The same commit gives the same binaries wherever it is built: no link time in
# the PE header, and no build folder in the debug information.
add_link_options(-Wl,--no-insert-timestamp)
# A 32-bit process gets 4 GB of address space on 64-bit Windows, not 2: the
# engine's bigger dictionaries need it.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  add_link_options(-Wl,--large-address-aware)
endif()
add_compile_options($<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}=.>
                    $<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}=build>)
