#include "engine/animation/AnimationModifier.h"

#include "engine/ResourceDatabase.h"

namespace Vek {

AnimationModifier* AnimationModifier::CreateInstance(const ResourceDatabase* database, const char* name, int mode) {
    if (!name || !*name) return nullptr;
    File file;
    bool opened = database ? database->OpenFile(file, name) : file.Open(name, File::kModeRead);
    if (!opened) return nullptr;
    MemoryFile memory;
    if (!memory.Open(file)) return nullptr;
    std::unique_ptr<AnimationModifier> modifier(new AnimationModifier);
    if (!modifier->m_animation.Read(memory)) return nullptr;
    modifier->m_name = PString(name);
    modifier->m_mode = mode;
    return modifier.release();
}

}  // namespace Vek
