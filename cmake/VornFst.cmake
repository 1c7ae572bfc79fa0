# The 2.4 plug-in interface is built against Debian's FST headers (package fst-dev). JUCE looks for
# pluginterfaces/vst2.x/aeffect.h and aeffectx.h under the folder given to juce_set_vst2_sdk_path,
# so the build generates such a folder whose two headers only include FST's.
find_path(VORN_FST_INCLUDE_DIR pluginterfaces/fst/fst.h REQUIRED)

function(vorn_make_fst_sdk_folder out_dir)
    foreach(header aeffect aeffectx)
        file(WRITE "${out_dir}/pluginterfaces/vst2.x/${header}.h"
            "#pragma once\n#include <pluginterfaces/fst/${header}.h>\n")
    endforeach()
endfunction()
