# Compiler settings shared by every target of our own (never by third-party code).
function(tonewell_target_defaults target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
    target_compile_features(${target} PUBLIC cxx_std_17)
endfunction()
