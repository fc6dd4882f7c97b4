# Warnings are errors everywhere; narrow literals are Shift_JIS at run time.
function(pell_apply_flags target)
    target_compile_options(${target} PRIVATE
        -Wall -Wextra -Wshadow -Werror
        -finput-charset=UTF-8 -fexec-charset=CP932)
    if(PELL_SANITIZE)
        target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-sanitize-recover=all
                                                 -fno-omit-frame-pointer)
        target_link_options(${target} PRIVATE -fsanitize=address,undefined)
    endif()
    if(WIN32)
        target_compile_definitions(${target} PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
        target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
    endif()
endfunction()
