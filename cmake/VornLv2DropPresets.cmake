# Takes the presets out of the manifest.ttl that JUCE's LV2 helper writes: it declares one preset
# per program, labelled with the program's name, and VORN's one program has no name and no
# settings of its own, so hosts' preset menus would show a blank entry that does nothing.
# Usage: cmake -DMANIFEST=<bundle>/manifest.ttl -P VornLv2DropPresets.cmake

file(READ "${MANIFEST}" manifest)
# A preset is one statement, "<uri>" then "a pset:Preset ;" and its other lines, up to a blank line.
string(REGEX REPLACE "<[^>\n]+>\n\ta pset:Preset ;\n([^\n]+\n)*\n?" "" without "${manifest}")
if(without MATCHES "pset:Preset")
    message(FATAL_ERROR "${MANIFEST} declares a preset in a form this script does not know.")
endif()
if(NOT without STREQUAL manifest)
    file(WRITE "${MANIFEST}" "${without}")
endif()
