# Where a bug of JUCE 7.0.5 that later JUCE releases have fixed breaks the plug-in for users, the
# build compiles that one file of Debian's JUCE from a copy patched at configure time. The patch is
# applied exactly (no fuzz); if Debian's file changes so that it no longer applies, configuring
# stops, and the patch must be looked at again (or dropped, once the installed JUCE has the fix).

find_program(VORN_PATCH_PROGRAM patch)

# Writes the patched copy of <module path>/<file> under the build tree and sets out_var to it.
function(vorn_patch_juce_file file patch_file out_var)
    get_target_property(module_path juce::juce_audio_plugin_client INTERFACE_JUCE_MODULE_PATH)
    set(original "${module_path}/${file}")
    set(patched "${CMAKE_BINARY_DIR}/juce-patched/${file}")
    # Configure again whenever the installed file or the patch changes.
    set_property(DIRECTORY "${CMAKE_SOURCE_DIR}" APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
        "${original}" "${patch_file}")

    if(NOT VORN_PATCH_PROGRAM)
        message(FATAL_ERROR "The program 'patch' (Debian package patch) is needed to apply ${patch_file} "
            "to JUCE's ${file}.")
    endif()
    if(NOT EXISTS "${original}")
        message(FATAL_ERROR "${original} is missing: ${patch_file} cannot be applied.")
    endif()

    get_filename_component(folder "${patched}" DIRECTORY)
    file(MAKE_DIRECTORY "${folder}")
    set(attempt "${patched}.new")
    file(REMOVE "${attempt}")
    execute_process(
        COMMAND "${VORN_PATCH_PROGRAM}" --batch --forward --fuzz=0 --no-backup-if-mismatch
            --reject-file=- --output "${attempt}" "${original}" "${patch_file}"
        RESULT_VARIABLE result
        OUTPUT_VARIABLE output
        ERROR_VARIABLE output)
    if(NOT result EQUAL 0)
        file(REMOVE "${attempt}")
        message(FATAL_ERROR "${patch_file} does not apply to the installed ${original}:\n"
            "${output}\nThe installed file is not the one of JUCE 7.0.5 that the patch was made "
            "for. If it has the fix already, drop the patch (cmake/VornJuce.cmake); otherwise make "
            "the patch anew against it.")
    endif()
    # Only a changed copy is written, so that configuring again rebuilds nothing.
    file(COPY_FILE "${attempt}" "${patched}" ONLY_IF_DIFFERENT)
    file(REMOVE "${attempt}")
    set(${out_var} "${patched}" PARENT_SCOPE)
endfunction()
