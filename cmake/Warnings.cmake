# Warnings on for every target of the project; third-party code is never compiled here.
function(tandrel_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wnon-virtual-dtor -Wpedantic)
endfunction()
