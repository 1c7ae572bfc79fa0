#include "RawLv2Host.h"

#include "PluginBinaries.h"

#include <lv2/atom/atom.h>
#include <lv2/atom/util.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/core/lv2.h>
#include <lv2/options/options.h>
#include <lv2/patch/patch.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <dlfcn.h>

namespace
{
// JUCE's LV2 wrapper numbers the ports: audio inputs, audio outputs, then these.
constexpr uint32_t numAudioPorts = 4;
constexpr uint32_t controlInPort = 4;
constexpr uint32_t notificationPort = 5;
constexpr uint32_t latencyPort = 6;
constexpr uint32_t freeWheelingPort = 7;
constexpr uint32_t enabledPort = 8;

constexpr size_t sequenceBytes = 16384;

struct StateToRestore
{
    uint32_t key;
    uint32_t stringType;
    std::string text;
};

const void* retrieve(LV2_State_Handle handle, uint32_t key, size_t* size, uint32_t* type, uint32_t* flags)
{
    const auto* state = static_cast<const StateToRestore*>(handle);
    if (key != state->key)
        return nullptr;
    *size = state->text.size() + 1;
    *type = state->stringType;
    *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
    return state->text.c_str();
}
} // namespace

RawLv2Host::RawLv2Host(const juce::File& bundle, double sampleRate, int blockSizeToUse)
    : pluginUri(PluginBinaries::lv2UriFromManifest()), blockSize(blockSizeToUse)
{
    const auto binary = bundle.getChildFile("libVORN.so");
    library = dlopen(binary.getFullPathName().toRawUTF8(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr)
    {
        failure = "cannot load " + binary.getFullPathName() + ": " + juce::String(dlerror());
        return;
    }

    using DescriptorFunction = const LV2_Descriptor* (*)(uint32_t);
    const auto descriptorOf = reinterpret_cast<DescriptorFunction>(dlsym(library, "lv2_descriptor"));
    descriptor = descriptorOf != nullptr ? descriptorOf(0) : nullptr;
    if (descriptor == nullptr || pluginUri != descriptor->URI)
    {
        failure = "no descriptor for " + pluginUri + " in " + binary.getFullPathName();
        return;
    }

    LV2_URID_Map uridMap{this, mapUri};
    const int32_t maxBlockLength = blockSize;
    const LV2_Options_Option options[] = {{LV2_OPTIONS_INSTANCE, 0, map(LV2_BUF_SIZE__maxBlockLength),
                                           sizeof(int32_t), map(LV2_ATOM__Int), &maxBlockLength},
                                          {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
    const LV2_Feature mapFeature{LV2_URID__map, &uridMap};
    const LV2_Feature optionsFeature{LV2_OPTIONS__options, const_cast<LV2_Options_Option*>(options)};
    const LV2_Feature boundedFeature{LV2_BUF_SIZE__boundedBlockLength, nullptr};
    const LV2_Feature* const features[] = {&mapFeature, &optionsFeature, &boundedFeature, nullptr};

    instance =
        descriptor->instantiate(descriptor, sampleRate, bundle.getFullPathName().toRawUTF8(), features);
    if (instance == nullptr)
    {
        failure = "the plug-in refused to instantiate";
        return;
    }

    audio.assign(numAudioPorts, std::vector<float>((size_t)blockSize, 0.0f));
    for (uint32_t port = 0; port < numAudioPorts; ++port)
        descriptor->connect_port(instance, port, audio[port].data());

    input.assign(sequenceBytes / sizeof(uint64_t), 0);
    notifications.assign(sequenceBytes / sizeof(uint64_t), 0);
    descriptor->connect_port(instance, controlInPort, input.data());
    descriptor->connect_port(instance, notificationPort, notifications.data());
    descriptor->connect_port(instance, latencyPort, &latency);
    descriptor->connect_port(instance, freeWheelingPort, &freeWheeling);
    descriptor->connect_port(instance, enabledPort, &enabled);

    if (descriptor->activate != nullptr)
        descriptor->activate(instance);
}

RawLv2Host::~RawLv2Host()
{
    if (instance != nullptr)
    {
        if (descriptor->deactivate != nullptr)
            descriptor->deactivate(instance);
        descriptor->cleanup(instance);
    }
    // The library stays loaded: JUCE's hosts in the same test program may hold it as well.
}

uint32_t RawLv2Host::mapUri(void* handle, const char* uri)
{
    return static_cast<RawLv2Host*>(handle)->map(uri);
}

uint32_t RawLv2Host::map(const std::string& uri)
{
    const auto found = uridByUri.find(uri);
    if (found != uridByUri.end())
        return found->second;
    const auto urid = (uint32_t)uriByUrid.size();
    uriByUrid.push_back(uri);
    uridByUri.emplace(uri, urid);
    return urid;
}

std::map<juce::String, float> RawLv2Host::runBlock()
{
    std::map<juce::String, float> sent;
    if (instance == nullptr)
        return sent;

    // An empty input sequence; the output a chunk of the buffer's whole size, as the host offers it.
    auto* in = reinterpret_cast<LV2_Atom_Sequence*>(input.data());
    in->atom.type = map(LV2_ATOM__Sequence);
    in->atom.size = sizeof(LV2_Atom_Sequence_Body);
    in->body.unit = 0;
    in->body.pad = 0;
    auto* out = reinterpret_cast<LV2_Atom_Sequence*>(notifications.data());
    out->atom.type = map(LV2_ATOM__Chunk);
    out->atom.size = (uint32_t)(sequenceBytes - sizeof(LV2_Atom));

    descriptor->run(instance, (uint32_t)blockSize);

    if (out->atom.type != map(LV2_ATOM__Sequence))
        return sent;

    LV2_ATOM_SEQUENCE_FOREACH(out, event)
    {
        if (event->body.type != map(LV2_ATOM__Object))
            continue;
        const auto* object = reinterpret_cast<const LV2_Atom_Object*>(&event->body);
        if (object->body.otype != map(LV2_PATCH__Set))
            continue;
        const LV2_Atom* property = nullptr;
        const LV2_Atom* value = nullptr;
        lv2_atom_object_get(object, map(LV2_PATCH__property), &property, map(LV2_PATCH__value), &value, 0);
        if (property != nullptr && property->type == map(LV2_ATOM__URID) && value != nullptr &&
            value->type == map(LV2_ATOM__Float))
        {
            const auto urid = reinterpret_cast<const LV2_Atom_URID*>(property)->body;
            if (urid < uriByUrid.size())
                sent[juce::String(uriByUrid[urid])] = reinterpret_cast<const LV2_Atom_Float*>(value)->body;
        }
    }
    return sent;
}

bool RawLv2Host::restore(const juce::MemoryBlock& processorState)
{
    if (instance == nullptr || descriptor->extension_data == nullptr)
        return false;
    const auto* state =
        static_cast<const LV2_State_Interface*>(descriptor->extension_data(LV2_STATE__interface));
    if (state == nullptr)
        return false;
    StateToRestore toRestore{map((pluginUri + ":StateString").toStdString()), map(LV2_ATOM__String),
                             processorState.toBase64Encoding().toStdString()};
    return state->restore(instance, retrieve, &toRestore, 0, nullptr) == LV2_STATE_SUCCESS;
}
