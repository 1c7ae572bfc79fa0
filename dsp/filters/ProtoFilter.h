#pragma once

namespace ZandralDSP
{

// Polymorphic base of the filter family; the concrete filters own all state and behaviour.
class ProtoFilter
{
public:
    virtual ~ProtoFilter() = default;

    // Filters one block of the stored number of samples in place.
    virtual void process(float* block) = 0;
    virtual void setCutoff(float hz) = 0;
    virtual void setCutoffAndQ(float hz, float q) = 0;
    virtual void setQ(float q) = 0;
    virtual void setGainDecibels(float db) = 0;
};

} // namespace ZandralDSP
