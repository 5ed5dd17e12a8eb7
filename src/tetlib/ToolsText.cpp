#include "tetlib/ToolsText.h"

#include <cctype>
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "foundation/interfacetext/InterfaceTextDB.h"
#include "foundation/log/LogPrintf.h"

namespace TETLib {

namespace {

bool IsConversion(char c) { return c == 's' || c == 'd' || c == 'f'; }

std::string Printed(const char* format, double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

}  // namespace

std::string ToolsTextArg::Show(char conversion) const {
    switch (m_kind) {
        case Kind::Text:
            return m_text;
        case Kind::Integer:
            if (conversion == 'f') return Printed("%f", static_cast<double>(m_integer));
            return std::to_string(m_integer);
        case Kind::Number:
            if (conversion == 'f') return Printed("%f", m_number);
            if (conversion == 'd') {
                // Truncated as printf's callers would cast; out-of-range
                // values are clamped instead of overflowing.
                if (!(m_number == m_number)) return "0";
                if (m_number >= 9.2e18) return std::to_string(INT64_MAX);
                if (m_number <= -9.2e18) return std::to_string(INT64_MIN);
                return std::to_string(static_cast<int64_t>(m_number));
            }
            return Printed("%g", m_number);
    }
    return std::string();
}

std::string FormatToolsText(const char* format, const std::vector<ToolsTextArg>& args) {
    std::string out;
    if (!format) return out;
    std::size_t next = 0;
    for (const char* p = format; *p; ++p) {
        if (*p != '%') {
            out += *p;
            continue;
        }
        const char c = p[1];
        if (c == '%') {
            out += '%';
            ++p;
        } else if (IsConversion(c)) {
            if (next < args.size()) out += args[next].Show(c);
            ++next;
            ++p;
        } else {
            out += '%';  // anything else stands as written
        }
    }
    return out;
}

std::string ToolsTextConversions(const char* format) {
    std::string letters;
    if (!format) return letters;
    for (const char* p = format; *p; ++p) {
        if (*p != '%') continue;
        if (p[1] == '%') {
            ++p;
        } else if (IsConversion(p[1])) {
            letters += p[1];
            ++p;
        }
    }
    return letters;
}

std::vector<std::string> ToolsTextParameters(const char* text) {
    std::vector<std::string> names;
    if (!text) return names;
    for (const char* p = text; *p; ++p) {
        if (p[0] != '$' || p[1] != '(') continue;
        const char* end = p + 2;
        while (*end && *end != ')') ++end;
        if (!*end) break;
        std::string name(p + 2, end);
        for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        names.push_back(name);
        p = end;
    }
    return names;
}

Vek::PString LocalisedToolsText(const char* key, std::initializer_list<ToolsTextArg> args) {
    if (const ToolsTextKey* listed = FindToolsTextKey(key)) {
        if (std::strlen(listed->conversions) != args.size())
            LogPrintf("ToolsText> '%s' takes %zu arguments, given %zu", key, std::strlen(listed->conversions),
                      args.size());
    }
    const Vek::String format = GetLocalisedText(key);
    return Vek::PString(FormatToolsText(format.c_str(), std::vector<ToolsTextArg>(args)).c_str());
}

const std::vector<ToolsTextKey>& ToolsTextKeys() {
    static const std::vector<ToolsTextKey> keys = {
        // Findings of the configuration container, tags and rules.
        {"$tet_container_alias", "", ""},
        {"$tet_container_emptycombobox", "ss", ""},
        {"$tet_container_emptylistbox", "ss", ""},
        {"$tet_container_emptyname", "ss", ""},
        {"$tet_container_emptystringerr", "ss", ""},
        {"$tet_container_emptystringwarn", "ss", ""},
        {"$tet_container_errorintemplate", "s", ""},
        {"$tet_container_missingcontainer", "s", ""},
        {"$tet_container_missingtag", "s", ""},
        {"$tet_container_noanimationext", "ss", ""},
        {"$tet_container_noattparent", "s", ""},
        {"$tet_container_nocontainerdefinition", "s", ""},
        {"$tet_container_nodefinition", "ss", ""},
        {"$tet_container_nokindspecification", "", ""},
        {"$tet_container_nokindtag", "", ""},
        {"$tet_container_nomeshext", "ss", ""},
        {"$tet_container_nopictureext", "ss", ""},
        {"$tet_container_nosmoke", "", ""},
        {"$tet_container_notavalidpossibility", "sss", ""},
        {"$tet_container_notavalidpossibility2", "sss", ""},
        {"$tet_container_notboolean", "ss", ""},
        {"$tet_container_obsoletetag", "ss", ""},
        {"$tet_container_oldcontainer", "", ""},
        {"$tet_container_typespecification", "", ""},
        // Mesh files of file-path tags and the tools' mesh holders.
        {"$tet_dm_animationfailed", "s", ""},
        {"$tet_dm_unsupportedformat", "", ""},
        {"$tet_lm_performance_low_poly", "s", ""},
        {"$tet_lm_performance_no_attachments", "s", ""},
        {"$tet_lm_performance_single_lod", "s", ""},
        {"$tet_mesh_animationfailedmesh", "s", ""},
        {"$tet_mesh_animationfailedobserver", "s", ""},
        {"$tet_mesh_animationfailedres", "s", ""},
        {"$tet_mesh_animationfailedskeleton", "s", ""},
        {"$tet_mesh_failedmaterial", "ss", ""},
        {"$tet_mesh_initialise_mesh", "s", ""},
        {"$tet_mesh_load_mesh", "s", ""},
        {"$tet_mesh_load_texture", "sss", ""},
        {"$tet_mesh_successfulanimation", "", ""},
        {"$tet_mesh_successfulmesh", "", ""},
        // The error handler's echo prefixes.
        {"$tet_eh_error", "", ""},
        {"$tet_eh_message", "", ""},
        {"$tet_eh_warning", "", ""},
        // Asset-level checks (result-log texts).
        {"$tet_future_asset", "", ""},
        {"$tet_obsolete_asset", "", "LOWEST_VORLEXBUILD"},
        {"$tet_obsolete_coatworks", "", ""},
        {"$tet_obsolete_water", "", ""},
        // Texture description scan.
        {"$tet_binary_texture_conversion_failed", "s", ""},
        {"$tet_duplicatetexture", "s", ""},
        {"$tet_non_ansi_texture", "s", ""},
        {"$tet_primaryalpha_notsamesize", "s", ""},
        {"$tet_texture_failedload", "s", ""},
        {"$tet_texture_missing_alpha", "ss", ""},
        {"$tet_texture_missing_primary", "ss", ""},
        {"$tet_texture_notpower2", "s", ""},
        // Validation rules of tags and containers.
        {"$tet_val_arraywrongsize", "sdd", ""},
        {"$tet_val_duplicatecontainername", "ss", ""},
        {"$tet_val_duplicatetagname", "ss", ""},
        {"$tet_val_file_dne", "s", ""},
        {"$tet_val_mustbeinlightcontainer", "d", ""},
        {"$tet_val_mustbeownparent", "ss", ""},
        {"$tet_val_mustbepaired", "ss", ""},
        {"$tet_val_musthavealightcontainer", "", ""},
        {"$tet_val_no_visible_mesh", "", ""},
        {"$tet_val_nocollatemeshes", "ss", ""},
        {"$tet_val_not_type", "ss", ""},
        {"$tet_val_notownparent", "", ""},
        {"$tet_val_notpositive", "s", ""},
        {"$tet_val_notwithinrange", "sff", ""},
        {"$tet_val_notype", "sss", ""},
        {"$tet_val_notzero", "s", ""},
        {"$tet_val_nullkuidwarn", "s", ""},
        {"$tet_val_scriptfiledne", "s", ""},
        {"$tet_val_shadow_missing", "", ""},
        {"$tet_val_texturefiledne", "s", ""},
        {"$tet_val_texturefilenotspecified", "", ""},
        {"$tet_val_texturefilewrongformat", "s", ""},
        {"$tet_val_wrongtype", "sss", ""},
        // Result-log texts of the validation job and the texture conversion.
        {"$vad_texture_compress_err", "", ""},
        {"$vad_unable_read_config_at", "", "FILE_PATH"},
        {"$vadtexture_incorrect_resource", "", "FILE_NAME;ARCHIVE"},
        {"$vadtexture_invalid_subst", "", "ARCHIVE"},
        {"$vadtexture_load_error", "", "FILE_NAME;ARCHIVE"},
        {"$vadtexture_lock_error", "", "FILE_NAME;ARCHIVE"},
        {"$vadtexture_open_error", "", "FILE_NAME;ARCHIVE"},
    };
    return keys;
}

const ToolsTextKey* FindToolsTextKey(const char* key) {
    if (!key) return nullptr;
    for (const ToolsTextKey& listed : ToolsTextKeys())
        if (std::strcmp(listed.key, key) == 0) return &listed;
    return nullptr;
}

}  // namespace TETLib
