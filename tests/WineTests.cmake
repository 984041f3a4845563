# Wine prefixes for the test run: one 32-bit and one 64-bit (WOW64), made on first use, booted by a fixture
# with every standard stream redirected (Wine's services would otherwise keep CTest's pipes open and hang
# it) and stopped with wineserver -k of the same prefix at the end.
# OS quirk (Wine 8, X11 driver): with no window manager on the test display, every managed window that
# hides or closes waits two seconds for a withdrawal no one sends. Unmanaged windows (Managed=N) skip the
# wait, and Wine then draws their frames and captions itself, as Windows would.
set(VELMORA_WINE_ROOT "${CMAKE_BINARY_DIR}/wine" CACHE PATH "Folder of the test Wine prefixes")
set(VELMORA_WINE_ARCHS win32 win64)

function(velmora_wine_environment out arch)
    set(${out}
        "WINEPREFIX=${VELMORA_WINE_ROOT}/${arch}"
        "WINEARCH=${arch}"
        "WINEDEBUG=-all"
        "WINEDLLOVERRIDES=mscoree,mshtml="
        "VELMORA_BIN_DIR=${CMAKE_BINARY_DIR}/bin"
        "VELMORA_WINE_ARCH=${arch}"
        PARENT_SCOPE)
endfunction()

foreach(arch IN LISTS VELMORA_WINE_ARCHS)
    velmora_wine_environment(env ${arch})
    add_test(NAME wine.boot.${arch}
        COMMAND sh -c "mkdir -p '${VELMORA_WINE_ROOT}/${arch}' && (wineserver -p; wine cmd /c exit; wine reg add 'HKCU\\Software\\Wine\\X11 Driver' /v Managed /d N /f) </dev/null >/dev/null 2>&1")
    set_tests_properties(wine.boot.${arch} PROPERTIES FIXTURES_SETUP wine.${arch} ENVIRONMENT "${env}")
    add_test(NAME wine.stop.${arch} COMMAND sh -c "wineserver -k </dev/null >/dev/null 2>&1; true")
    set_tests_properties(wine.stop.${arch} PROPERTIES FIXTURES_CLEANUP wine.${arch} ENVIRONMENT "${env}")
endforeach()

# Registers a test program once per prefix (or on the 32-bit one only with ONE_PREFIX).
function(velmora_add_wine_test target)
    cmake_parse_arguments(ARG "ONE_PREFIX" "" "" ${ARGN})
    set(archs ${VELMORA_WINE_ARCHS})
    if(ARG_ONE_PREFIX)
        set(archs win32)
    endif()
    foreach(arch IN LISTS archs)
        velmora_wine_environment(env ${arch})
        add_test(NAME ${target}.${arch} COMMAND wine $<TARGET_FILE:${target}> --gtest_brief=1)
        set_tests_properties(${target}.${arch} PROPERTIES
            FIXTURES_REQUIRED wine.${arch} ENVIRONMENT "${env}" TIMEOUT 600)
    endforeach()
endfunction()

# A Wine test program made of the given sources, linked with the product library and the test support.
function(velmora_wine_test_program target)
    add_executable(${target} ${ARGN})
    target_link_libraries(${target} PRIVATE velmora_test_support gtest_main)
    velmora_add_wine_test(${target})
endfunction()
