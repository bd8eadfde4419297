# Fills the bundle's Resources folder and the presets folder from the built
# module (cmake -P; the bundle tool's CMakeLists passes the variables).
# BUNDLE_TOOL, EMULATOR (Wine for a cross build, else empty), MODULE,
# SNAPSHOT_TOOL (may be empty: no images; run under EMULATOR too), RESOURCES, PRESETS, STAMP.
if(EMULATOR)
    if(NOT DEFINED ENV{WINEDEBUG})
        set(ENV{WINEDEBUG} "-all")
    endif()
endif()

function(run_tool)
    execute_process(COMMAND ${EMULATOR} "${BUNDLE_TOOL}" "${MODULE}" ${ARGN}
                    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "tonewell-bundle ${ARGN} failed (${result}): ${errors}")
    endif()
    set(tool_output "${output}" PARENT_SCOPE)
endfunction()

file(MAKE_DIRECTORY "${RESOURCES}")
file(REMOVE_RECURSE "${RESOURCES}/Snapshots")
if(SNAPSHOT_TOOL)
    run_tool(--class-id)
    string(REGEX MATCH "[0-9A-F]+$" cid "${tool_output}")
    if(NOT cid MATCHES "^[0-9A-F]+$")
        message(FATAL_ERROR "no class id from tonewell-bundle: ${tool_output}")
    endif()
    file(MAKE_DIRECTORY "${RESOURCES}/Snapshots")
    foreach(scale 1 2)
        set(image "${RESOURCES}/Snapshots/${cid}_snapshot.png")
        if(scale EQUAL 2)
            set(image "${RESOURCES}/Snapshots/${cid}_snapshot_2.0x.png")
        endif()
        execute_process(COMMAND ${EMULATOR} "${SNAPSHOT_TOOL}" --scale ${scale} -o "${image}"
                        RESULT_VARIABLE result ERROR_VARIABLE errors)
        if(NOT result EQUAL 0)
            message(FATAL_ERROR "tonewell-snapshot failed: ${errors}")
        endif()
    endforeach()
endif()
run_tool(--moduleinfo "${RESOURCES}/moduleinfo.json" --presets "${PRESETS}")
file(TOUCH "${STAMP}")
