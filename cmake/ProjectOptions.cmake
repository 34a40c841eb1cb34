# Warnings (as errors) and sanitizers for the project's own targets only; Qt's headers come in
# as system headers and are not held to them.
add_library(tarvik_options INTERFACE)
if(MSVC)
    # Not held to zero warnings: no Windows build runs here to keep it so.
    target_compile_options(tarvik_options INTERFACE /W4 /permissive- /utf-8)
else()
    target_compile_options(tarvik_options INTERFACE
        -Wall -Wextra -Wpedantic -Werror
        -Wnon-virtual-dtor -Woverloaded-virtual)
endif()
target_compile_definitions(tarvik_options INTERFACE
    QT_NO_FOREACH)

if(TARVIK_SANITIZE)
    target_compile_options(tarvik_options INTERFACE
        -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_link_options(tarvik_options INTERFACE -fsanitize=address,undefined)
endif()
