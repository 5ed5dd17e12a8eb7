// The build of a level-of-detail mesh from an "lm.txt" description: one
// "mesh" entry per level, distance entries (a number) first, then named
// entries ("collision"), each naming an .im or .imtxt file, and the
// distance parameters. Level files are names inside the description's
// resource database, relative to the description's folder; a name that is
// absolute or climbs out with ".." is a level that cannot be opened.
#include <algorithm>
#include <cctype>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "engine/Resource.h"
#include "engine/ResourceDatabase.h"
#include "engine/config/ConfigData.h"
#include "engine/config/ConfigParser.h"
#include "engine/display/Display.h"
#include "engine/resources/ResourceName.h"
#include "engine/scene/ParticleBone.h"
#include "meshes/definitions/MeshResult.h"
#include "meshes/lod/VorlexIndexedMeshLODDefinition.h"

using namespace Vek;

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    return text;
}

// A distance entry's value holds only digits and points (an empty one too).
bool IsDistance(const std::string& value) {
    return value.find_first_not_of("1234567890.") == std::string::npos;
}

// The path of a level file: `levelName` in the folder of the description.
// False for a name that is absolute, has a drive form or a ".." component.
bool LevelPath(const std::string& description, const std::string& levelName, bool confine, std::string& path) {
    if (levelName.empty() || levelName[0] == '/' || levelName[0] == '\\' ||
        (levelName.size() > 1 && levelName[1] == ':'))
        return false;
    std::size_t start = 0;
    while (start <= levelName.size()) {
        const std::size_t end = levelName.find_first_of("/\\", start);
        const std::string part = levelName.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (part == "..") return false;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    const std::size_t slash = description.find_last_of("/\\");
    path = slash == std::string::npos ? levelName : description.substr(0, slash + 1) + levelName;
    if (!confine) return true;
    std::string canonical;
    if (!ResourceName::Confine(path.c_str(), canonical)) return false;
    path = canonical;
    return true;
}

}  // namespace

uint32_t VorlexIndexedMeshLODDefinition::LoadText(Display* display, MaterialManager* manager, Resource* resource,
                                                  const char* fileName, uint32_t vertexColour) {
    hardwareSkinningCapable = display && display->HasCapability(kCapabilityHardwareSkinning);
    ResourceDatabase* database = resource ? resource->GetDatabase() : nullptr;
    const std::string description = fileName ? fileName : "";
    ConfigParser parser;
    const uint32_t parsed =
        database ? parser.Parse(database->GetName(), description.c_str()) : parser.Parse(description.c_str());
    // The parser itself refuses versions it does not know.
    if (parsed == ConfigParser::kVersionError) return RES_FILE_VERSION_ERROR;
    if (parsed != ConfigParser::kOk) return RES_FILE_OPEN_ERROR;
    if (static_cast<int>(parser.GetVersion() * 100.0f) != 100) return RES_FILE_VERSION_ERROR;
    static ConfigData empty;
    const ConfigData& root = parser.GetRoot() ? *parser.GetRoot() : empty;
    const uint32_t entries = root.Count("mesh");
    if (entries == 0) return RES_FILE_FORMAT_ERROR;

    levels = std::make_shared<LODLevelBlock>();
    levels->reserve(entries);
    namedLevels = std::make_shared<NamedLevelBlock>();
    namedLevels->reserve(entries);
    // The first level loaded from each file, and the names given to levels.
    std::unordered_map<std::string, uint32_t> loaded;
    std::unordered_set<std::string> names;

    uint32_t e = 0;
    const ConfigData* entry = &root("mesh", e);
    if (entry->IsUnknown()) return RES_FILE_FORMAT_ERROR;
    uint32_t result = RES_OK;
    while (!entry->IsUnknown() && IsDistance(entry->GetValue())) {
        float distance = 0.0f;
        *entry >> distance;
        std::string levelFile;
        if (!((*entry)("name") >> levelFile)) return RES_FILE_FORMAT_ERROR;
        if (!switchDistances.empty() && !(distance > switchDistances.back())) return RES_FILE_FORMAT_ERROR;
        const auto level = GetLevelCount();
        if ((result = LoadLevel(display, manager, resource, description, levelFile, level == 0, vertexColour)) !=
            RES_OK)
            return result;
        loaded.try_emplace(levelFile, level);
        switchDistances.push_back(distance);
        entry = &root("mesh", ++e);
    }
    if (!entry->IsUnknown() && switchDistances.empty()) return RES_FILE_FORMAT_ERROR;
    for (; !entry->IsUnknown(); entry = &root("mesh", ++e)) {
        const std::string value = entry->GetValue();
        const std::string lower = Lower(value).c_str();  // as the interned name holds it
        if (!names.insert(lower).second || IsDistance(value)) return RES_FILE_FORMAT_ERROR;
        bool animated = false;
        (*entry)("animated") >> animated;
        std::string levelFile;
        (*entry)("name") >> levelFile;
        auto [known, added] = loaded.try_emplace(levelFile, GetLevelCount());
        if (added &&
            (result = LoadLevel(display, manager, resource, description, levelFile, false, vertexColour)) != RES_OK)
            return result;
        namedLevels->push_back({PString(lower.c_str()), known->second, animated});
    }

    name = description.c_str();
    levelCount = GetLevelCount();
    ReadTextParameters(root);
    MakeLevelCurrent(GetLastDistanceLevel());
    ProcessCulledAttachments();
    return RES_OK;
}

