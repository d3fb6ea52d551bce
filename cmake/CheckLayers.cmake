# Fails when a source file includes a header from a layer above its own.
#
#   cmake -DSOURCE_DIR=<tree> -DLAYERS="logging;platform;..." -P CheckLayers.cmake
#
# LAYERS lists the top-level folders from the bottom up; a file may include
# from its own folder and from those before it. Two more rules keep the
# platform seam: backends (platform/<family>/) are included only inside
# platform/, and product code names every header by its folder.
cmake_minimum_required(VERSION 3.25)

set(problems "")
list(LENGTH LAYERS layer_count)
foreach(rank RANGE 0 ${layer_count})
    if(rank EQUAL layer_count)
        break()
    endif()
    list(GET LAYERS ${rank} layer)
    file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/${layer}/*.h ${SOURCE_DIR}/${layer}/*.cpp)
    foreach(source IN LISTS sources)
        file(STRINGS ${SOURCE_DIR}/${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
        foreach(line IN LISTS lines)
            string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*$" "\\1" header "${line}")
            string(REGEX MATCH "^[^/]*" folder "${header}")
            if(folder STREQUAL header)
                string(APPEND problems "${source}: includes \"${header}\" without its folder\n")
                continue()
            endif()
            list(FIND LAYERS ${folder} included_rank)
            if(included_rank GREATER rank)
                string(APPEND problems "${source}: includes \"${header}\" from ${folder}/, a layer above ${layer}/\n")
            elseif(header MATCHES "^platform/[^/]+/" AND NOT layer STREQUAL "platform")
                string(APPEND problems "${source}: includes the backend header \"${header}\"; use the platform interfaces\n")
            endif()
        endforeach()
    endforeach()
endforeach()

if(problems)
    message(FATAL_ERROR "Includes against the layer order (${LAYERS}):\n${problems}")
endif()
message(STATUS "Every include points down the layers: ${LAYERS}")
