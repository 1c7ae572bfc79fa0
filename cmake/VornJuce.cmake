# JUCE's module targets are INTERFACE libraries whose sources compile into every target that links
# them. To compile each module once per build tree, their sources are moved into two static
# libraries, one per layer, and the module targets keep only their headers, definitions and system
# libraries:
#
#   vorn_juce_basics   juce_core, juce_audio_basics            (used by vorn_dsp and its tests)
#   vorn_juce_plugin   everything else the plug-in needs       (used by the plug-in and its tests)
#
# Every target that links them sees one set of JUCE configuration flags (vorn_juce_config).

set(VORN_JUCE_BASIC_MODULES juce_core juce_audio_basics)
set(VORN_JUCE_PLUGIN_MODULES
    juce_events
    juce_data_structures
    juce_graphics
    juce_gui_basics
    juce_gui_extra
    juce_audio_formats
    juce_audio_processors
    juce_audio_devices
    juce_audio_utils)

add_library(vorn_juce_config INTERFACE)
target_compile_definitions(vorn_juce_config INTERFACE
    JUCE_USE_CURL=0
    JUCE_WEB_BROWSER=0
    JUCE_USE_FLAC=0
    JUCE_USE_OGGVORBIS=0
    JUCE_USE_MP3AUDIOFORMAT=0
    JUCE_USE_LAME_AUDIO_FORMAT=0
    JUCE_USE_WINDOWS_MEDIA_FORMAT=0
    JUCE_DISPLAY_SPLASH_SCREEN=0
    JUCE_REPORT_APP_USAGE=0
    JUCE_MODAL_LOOPS_PERMITTED=1
    JUCE_VST3_CAN_REPLACE_VST2=0
    JUCE_SILENCE_XCODE_15_LINKER_WARNING=1)
# The host tests load the built binaries with JUCE's own hosting classes. The flags only add hosting
# code to juce_audio_processors, and every target must see the same set, so the plug-in gets them too.
target_compile_definitions(vorn_juce_config INTERFACE
    JUCE_PLUGINHOST_VST=1
    JUCE_PLUGINHOST_VST3=1
    JUCE_PLUGINHOST_LV2=1)
target_link_libraries(vorn_juce_config INTERFACE juce::juce_recommended_config_flags)

function(_vorn_take_module_sources lib)
    foreach(module IN LISTS ARGN)
        get_target_property(sources ${module} INTERFACE_SOURCES)
        if(sources)
            target_sources(${lib} PRIVATE ${sources})
            set_target_properties(${module} PROPERTIES INTERFACE_SOURCES "")
        endif()
    endforeach()
endfunction()

add_library(vorn_juce_basics STATIC)
_vorn_take_module_sources(vorn_juce_basics ${VORN_JUCE_BASIC_MODULES})
# Debian's JUCE is built against the system's zlib, libpng and libjpeg instead of bundled copies.
find_package(ZLIB REQUIRED)
find_package(PNG REQUIRED)
find_package(JPEG REQUIRED)

target_link_libraries(vorn_juce_basics PUBLIC juce::juce_audio_basics vorn_juce_config ZLIB::ZLIB)

add_library(vorn_juce_plugin STATIC)
_vorn_take_module_sources(vorn_juce_plugin ${VORN_JUCE_PLUGIN_MODULES})
target_link_libraries(vorn_juce_plugin PUBLIC vorn_juce_basics juce::juce_audio_utils PNG::PNG JPEG::JPEG)
# JUCE's 2.4 host code needs the interface headers; see vorn_make_fst_host_sdk_folder.
include(VornFst)
set(VORN_FST_HOST_SDK_DIR "${CMAKE_BINARY_DIR}/fst-host-sdk")
vorn_make_fst_host_sdk_folder("${VORN_FST_HOST_SDK_DIR}")
target_include_directories(vorn_juce_plugin PRIVATE "${VORN_FST_HOST_SDK_DIR}")

# JUCE 7.0.5's VST3 wrapper keeps the run loops of all open views of the module in a multiset and,
# when a view closes, erases every entry equal to its loop instead of one. A host that gives every
# view the same run loop (Ardour does, so does JUCE's own host) thereby detaches the plug-in's X
# connection and message queue from the loop while other views are still open, and their editors
# freeze. Later JUCE releases erase one entry (find, then erase the iterator); VORN_VST3 compiles
# the wrapper from a copy with that change.
include(VornJucePatch)
vorn_patch_juce_file(juce_audio_plugin_client/VST3/juce_VST3_Wrapper.cpp
    "${CMAKE_CURRENT_LIST_DIR}/patches/juce-vst3-wrapper-run-loops.patch" vorn_patched_vst3_wrapper)
get_target_property(vorn_juce_modules juce::juce_audio_plugin_client INTERFACE_JUCE_MODULE_PATH)
get_target_property(vorn_vst3_wrapper_sources juce_audio_plugin_client_VST3 INTERFACE_SOURCES)
# juce_audio_plugin_client_VST3.cpp only includes the wrapper; the copy takes its place.
list(FIND vorn_vst3_wrapper_sources
    "${vorn_juce_modules}/juce_audio_plugin_client/juce_audio_plugin_client_VST3.cpp" vorn_at)
if(vorn_at LESS 0)
    message(FATAL_ERROR "juce_audio_plugin_client_VST3.cpp is not among the VST3 wrapper's sources "
        "(${vorn_vst3_wrapper_sources}): the patched copy of the wrapper cannot replace it.")
endif()
list(REMOVE_AT vorn_vst3_wrapper_sources ${vorn_at})
list(INSERT vorn_vst3_wrapper_sources ${vorn_at} "${vorn_patched_vst3_wrapper}")
set_target_properties(juce_audio_plugin_client_VST3 PROPERTIES
    INTERFACE_SOURCES "${vorn_vst3_wrapper_sources}")
# The copy's own includes ("../utility/...") are found through the installed wrapper's folder.
target_include_directories(juce_audio_plugin_client_VST3 INTERFACE
    "${vorn_juce_modules}/juce_audio_plugin_client/VST3")
