# Which Wine runs this build's programs, and on which prefixes:
#  - the 32-bit build (the shipped chainer): `wine` on a 32-bit and on a 64-bit (WOW64) prefix, but only where
#    the machine runs 32-bit programs (tools/probe-32bit.sh); elsewhere no program of it can start, and only
#    the check that chainer.exe is a 32-bit GUI executable runs;
#  - the 64-bit build: Wine's 64-bit loader on a 64-bit prefix, on every machine.
# Prefixes are made on first use, booted by a fixture with every standard stream redirected (Wine's services
# would otherwise keep CTest's pipes open and hang it) and stopped with wineserver -k of the same prefix.
# OS quirk (Wine 8): where the machine runs no 32-bit code, a 64-bit prefix boots without its 32-bit part and
# without the SysWOW64 folder, and the shell then knows no 32-bit system folder. 64-bit Windows always has
# one, so the boot makes the folder (empty: no 32-bit program could start there anyway).
# OS quirk (Wine 8, X11 driver): with no window manager on the test display, every managed window that
# hides or closes waits two seconds for a withdrawal no one sends. Unmanaged windows (Managed=N) skip the
# wait, and Wine then draws their frames and captions itself, as Windows would.
set(VELMORA_WINE_ROOT "${CMAKE_BINARY_DIR}/wine" CACHE PATH "Folder of the test Wine prefixes")
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(VELMORA_FLAVOUR x86_64)
    # /usr/bin/wine picks the 32-bit loader whenever it is installed, even for a 64-bit program.
    set(VELMORA_WINE /usr/lib/wine/wine64)
    set(VELMORA_WINE_ARCHS win64)
    set(velmora_pe_kind "PE32\\+ executable \\(GUI\\) x86-64")
else()
    set(VELMORA_FLAVOUR i686)
    set(VELMORA_WINE wine)
    set(velmora_pe_kind "PE32 executable \\(GUI\\) Intel 80386")
    execute_process(COMMAND sh ${PROJECT_SOURCE_DIR}/tools/probe-32bit.sh
        OUTPUT_VARIABLE velmora_probe OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(velmora_probe MATCHES "^yes")
        set(VELMORA_WINE_ARCHS win32 win64)
    else()
        set(VELMORA_WINE_ARCHS "")
        message(STATUS "32-bit programs are built but not run: ${velmora_probe}")
    endif()
endif()

function(velmora_wine_environment out arch)
    set(env
        "WINEPREFIX=${VELMORA_WINE_ROOT}/${arch}"
        "WINEARCH=${arch}"
        "WINEDEBUG=-all"
        "WINEDLLOVERRIDES=mscoree,mshtml="
        "VELMORA_BIN_DIR=${CMAKE_BINARY_DIR}/bin"
        "VELMORA_WINE_ARCH=${arch}"
        "VELMORA_WINE=${VELMORA_WINE}"
        "VELMORA_FLAVOUR=${VELMORA_FLAVOUR}")
    if(VELMORA_FLAVOUR STREQUAL "x86_64")
        list(APPEND env "WINELOADER=${VELMORA_WINE}")
    endif()
    set(${out} "${env}" PARENT_SCOPE)
endfunction()

# The shipped kind of executable, checked even where it cannot run.
add_test(NAME chainer.pe COMMAND sh -c "file -b \"$1\" | grep -E \"$2\"" sh $<TARGET_FILE:chainer>
    "^${velmora_pe_kind}")
# Nothing in their import tables can be replaced by a library left in their folder (the tools run in kits
# too); checked even where they cannot run.
foreach(program chainer chainer-explain chainer-lint chainer-layout)
    add_test(NAME ${program}.imports COMMAND sh ${PROJECT_SOURCE_DIR}/tests/platform/chainer_imports.sh
        ${CMAKE_OBJDUMP} $<TARGET_FILE:${program}>)
endforeach()

foreach(arch IN LISTS VELMORA_WINE_ARCHS)
    velmora_wine_environment(env ${arch})
    add_test(NAME wine.boot.${arch}
        COMMAND sh -c "mkdir -p '${VELMORA_WINE_ROOT}/${arch}' && (wineserver -p; ${VELMORA_WINE} cmd /c exit; ${VELMORA_WINE} reg add 'HKCU\\Software\\Wine\\X11 Driver' /v Managed /d N /f) </dev/null >/dev/null 2>&1 && if [ ${arch} = win64 ]; then mkdir -p '${VELMORA_WINE_ROOT}/${arch}/drive_c/windows/syswow64'; fi")
    set_tests_properties(wine.boot.${arch} PROPERTIES FIXTURES_SETUP wine.${arch} ENVIRONMENT "${env}")
    add_test(NAME wine.stop.${arch} COMMAND sh -c "wineserver -k </dev/null >/dev/null 2>&1; true")
    set_tests_properties(wine.stop.${arch} PROPERTIES FIXTURES_CLEANUP wine.${arch} ENVIRONMENT "${env}")
endforeach()

# Registers a test program once per prefix (or on the first prefix only with ONE_PREFIX). Every test's name is
# printed as it starts (ctest shows the output only of tests that fail): a test that hangs is then named by the
# last line before the timeout.
function(velmora_add_wine_test target)
    cmake_parse_arguments(ARG "ONE_PREFIX" "" "" ${ARGN})
    set(archs ${VELMORA_WINE_ARCHS})
    if(ARG_ONE_PREFIX AND archs)
        list(GET archs 0 archs)
    endif()
    foreach(arch IN LISTS archs)
        velmora_wine_environment(env ${arch})
        add_test(NAME ${target}.${arch} COMMAND ${VELMORA_WINE} $<TARGET_FILE:${target}>)
        set_tests_properties(${target}.${arch} PROPERTIES
            FIXTURES_REQUIRED wine.${arch} ENVIRONMENT "${env}" TIMEOUT 600)
    endforeach()
endfunction()

# A Wine test program made of the given sources, linked with the product library and the test support.
function(velmora_wine_test_program target)
    add_executable(${target} ${ARGN})
    target_link_libraries(${target} PRIVATE velmora_test_support velmora_test_main)
    velmora_add_wine_test(${target})
endfunction()
