# One library per layer, so the build states the architecture that the README's table draws.
#
#   velmora_layer(<name> BELOW <layers...> PURE <sources...> WINDOWS <sources...>)
#
# makes velmora_<name>_pure from the layer's pure/ files (in both builds: they include no Windows header) and,
# in the cross build, velmora_<name> from the rest. Each links only the layers named after BELOW, which must
# already exist: a layer cannot name one above it, and tools/check-include-layers.py reads these calls to fail
# on any include that climbs to a layer not below.
function(velmora_layer name)
    cmake_parse_arguments(ARG "" "" "BELOW;PURE;WINDOWS" ${ARGN})
    set(pure_below "")
    set(windows_below "")
    foreach(below IN LISTS ARG_BELOW)
        if(NOT TARGET velmora_${below}_pure AND NOT TARGET velmora_${below})
            message(FATAL_ERROR "Layer ${name} names ${below} below it, which is not made yet")
        endif()
        if(TARGET velmora_${below}_pure)
            list(APPEND pure_below velmora_${below}_pure)
        endif()
        if(WIN32)
            list(APPEND windows_below velmora_${below})
        endif()
    endforeach()
    if(ARG_PURE)
        add_library(velmora_${name}_pure STATIC ${ARG_PURE})
        target_include_directories(velmora_${name}_pure PUBLIC ${PROJECT_SOURCE_DIR})
        target_link_libraries(velmora_${name}_pure PUBLIC ${pure_below})
        set_property(GLOBAL APPEND PROPERTY VELMORA_PURE_LAYERS velmora_${name}_pure)
    endif()
    if(WIN32)
        add_library(velmora_${name} STATIC ${ARG_WINDOWS})
        target_include_directories(velmora_${name} PUBLIC ${PROJECT_SOURCE_DIR})
        target_link_libraries(velmora_${name} PUBLIC ${windows_below})
        if(ARG_PURE)
            target_link_libraries(velmora_${name} PUBLIC velmora_${name}_pure)
        endif()
    endif()
endfunction()
