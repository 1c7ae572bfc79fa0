# The 2.4 plug-in interface is built against Debian's FST headers (package fst-dev). JUCE looks for
# pluginterfaces/vst2.x/aeffect.h and aeffectx.h under the folder given to juce_set_vst2_sdk_path,
# so the build generates such a folder whose two headers only include FST's.
find_path(VORN_FST_INCLUDE_DIR pluginterfaces/fst/fst.h REQUIRED)

function(vorn_make_fst_sdk_folder out_dir)
    foreach(header aeffect aeffectx)
        file(CONFIGURE OUTPUT "${out_dir}/pluginterfaces/vst2.x/${header}.h"
            CONTENT "#pragma once\n#include <pluginterfaces/fst/${header}.h>\n")
    endforeach()
endfunction()

# JUCE's 2.4 host side (juce::VSTPluginFormat, used by the host tests) sizes a speaker arrangement
# as sizeof (VstSpeakerArrangement) plus the speakers beyond eight, so it takes the struct to hold
# eight. FST declares a flexible array there; this second folder gives JUCE's host code FST's
# headers with that one struct holding eight entries. The plug-in side keeps the plain folder.
function(vorn_make_fst_host_sdk_folder out_dir)
    file(CONFIGURE OUTPUT "${out_dir}/pluginterfaces/vst2.x/aeffect.h"
        CONTENT "#pragma once\n#include \"aeffectx.h\"\n")
    file(CONFIGURE OUTPUT "${out_dir}/pluginterfaces/vst2.x/aeffectx.h" @ONLY CONTENT [=[
#pragma once
#define VstSpeakerArrangement VstSpeakerArrangementWithFlexibleArray
#include <pluginterfaces/fst/aeffectx.h>
#undef VstSpeakerArrangement

typedef struct VstSpeakerArrangement
{
    int type;
    int numChannels;
    VstSpeakerProperties speakers[8];
} VstSpeakerArrangement;
]=])
endfunction()
