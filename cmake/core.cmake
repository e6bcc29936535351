# The toolkit-free core as a one-way stack of libraries, shared by the Linux and the Windows
# build. Each folder of src/ gets an include root of its own that holds only that folder
# (a link to it), and a layer sees its own root and those of the layers below it: an include
# of a layer above, or of a program, fails the build.
#
#   base       option parsing, JSON text
#   transport  the serial port and timer interfaces, addresses, gateways, Telnet
#   protocol   the command catalogue, the reply decoders, traffic text
#   panel      the panel controller, the window interface, views, layout
#   session    typed commands and queries, the line scheduler, the state cache
set(R7K_LAYER_ROOTS ${CMAKE_BINARY_DIR}/layers)

# The include root of src/FOLDER: a folder that holds only a link named FOLDER.
function(r7k_include_root folder out)
  set(root ${R7K_LAYER_ROOTS}/${folder})
  if(NOT EXISTS ${root}/${folder})
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${folder} ${root}/${folder} SYMBOLIC)
  endif()
  set(${out} ${root} PARENT_SCOPE)
endfunction()

# r7k_layer(TARGET FOLDER [BELOW target...]): a static library of src/FOLDER/*.cpp on the
# layers below it.
function(r7k_layer target folder)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "" "BELOW")
  r7k_include_root(${folder} root)
  file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${folder}/*.cpp)
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${root})
  target_link_libraries(${target} PUBLIC ${arg_BELOW})
endfunction()

r7k_layer(r7k_base base)
r7k_layer(r7k_transport transport BELOW r7k_base)
r7k_layer(r7k_protocol protocol BELOW r7k_transport)
r7k_layer(r7k_panel panel BELOW r7k_protocol)
if(NOT WIN32)  # the Windows build defines it for every file
  target_compile_definitions(r7k_panel PUBLIC R7K_VERSION="${PROJECT_VERSION}")
endif()
r7k_layer(r7k_session session BELOW r7k_panel)
