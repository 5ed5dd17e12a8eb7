// The container's export into a soup, with the per-type tag checks.
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/File.h"
#include "foundation/kuid/KUID.h"
#include "tetlib/DataManager.h"
#include "tetlib/ErrorHandler.h"
#include "tetlib/MeshHolder.h"
#include "tetlib/ToolsText.h"
#include "tetlib/container/BuildNumbers.h"
#include "tetlib/container/Container.h"
#include "tetlib/container/Tag.h"

namespace TETLib {

namespace {

ErrorHandler& Errors() { return *ErrorHandler::Instance(); }
DataManager& Data() { return *DataManager::Instance(); }
float AssetBuild() { return Data().GetAssetBuild(); }

std::string LowerAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool EqualsNoCase(const std::string& a, const char* b) { return LowerAscii(a) == LowerAscii(b); }

SoupHandle::FloatArray ToFloatArray(const std::vector<float>& numbers) {
    SoupHandle::FloatArray out;
    for (float x : numbers) out.Add(x);
    return out;
}

KUID TagKUID(const Tag& tag) { return tag.value.empty() ? KUID() : KUID::Parse(tag.value.c_str(), false); }

const char* OfficialKind(const std::string& kind) {
    if (kind == "double-track" || kind == "tunnel") return "bridge";
    if (kind == "chunky-track" || kind == "mesh-reducing-track" || kind == "obsolete-track") return "track";
    if (kind == "scenery-trackside") return "scenery";
    return nullptr;
}

// A mesh record's file path as messages show it: without its first two
// components.
std::string MeshMessagePath(const MeshHolder& mesh) {
    Vek::File::Path path(mesh.GetFilePath().c_str());
    Vek::File::Path first;
    path.ExtractFirstPath(first);
    path.ExtractFirstPath(first);
    return path.c_str();
}

bool InList(const std::string& value, const SoupHandle& possibility) {
    const std::vector<ListEntry>* list = Data().GetList(possibility.GetString("source").c_str());
    if (!list) return false;
    for (const ListEntry& entry : *list)
        if (EqualsNoCase(value, entry.key.c_str())) return true;
    return false;
}

}  // namespace

bool Container::Export(SoupHandle& out) {
    if (!extensionSoup.IsEmpty()) {
        out.EnsureContainer();
        SoupHandle extensions = extensionSoup;
        out.SetContainer("extensions", extensions);
        return true;
    }
    bool result = true;
    for (Tag* tag : tags) {
        if (tag->name == Vek::PString("kind")) {
            tag->value = LowerAscii(tag->value);
            if (const char* official = OfficialKind(tag->value)) tag->value = official;
        }
        bool ok = true;
        switch (tag->typeCode) {
        case 0: if (!result) continue; ok = ExportFloatTag(*tag, out); break;
        case 1: if (!result) continue; ok = ExportStringTag(*tag, out); break;
        case 2: continue;
        case 3: ok = ExportIntTag(*tag, out); break;
        case 4: ok = ExportBoolTag(*tag, out); break;
        case 5: ok = ExportVectorTag(*tag, out, 2); break;
        case 6: ok = ExportVectorTag(*tag, out, 3); break;
        case 7: ok = ExportVectorTag(*tag, out, 4); break;
        case 8: ok = ExportVectorTag(*tag, out, 5); break;
        case 9: ok = ExportFloatListTag(*tag, out); break;
        case 10: ok = ExportComboBoxTag(*tag, out); break;
        case 11: ok = ExportIntComboBoxTag(*tag, out); break;
        case 12: ok = ExportListBoxTag(*tag, out); break;
        case 13: ok = ExportDoubleStringTag(*tag, out); break;
        case 14: ok = ExportKuidTag(*tag, out); break;
        case 15: ok = ExportFilePathTag(*tag, out, false); break;
        case 16: ok = ExportFilePathTag(*tag, out, true); break;
        case 17: ok = ExportStringKuidTag(*tag, out); break;
        case 18: ok = ExportKuidBrowserTag(*tag, out); break;
        case 19: ok = ExportStringKuidBrowserTag(*tag, out); break;
        default: ok = ExportOtherTag(*tag, out); break;
        }
        result = result && ok;
    }
    for (Container* sub : subContainers) {
        SoupHandle child;
        child.EnsureContainer();
        out.SetContainer(sub->savingName.IsEmpty() ? sub->name : sub->savingName, child);
        const bool ok = sub->Export(child);
        const bool rules = sub->RunValidators();
        result = result && ok && rules;
    }
    return result;
}

bool Container::ExportFloatTag(Tag& tag, SoupHandle& out) {
    const bool rules = tag.RunValidators();
    out.SetFloat(tag.name, static_cast<float>(std::atof(tag.value.c_str())));
    return rules;
}

bool Container::ExportStringTag(Tag& tag, SoupHandle& out) {
    if (!tag.value.empty()) {
        const bool rules = tag.RunValidators();
        out.SetString(tag.name, tag.value.c_str());
        return rules;
    }
    out.SetString(tag.name, "");
    if (BuildTimesHundred(AssetBuild()) < 310.0 && tag.owner->name == Vek::PString("sound")) return true;
    Errors().AddError(LocalisedToolsText("$tet_container_emptystringerr", {tag.name, name}), &tag);
    return false;
}

bool Container::ExportIntTag(Tag& tag, SoupHandle& out) {
    const bool rules = tag.RunValidators();
    out.SetInt(tag.name, static_cast<int32_t>(std::strtol(tag.value.c_str(), nullptr, 10)));
    return rules;
}

bool Container::ExportBoolTag(Tag& tag, SoupHandle& out) {
    const bool rules = tag.RunValidators();
    out.SetInt(tag.name, tag.value == "1" ? 1 : 0);
    return rules;
}

bool Container::ExportVectorTag(Tag& tag, SoupHandle& out, int count) {
    const bool rules = tag.RunValidators();
    const bool size = tag.CheckVectorSize(count);
    out.SetFloatArray(tag.name, ToFloatArray(ParseNumberList(tag.value)));
    return rules && size;
}

bool Container::ExportFloatListTag(Tag& tag, SoupHandle& out) {
    const bool rules = tag.RunValidators();
    out.SetFloatArray(tag.name, ToFloatArray(ParseNumberList(tag.value)));
    return rules;
}

bool Container::ExportComboBoxTag(Tag& tag, SoupHandle& out) {
    if (tag.value.empty())
        Errors().AddError(LocalisedToolsText("$tet_container_emptycombobox", {tag.name, name}), &tag);
    bool c = true;
    const Vek::PString value(tag.value.c_str());
    if (tag.hasSource && !Data().IsKnownSourceEntry(value, tag.source)) {
        Container* owner = tag.owner;
        const bool attachment = tag.source == Vek::PString("attachment");
        if (attachment && owner->typeName == Vek::PString("mesh-element")) {
            bool hasParentTag = false;
            for (Tag* parentTag : owner->tags) {
                if (parentTag->name != Vek::PString("att-parent")) continue;
                hasParentTag = true;
                if (!owner->parent) continue;
                for (Container* sibling : owner->parent->subContainers) {
                    if (!sibling || sibling->name != Vek::PString(parentTag->value.c_str())) continue;
                    if (MeshHolder* mesh = Data().GetContainerMesh(sibling)) {
                        Errors().AddError(LocalisedToolsText("$tet_container_notavalidpossibility",
                                                             {tag.value, owner->name, MeshMessagePath(*mesh)}),
                                          &tag);
                        c = false;
                    }
                }
            }
            if (!hasParentTag) {
                Errors().AddError(LocalisedToolsText("$tet_container_noattparent", {owner->name}), &tag);
                c = false;
            }
        } else if (attachment && (owner->typeName == Vek::PString("effect-corona") ||
                                  owner->typeName == Vek::PString("effect-attachment"))) {
            Container* grandparent = owner->parent ? owner->parent->parent : nullptr;
            MeshHolder* mesh = grandparent ? Data().GetContainerMesh(grandparent) : nullptr;
            if (mesh) {
                Errors().AddError(LocalisedToolsText("$tet_container_notavalidpossibility",
                                                     {tag.value, owner->name, MeshMessagePath(*mesh)}),
                                  &tag);
                c = false;
            }
        } else if (!Data().IsMeshLoadFailed() && !Data().IsAliasAsset()) {
            Errors().AddError(
                LocalisedToolsText("$tet_container_notavalidpossibility2", {tag.name, tag.value, owner->ContainerPath()}),
                &tag);
            c = false;
        }
    }
    const bool rules = tag.RunValidators();
    out.SetString(tag.name, tag.value.c_str());
    return rules && c;
}

bool Container::ExportIntComboBoxTag(Tag& tag, SoupHandle& out) {
    const bool present = !tag.value.empty();
    if (!present) Errors().AddError(LocalisedToolsText("$tet_container_emptycombobox", {tag.name, name}), &tag);
    const bool rules = tag.RunValidators();
    out.SetInt(tag.name, static_cast<int32_t>(std::strtol(tag.value.c_str(), nullptr, 10)));
    return present && rules;
}

bool Container::ExportListBoxTag(Tag& tag, SoupHandle& out) {
    bool present = true;
    if (tag.value.empty()) {
        const Vek::PString text = LocalisedToolsText("$tet_container_emptylistbox", {tag.name, name});
        if (BuildCodeRounded(AssetBuild()) < kListBoxErrorBuildCode) {
            Errors().AddWarning(text, &tag);
        } else {
            Errors().AddError(text, &tag);
            present = false;
        }
    }
    const bool rules = tag.RunValidators();
    out.SetString(tag.name, tag.value.c_str());
    return rules && present;
}

bool Container::ExportKuidTag(Tag& tag, SoupHandle& out) {
    const KUID kuid = TagKUID(tag);
    const bool rules = tag.RunValidators();
    out.SetKUID(tag.name, kuid);
    return rules;
}

bool Container::ExportStringKuidTag(Tag& tag, SoupHandle& out) {
    const KUID kuid = TagKUID(tag);
    bool ok = true;
    if (tag.name.IsEmpty()) {
        Errors().AddError(LocalisedToolsText("$tet_container_emptyname", {tag.name, name}), &tag);
        ok = false;
    }
    const bool rules = tag.RunValidators();
    tags.Rename(tag, Vek::PString(LowerAscii(tag.name.c_str()).c_str()));
    out.SetKUID(tag.name, kuid);
    return ok && rules;
}

bool Container::ExportDoubleStringTag(Tag& tag, SoupHandle& out) {
    bool ok = true;
    if (tag.name.IsEmpty()) {
        Errors().AddError(LocalisedToolsText("$tet_container_emptyname", {tag.name, name}), &tag);
        ok = false;
    }
    if (tag.value.empty())
        Errors().AddWarning(LocalisedToolsText("$tet_container_emptystringwarn", {tag.name, name}), &tag);
    const bool rules = tag.RunValidators();
    tags.Rename(tag, Vek::PString(LowerAscii(tag.name.c_str()).c_str()));
    out.SetString(tag.name, tag.value.c_str());
    return ok && rules;
}

bool Container::ExportFilePathTag(Tag& tag, SoupHandle& out, bool edit) {
    if (tag.value.empty()) {
        Errors().AddError(LocalisedToolsText("$tet_container_emptystringwarn", {tag.name, name}), &tag);
        return false;
    }
    Vek::File::Path path(tag.value.c_str());
    path.ReplaceForwardSlashes();
    // A two-part extension ("lm.txt") is matched as a suffix of the name.
    const std::string lowered = LowerAscii(path.c_str());
    auto anyExt = [&path, &lowered](std::initializer_list<const char*> extensions) {
        for (const char* extension : extensions) {
            const std::string suffix = std::string(".") + extension;
            if (std::strchr(extension, '.') ? lowered.size() > suffix.size() &&
                                                  lowered.compare(lowered.size() - suffix.size(), suffix.size(), suffix) == 0
                                            : path.IsExt(extension))
                return true;
        }
        return false;
    };
    const char* missing = nullptr;
    if (tag.datatype == Vek::PString("meshes")) {
        const bool ok = edit ? anyExt({"im", "lm", "txt", "pm", "srt"}) : anyExt({"im", "lm", "lm.txt", "pm", "srt"});
        if (!ok) missing = "$tet_container_nomeshext";
    } else if (tag.datatype == Vek::PString("image")) {
        if (!anyExt({"bmp", "tga", "jpg", "texture", "txt"})) missing = "$tet_container_nopictureext";
    } else if (tag.datatype == Vek::PString("animation")) {
        if (!anyExt({"kin"})) missing = "$tet_container_noanimationext";
    }
    if (missing) Errors().AddError(LocalisedToolsText(missing, {tag.name, name}), &tag);
    const bool rules = tag.RunValidators();
    std::string text = path.c_str();
    if (path.IsExt("txt")) text.resize(text.size() - 4);
    out.SetString(tag.name, text.c_str());
    return rules;
}

bool Container::ExportKuidBrowserTag(Tag& tag, SoupHandle& out) {
    const KUID kuid = TagKUID(tag);
    const bool rules = tag.RunValidators();
    const bool warned = tag.WarnIfNullKUID();
    out.SetKUID(tag.name, kuid);
    return rules && warned;
}

bool Container::ExportStringKuidBrowserTag(Tag& tag, SoupHandle& out) {
    const KUID kuid = TagKUID(tag);
    bool ok = true;
    if (tag.name.IsEmpty()) {
        Errors().AddError(LocalisedToolsText("$tet_container_emptyname", {tag.name, name}), &tag);
        ok = false;
    }
    const bool rules = tag.RunValidators();
    const bool warned = tag.WarnIfNullKUID();
    out.SetKUID(tag.name, kuid);
    return ok && rules && warned;
}

bool Container::ExportOtherTag(Tag& tag, SoupHandle& out) {
    out.SetString(tag.name, tag.value.c_str());
    return true;
}

bool Container::IsValidComboBoxValue(const std::string& value, const SoupHandle& possibility) const {
    return InList(value, possibility);
}

bool Container::IsValidIntComboBoxValue(const std::string& value, const SoupHandle& possibility) const {
    return InList(value, possibility);
}

bool Container::IsValidListBoxValue(const std::string& value, const SoupHandle& possibility) const {
    std::size_t start = 0;
    while (start <= value.size()) {
        std::size_t end = value.find(';', start);
        if (end == std::string::npos) end = value.size();
        if (InList(value.substr(start, end - start), possibility)) return true;
        start = end + 1;
    }
    return false;
}

}  // namespace TETLib
