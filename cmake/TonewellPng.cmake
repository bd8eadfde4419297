# libpng and zlib for the raster library, and PNG images built into a target
# as resources.
include_guard(GLOBAL)

if(WIN32)
    # Static libraries only: the Windows module imports nothing but system DLLs.
    set(ZLIB_USE_STATIC_LIBS ON)
endif()
find_package(ZLIB REQUIRED)
find_package(PNG REQUIRED)
if(WIN32 AND NOT PNG_LIBRARY MATCHES "\\.a$")
    message(FATAL_ERROR "A static libpng is needed for Windows, found ${PNG_LIBRARY}; "
                        "run scripts/build-libpng.sh mingw")
endif()

# tonewell_add_png_resources(target ID1 file1 [ID2 file2 ...])
# Builds the PNG files into `target` under their numeric ids (1..65535), where
# RAST_DecodePNGResource finds them: on Windows as resources of type "PNG"
# (language 1033) compiled by windres; elsewhere as byte tables in a generated
# source file that registers itself at start-up (the target must link
# tonewell_raster). Relative file names are taken from the current source dir.
function(tonewell_add_png_resources target)
    set(args ${ARGN})
    list(LENGTH args count)
    math(EXPR odd "${count} % 2")
    if(count EQUAL 0 OR odd)
        message(FATAL_ERROR "tonewell_add_png_resources: expected pairs of id and file")
    endif()
    set(embed_script "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/EmbedPngResources.cmake")
    set(files "")
    set(pairs "")
    set(rc_lines "")
    while(args)
        list(POP_FRONT args id file)
        if(NOT id MATCHES "^[0-9]+$" OR id LESS 1 OR id GREATER 65535)
            message(FATAL_ERROR "tonewell_add_png_resources: bad resource id '${id}'")
        endif()
        get_filename_component(file "${file}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
        if(NOT EXISTS "${file}")
            message(FATAL_ERROR "tonewell_add_png_resources: no file ${file}")
        endif()
        list(APPEND files "${file}")
        string(APPEND pairs "${id}|${file}|")
        string(APPEND rc_lines "${id} PNG \"${file}\"\n")
    endwhile()

    if(WIN32)
        set(rc "${CMAKE_CURRENT_BINARY_DIR}/${target}_png_resources.rc")
        # LANG_ENGLISH, SUBLANG_ENGLISH_US: language block 1033.
        file(CONFIGURE OUTPUT "${rc}" CONTENT "LANGUAGE 9, 1\n${rc_lines}" @ONLY)
        target_sources(${target} PRIVATE "${rc}")
        # windres reads the images; rebuild the resources when one changes.
        set_source_files_properties("${rc}" TARGET_DIRECTORY ${target}
                                    PROPERTIES OBJECT_DEPENDS "${files}")
    else()
        set(cpp "${CMAKE_CURRENT_BINARY_DIR}/${target}_png_resources.cpp")
        add_custom_command(
            OUTPUT "${cpp}"
            COMMAND "${CMAKE_COMMAND}" "-DOUTPUT=${cpp}" "-DENTRIES=${pairs}"
                    -P "${embed_script}"
            DEPENDS ${files} "${embed_script}"
            COMMENT "Embedding PNG resources of ${target}"
            VERBATIM)
        target_sources(${target} PRIVATE "${cpp}")
    endif()
endfunction()
