#include "host/PluginMain.h"

#include "host/EffectBase.h"

// A missing host callback makes no instance: nothing could answer the version
// query, and the instance could never ask the host for anything.
AEffect* pluginMain(HostCallback audioMaster)
{
    if (!audioMaster)
        return nullptr;
    if (audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0)
        return nullptr;
    EffectBase* const effect = createEffectInstance(audioMaster);
    return effect ? effect->getAeffect() : nullptr;
}
