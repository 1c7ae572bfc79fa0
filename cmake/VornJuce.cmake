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
