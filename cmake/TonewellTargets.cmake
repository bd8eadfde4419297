# Compiler settings shared by every target of our own (never by third-party code).
function(tonewell_target_defaults target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
    target_compile_features(${target} PUBLIC cxx_std_17)
endfunction()

# tonewell_host_headers(VAR SUBDIR): an include folder holding only the
# host's /usr/include/SUBDIR (a header-only library from a Debian package),
# so that the cross build can use it without seeing the rest of the host's
# headers. Sets VAR to the folder.
function(tonewell_host_headers var subdir)
    find_path(_tonewell_${subdir}_root "${subdir}" PATHS /usr/include NO_DEFAULT_PATH
              NO_CMAKE_FIND_ROOT_PATH REQUIRED)
    set(dir "${CMAKE_BINARY_DIR}/host-include/${subdir}")
    file(MAKE_DIRECTORY "${dir}")
    file(CREATE_LINK "${_tonewell_${subdir}_root}/${subdir}" "${dir}/${subdir}" SYMBOLIC)
    set(${var} "${dir}" PARENT_SCOPE)
endfunction()
