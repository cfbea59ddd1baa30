# qv_embed_icon(<target> <resource-id> <image.bmp>)
# Compiles a BMP image into <target> at build time as icon resource <resource-id>, so that
# LoadIconW(hInstance, MAKEINTRESOURCEW(<resource-id>)) finds it. The image path is relative
# to the calling CMakeLists.txt; the build fails with a clear message if it is not a BMP.
# <target> must link qv_win32 (or qv_win32_main), which keeps the resource table.
set(QV_EMBED_ICON_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/EmbedIconScript.cmake CACHE INTERNAL "")

function(qv_embed_icon target id image)
  if(NOT id MATCHES "^[0-9]+$" OR id GREATER 65535)
    message(FATAL_ERROR "qv_embed_icon: resource id '${id}' is not a number from 0 to 65535")
  endif()
  get_filename_component(source ${image} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  if(NOT EXISTS ${source})
    message(FATAL_ERROR "qv_embed_icon: image '${source}' does not exist")
  endif()
  set(generated ${CMAKE_CURRENT_BINARY_DIR}/${target}_icon_${id}.cpp)
  add_custom_command(
    OUTPUT ${generated}
    COMMAND ${CMAKE_COMMAND} -DIMAGE=${source} -DID=${id} -DOUT=${generated} -P ${QV_EMBED_ICON_SCRIPT}
    DEPENDS ${source} ${QV_EMBED_ICON_SCRIPT}
    COMMENT "Embedding icon ${id} from ${image}"
    VERBATIM)
  target_sources(${target} PRIVATE ${generated})
endfunction()