void VorlexIndexedMeshLODDefinition::ReadTextParameters(const ConfigData& root) {
    calcPoint = 0;
    offset = 0.0f;
    multiplier = 1.0f;
    animationCutOff = renderCutOff = attachmentCutOff = 0.0f;
    root("offset") >> offset;
    root("multiplier") >> multiplier;
    root("animationCutOff") >> animationCutOff;
    root("renderCutOff") >> renderCutOff;
    root("attachmentCutOff") >> attachmentCutOff;
    std::string point;
    if (root("calcPoint") >> point) {
        point = Lower(point);
        if (point == "near")
            calcPoint = 1;
        else if (point == "far")
            calcPoint = 2;
    }
}

uint32_t VorlexIndexedMeshLODDefinition::LoadLevel(Display* display, MaterialManager* manager, Resource* resource,
                                                   const std::string& description, const std::string& levelFile,
                                                   bool first, uint32_t vertexColour) {
    auto level = std::make_unique<VorlexIndexedMeshDefinition>(loadOptions);
    if (!first) level->boneNameTable = &m_boneNames;
    ResourceDatabase* database = resource ? resource->GetDatabase() : nullptr;
    std::string path;
    if (!LevelPath(description, levelFile, database != nullptr, path)) return RES_FILE_OPEN_ERROR;
    uint32_t result;
    if (ResourceName::HasSuffix(path, "imtxt")) {
        result = level->ReadText(display, manager, resource, path.c_str(), vertexColour);
    } else {
        result = level->OpenFile(resource, path.c_str());
        if (result == RES_OK) result = level->Read(display, manager, resource, path.c_str(), vertexColour);
    }
    if (result != RES_OK) return result;

    if (first) {
        infoVector = level->infoVector;
        orientation = level->orientation;
        boundsMin = level->boundsMin;
        boundsMax = level->boundsMax;
        orientedBox = level->orientedBox;
        attachments = level->attachments;
        attachmentCount = level->attachmentCount;
        boneCount = level->boneCount;
        delete skeletonRoot;
        skeletonRoot = level->skeletonRoot ? static_cast<ParticleBone*>(level->skeletonRoot->CloneTree()) : nullptr;
        boneTable.clear();
        m_boneNames.clear();
        for (const InfluenceDefinition& record : level->bones) {
            LODBone bone;
            bone.name = record.name.c_str();
            bone.parentName = record.parentName.c_str();
            bone.position = record.position;
            std::copy(record.orientation, record.orientation + 9, bone.orientation);
            boneTable.push_back(std::move(bone));
            m_boneNames.emplace_back(record.name.c_str());
        }
    } else if (level->attachmentCount != attachmentCount || level->boneCount != boneCount) {
        return RES_FILE_FORMAT_ERROR;
    }

    LODLevel record;
    record.chunkCount = level->chunkCount;
    record.vertexTotal = level->vertexTotal;
    record.faceTotal = level->faceTotal;
    record.hardwareSkinned = level->hardwareSkinned;
    record.chunks.Take(level->chunks);
    record.materials.Take(level->materials);
    auto diagonal = [](const Vector3& lo, const Vector3& hi) {
        const Vector3 d{hi.x - lo.x, hi.y - lo.y, hi.z - lo.z};
        return d.x * d.x + d.y * d.y + d.z * d.z;
    };
    if (diagonal(level->boundsMin, level->boundsMax) > diagonal(boundsMin, boundsMax)) {
        boundsMin = level->boundsMin;
        boundsMax = level->boundsMax;
    }
    // A level whose bones differ by name from the first level's would pose
    // the wrong bones.
    if (boneCount != 0 && !AddLevelInfluences(level->bones)) return RES_FILE_FORMAT_ERROR;
    for (uint32_t c = 0; c < record.chunkCount; ++c) record.chunkBoneNames.push_back(level->GetChunkBoneName(c));
    levels->push_back(std::move(record));
    subDefinitions.push_back(std::move(level));
    return RES_OK;
}
