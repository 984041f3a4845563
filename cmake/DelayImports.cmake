# Delay-imported system libraries (see platform/SystemLibrary.h for why).
#
# The code calls these libraries' functions as usual, but links them through delay-import libraries made
# here from the toolchain's own import libraries: the loader leaves them out of the program's import table,
# and the first call loads the library through platform/SystemLibrary.cpp's hook, by full path from the
# system folder (comctl32 by name, through the manifest's side-by-side binding). Their ordinary import
# libraries are never linked, so a function of them cannot slip into the import table unnoticed. The test
# chainer.imports checks the table of the built chainer.
#
# The user interface libraries and COM are among them although every Windows has them: loading any of them
# costs about 10 ms of every start under Wine (user32's display connection), and a silent run that finds
# everything installed never calls them.
set(VELMORA_DELAY_IMPORTED version mpr wininet crypt32 wintrust bcrypt comctl32 user32 gdi32 shell32 shlwapi ole32)

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(velmora_symbol_prefix "_")
else()
    set(velmora_symbol_prefix "")
endif()

set(velmora_delay_libraries "")
foreach(name IN LISTS VELMORA_DELAY_IMPORTED)
    find_library(VELMORA_IMPORT_LIBRARY_${name} NAMES lib${name}.a REQUIRED)
    set(output "${CMAKE_BINARY_DIR}/delay-imports/lib${name}-delay.a")
    add_custom_command(OUTPUT "${output}"
        COMMAND sh "${PROJECT_SOURCE_DIR}/cmake/delay-import-lib.sh" "${CMAKE_NM}" "${CMAKE_DLLTOOL}"
                "${CMAKE_OBJCOPY}" "${VELMORA_IMPORT_LIBRARY_${name}}" "${name}.dll" "${output}"
                "${velmora_symbol_prefix}"
        DEPENDS "${PROJECT_SOURCE_DIR}/cmake/delay-import-lib.sh" "${VELMORA_IMPORT_LIBRARY_${name}}"
        COMMENT "Making the delay-import library of ${name}.dll" VERBATIM)
    list(APPEND velmora_delay_libraries "${output}")
endforeach()
file(MAKE_DIRECTORY "${CMAKE_BINARY_DIR}/delay-imports")
add_custom_target(velmora_delay_imports DEPENDS ${velmora_delay_libraries})

# Links the delay-import libraries into everything that links `target`, with the loading hook: the linker
# would otherwise take the runtime's empty hook, which loads by bare name.
function(velmora_link_delay_imports target)
    add_dependencies(${target} velmora_delay_imports)
    target_link_libraries(${target} PUBLIC ${velmora_delay_libraries})
    target_link_options(${target} INTERFACE "LINKER:--undefined=${velmora_symbol_prefix}__pfnDliNotifyHook2")
endfunction()
