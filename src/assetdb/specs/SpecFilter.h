#pragma once
// A test that a spec must pass to be handed out; null accepts every spec.
class AssetSpec;

using SpecFilter = bool (*)(AssetSpec* spec);

// Accepts exactly the specs of class VorlexBaseSpec or derived from it.
bool IsVorlexBaseSpec(AssetSpec* spec);
