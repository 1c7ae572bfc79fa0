# Runs lilv's lv2info on the built LV2 bundle alone (LV2_PATH holds only its folder) and checks what
# it reports. Usage: cmake -DLV2INFO=<lv2info> -DBUNDLE=<path to VORN.lv2> -P CheckLv2Info.cmake

set(parameter_names
    "Valve Drive" "Valve Bias" "Valve Input" "Valve Blend" "Valve Mode" "Comp Ratio" "Comp Attack"
    "Comp Recovery" "Comp Threshold" "Comp Blend" "Output" "Master Bypass")

file(READ "${BUNDLE}/manifest.ttl" manifest)
if(NOT manifest MATCHES "<([^>]+)>[ \t\r\n]+a[ \t\r\n]+lv2:Plugin")
    message(FATAL_ERROR "no plug-in URI in ${BUNDLE}/manifest.ttl")
endif()
set(uri "${CMAKE_MATCH_1}")

get_filename_component(folder "${BUNDLE}" DIRECTORY)

# lv2info reports on stdout; with -p it writes the plug-in's description to a file instead.
function(run_lv2info out_var)
    execute_process(
        COMMAND "${CMAKE_COMMAND}" -E env "LV2_PATH=${folder}" "${LV2INFO}" ${ARGN} "${uri}"
        RESULT_VARIABLE result
        OUTPUT_VARIABLE output
        ERROR_VARIABLE errors)
    if(NOT result EQUAL 0)
        string(APPEND failures "lv2info ${ARGN} exited with ${result}\n")
    endif()
    if(NOT errors STREQUAL "")
        string(APPEND failures "lv2info ${ARGN} wrote errors:\n${errors}\n")
    endif()
    set(failures "${failures}" PARENT_SCOPE)
    set(${out_var} "${output}" PARENT_SCOPE)
endfunction()

set(failures "")
run_lv2info(report)

string(FIND "${report}" "${uri}\n" at)
if(NOT at EQUAL 0)
    string(APPEND failures "the report does not start with ${uri}\n")
endif()
if(NOT report MATCHES "\tName: +VORN\n")
    string(APPEND failures "the report does not name the plug-in VORN\n")
endif()

# The one program has no name and no settings of its own, so the bundle offers hosts no preset:
# a preset menu would show a blank entry that does nothing.
# lv2info prints "Presets:" in any case, then one indented line per preset with its label.
if(report MATCHES "\n\tPresets: *\n((\t +[^\n]*\n)+)")
    string(REGEX MATCHALL "\t +[^\n]*\n" presets "${CMAKE_MATCH_1}")
    list(LENGTH presets count)
    string(APPEND failures "the bundle declares ${count} preset(s), labelled:\n${CMAKE_MATCH_1}")
endif()

# One section per port, from its "Port <n>:" line up to the next one.
string(REPLACE ";" "," marked "${report}")
string(REGEX REPLACE "\n\tPort [0-9]+:\n" ";" sections "${marked}")
list(REMOVE_AT sections 0)
set(audio_inputs 0)
set(audio_outputs 0)
foreach(port IN LISTS sections)
    if(port MATCHES "lv2core#AudioPort")
        if(port MATCHES "lv2core#InputPort")
            math(EXPR audio_inputs "${audio_inputs} + 1")
        elseif(port MATCHES "lv2core#OutputPort")
            math(EXPR audio_outputs "${audio_outputs} + 1")
        endif()
    endif()
endforeach()
if(NOT audio_inputs EQUAL 2 OR NOT audio_outputs EQUAL 2)
    string(APPEND failures "${audio_inputs} audio inputs and ${audio_outputs} audio outputs, expected 2 and 2\n")
endif()

# The report leaves out the host parameters; the description lists them as patch:writable
# properties, each named <uri>:<parameter name without spaces>.
set(description_file "${CMAKE_CURRENT_BINARY_DIR}/vorn_lv2info_description.ttl")
file(REMOVE "${description_file}")
run_lv2info(ignored -p "${description_file}")
set(writable "")
if(EXISTS "${description_file}")
    file(READ "${description_file}" description)
    if(description MATCHES "<http://lv2plug.in/ns/ext/patch#writable>([^;]*)")
        string(REGEX MATCHALL "<[^>]+>" writable "${CMAKE_MATCH_1}")
    endif()
endif()
set(expected_writable "")
foreach(name IN LISTS parameter_names)
    string(REPLACE " " "" property "${name}")
    list(APPEND expected_writable "<${uri}:${property}>")
endforeach()
list(SORT writable)
list(SORT expected_writable)
if(NOT writable STREQUAL expected_writable)
    string(APPEND failures "writable parameters:\n  ${writable}\nexpected:\n  ${expected_writable}\n")
endif()

if(NOT failures STREQUAL "")
    message(FATAL_ERROR "lv2info ${uri} with LV2_PATH=${folder}:\n${failures}\nReport:\n${report}")
endif()
