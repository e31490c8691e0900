// What the exported entry point does, kept in the core library so that tests and
// tools can run it in-process as well as through the module's export.
#pragma once

#include "host/AEffect.h"

class EffectBase;

// Asks the host for its interface version and, unless it answers 0, creates one
// instance; returns its record, or null when no instance was made.
AEffect* pluginMain(HostCallback audioMaster);

// Creates the plug-in object this module holds; null when memory runs out or the
// object could not be fully built. Defined by the instrument.
EffectBase* createEffectInstance(HostCallback audioMaster);
