#pragma once

#include "IEngineParam.h"
#include "public.sdk/source/vst/vstparameters.h"

// The host's view of one engine parameter: value and text conversions go
// through the engine parameter's own mapping, so host, editor and stored
// state agree bit for bit. Refers to the engine parameter without owning it.
class ICoreParameter : public Steinberg::Vst::Parameter {
public:
    ICoreParameter(IEngineParam& param, Steinberg::Vst::ParamID id, Steinberg::Vst::UnitID unit);

    void toString(Steinberg::Vst::ParamValue valueNormalized,
                  Steinberg::Vst::String128 string) const override;
    bool fromString(const Steinberg::Vst::TChar* string,
                    Steinberg::Vst::ParamValue& valueNormalized) const override;
    Steinberg::Vst::ParamValue toPlain(Steinberg::Vst::ParamValue valueNormalized) const override;
    Steinberg::Vst::ParamValue toNormalized(Steinberg::Vst::ParamValue plainValue) const override;

    OBJ_METHODS(ICoreParameter, Parameter)

private:
    IEngineParam& engineParam;
};
