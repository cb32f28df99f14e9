# Programs the build runs on the build machine (formconv, skinpack). A native
# build makes them as its own targets; a cross build makes them in a native
# build of the same sources, configured for just these tools.
#
# host_tool(<name> <command var> <depends var>): the command to run and what a
# custom command must depend on to have it built first.

if(CMAKE_CROSSCOMPILING)
  include(ExternalProject)
  set(HOST_TOOLS_DIR ${CMAKE_BINARY_DIR}/host-tools)
  ExternalProject_Add(host_tools
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${HOST_TOOLS_DIR}
    CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DUPDATER_HOST_TOOLS_ONLY=ON
    BUILD_COMMAND ${CMAKE_COMMAND} --build ${HOST_TOOLS_DIR} --target formconv skinpack mkmanifest
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS ${HOST_TOOLS_DIR}/framework/streaming/formconv ${HOST_TOOLS_DIR}/tools/skinpack/skinpack
                     ${HOST_TOOLS_DIR}/tools/mkmanifest/mkmanifest)
endif()

function(host_tool name command_var depends_var)
  if(CMAKE_CROSSCOMPILING)
    if(name STREQUAL "formconv")
      set(${command_var} ${HOST_TOOLS_DIR}/framework/streaming/formconv PARENT_SCOPE)
    else()
      set(${command_var} ${HOST_TOOLS_DIR}/tools/${name}/${name} PARENT_SCOPE)
    endif()
    set(${depends_var} host_tools PARENT_SCOPE)
  else()
    set(${command_var} $<TARGET_FILE:${name}> PARENT_SCOPE)
    set(${depends_var} ${name} PARENT_SCOPE)
  endif()
endfunction()
