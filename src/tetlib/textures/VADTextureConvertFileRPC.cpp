#include "tetlib/textures/VADTextureConvertFileRPC.h"

#include <cctype>
#include <exception>
#include <vector>

#include "engine/bitmap/PictureBudget.h"
#include "assetdb/layout/LocationResolution.h"
#include "assetdb/requests/VADDaemonState.h"
#include "assetdb/resources/ResourceDatabaseCache.h"
#include "assetdb/resources/VorlexResourceDatabase.h"
#include "engine/ResourceSystem.h"
#include "engine/textures/TextureResource.h"
#include "foundation/callbacks/CallRecord.h"
#include "foundation/callbacks/TCXCallbackCPPVoidPtr.h"
#include "foundation/files/InstallFolders.h"
#include "foundation/files/LocationFiles.h"
#include "foundation/interfacetext/InterfaceTextDB.h"
#include "foundation/results/ResultsLog.h"
#include "foundation/soups/SoupHandle.h"

namespace {

// Replaces the last extension of `path` (text after the last '.' of the
// last component) by `extension`, or removes it when `extension` is empty.
std::string WithoutLastExtension(const std::string& path) {
    const size_t separator = path.find_last_of("\\/");
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || (separator != std::string::npos && dot < separator)) return path;
    return path.substr(0, dot);
}

// The location path comes back in the normalised form, lower-cased. The
// names below the location keep the letter case they were given, so that
// the description gets back exactly its own name and the compiled texture is
// named like it.
std::string WithOriginalCase(const std::string& resolved, const std::string& original) {
    std::string out = resolved;
    size_t i = out.size(), j = original.size();
    while (i > 0 && j > 0) {
        const char a = out[i - 1], b = original[j - 1];
        const bool separators = (a == '/' || a == '\\') && (b == '/' || b == '\\');
        if (!separators && std::tolower(static_cast<unsigned char>(a)) != std::tolower(static_cast<unsigned char>(b)))
            break;
        if (!separators) out[i - 1] = b;
        --i, --j;
    }
    return out;
}

}  // namespace

void VADTextureConvertFileRPC::AddError(const char* text, const char* fileName, bool withArchive) {
    SoupHandle parameters;
    parameters.SetString(Vek::PString("file_name"), fileName);
    if (withArchive) parameters.SetString(Vek::PString("archive"), m_location.c_str());
    // A "$vadtexture_" key stands for its text in the interface-text table,
    // whose "$(FILE_NAME)" and "$(ARCHIVE)" the log fills in.
    const Vek::String message = text[0] == '$' ? GetLocalisedText(text) : Vek::String(text);
    m_log->AddEntry(ResultsLogEntry::kError, PropertyRef(), message, &parameters);
}

const char* VADTextureConvertFileRPC::ShownName() const {
    // While the description is set aside under its temporary name, the
    // user knows it by its own.
    return m_setAside ? m_descriptionPath.c_str() : m_inputPath.c_str();
}

std::string VADTextureConvertFileRPC::FullPath(const std::string& path) const {
    Vek::File::Path full = GetLocationPath(m_location);
    if (full.IsEmpty()) return std::string();
    full.AddPath(path.c_str());
    return full.Str();
}

void VADTextureConvertFileRPC::Start(const Vek::PString& location, const char* filePath, ResultsLog* log) {
    m_location = location;
    m_inputPath = filePath ? filePath : "";
    m_log = log;
    m_ok = true;
    m_locked = false;
    m_setAside = false;
    Prepare();
    m_chain.AddCall(CallFlagMainThread | 2, MakeMemberCallback(this, &VADTextureConvertFileRPC::LoadStage));
    m_chain.AddCall(CallFlagWorkerThread, MakeMemberCallback(this, &VADTextureConvertFileRPC::WriteStage));
    m_chain.AddCall(CallFlagMainThread, MakeMemberCallback(this, &VADTextureConvertFileRPC::ReleaseStage));
    m_chain.Start();
}

void VADTextureConvertFileRPC::Prepare() {
    const std::string asPassed = m_inputPath;
    Vek::File::Path path(m_inputPath.c_str());
    if (!ResolveLocationFromPath(m_location, path)) {
        AddError("Unable to determine relative path for '$(FILE_NAME)'", asPassed.c_str());
        m_ok = false;
        return;
    }
    m_inputPath = WithOriginalCase(path.Str(), asPassed);
    m_outputPath = WithoutLastExtension(m_inputPath);
    Vek::File::Unlink(m_location, m_outputPath.c_str());
    if (const std::string full = FullPath(m_outputPath); !full.empty()) Vek::File::Unlink(full.c_str());

    m_descriptionPath = m_inputPath;
    m_inputPath = WithoutLastExtension(WithoutLastExtension(m_inputPath)) + ".convert-tex.txt";
    if (RenameInRoot(m_location, m_descriptionPath.c_str(), m_inputPath.c_str())) {
        m_setAside = true;
        m_temporaryPath = m_inputPath;
        m_inputPath = WithoutLastExtension(m_inputPath);
    } else {
        AddError("Unable to rename file '$(FILE_NAME)' in subst '$(ARCHIVE)'", m_descriptionPath.c_str(), true);
        m_ok = false;
    }
}

TETLib::CompressAsciiResource* VADTextureConvertFileRPC::Compressing() const {
    return dynamic_cast<TETLib::CompressAsciiResource*>(m_resource);
}

int32_t VADTextureConvertFileRPC::LoadStage(CallArgument) {
    if (!m_ok) return 0;
    // The location's own folder: a user location lies in the user data
    // folder, the others in the installation folder.
    const Vek::File::Path folder = GetLocationPath(m_location);
    m_database = folder.IsEmpty() ? nullptr : AcquireResourceDatabase(m_location, folder.c_str());
    if (!m_database) {
        m_ok = false;
        AddError("$vadtexture_invalid_subst", "", true);
        return 0;
    }
    Vek::Resource* found = m_database->GetResource(m_inputPath.c_str(), Vek::ResourceDatabase::kLookupCreate);
    m_resource = dynamic_cast<Vek::TextureResource*>(found);
    if (!m_resource) {
        if (found) found->ReleaseReference();
        AddError("$vadtexture_open_error", ShownName(), true);
        m_ok = false;
        return 0;
    }
    TETLib::CompressAsciiResource* resource = Compressing();
    if (!resource) {
        AddError("$vadtexture_incorrect_resource", ShownName(), true);
        m_ok = false;
        return 0;
    }
    m_options.ProcessRaw("-Automip=none -Compression=auto");
    resource->SetOptions(&m_options);
    // The job's pictures wait a while for room in the picture budget held
    // by other pictures, then the job fails naming the image.
    Vek::PictureBudget::ScopedWait wait(kPictureWaitMs);
    if (resource->Lock() != Vek::Resource::kOk) {
        AddError("$vadtexture_load_error", ShownName(), true);
        if (!resource->GetLoadError().empty())
            m_log->AddEntry(ResultsLogEntry::kInformation, resource->GetLoadError().c_str());
        m_ok = false;
        return 0;
    }
    // The engine's own mip lock: the compression runs in the write stage.
    if (resource->Vek::AsciiTextureResource::GetMipLock() == Vek::Resource::kOk) {
        m_locked = true;
    } else {
        AddError("$vadtexture_lock_error", ShownName(), true);
        m_ok = false;
        resource->Unlock();
    }
    return 0;
}

int32_t VADTextureConvertFileRPC::WriteStage(CallArgument) {
    try {
        if (m_locked) {
            const bool gpu = VADIsCudaCompressionDisabled() == 0;
            TETLib::CompressAsciiResource* resource = Compressing();
            if (!resource->SaveTo(Vek::PString(), FullPath(m_outputPath).c_str(), gpu)) {
                AddError("Unable to write output file '$(FILE_NAME)'", m_outputPath.c_str());
                m_ok = false;
                const std::string& error = resource->GetCompressError();
                if (!error.empty()) m_log->AddEntry(ResultsLogEntry::kInformation, error.c_str());
            }
        }
    } catch (const std::exception& exception) {
        SoupHandle parameters;
        parameters.SetString(Vek::PString("error"), exception.what());
        parameters.SetString(Vek::PString("file_name"), m_outputPath.c_str());
        m_log->AddEntry(ResultsLogEntry::kError, PropertyRef(),
                        Vek::String("Exception '$(ERROR)' thrown while processing '$(FILE_NAME)'"), &parameters);
        m_ok = false;
    }
    if (m_setAside) {
        if (!RenameInRoot(m_location, m_temporaryPath.c_str(), m_descriptionPath.c_str())) {
            // The user's description would otherwise stay under its
            // temporary name without a word.
            SoupHandle parameters;
            parameters.SetString(Vek::PString("file_name"), m_temporaryPath.c_str());
            parameters.SetString(Vek::PString("archive"), m_location.c_str());
            m_log->AddEntry(ResultsLogEntry::kWarning, PropertyRef(),
                            Vek::String("Unable to rename file '$(FILE_NAME)' in subst '$(ARCHIVE)' back"), &parameters);
        }
        m_setAside = false;
    }
    return 0;
}

int32_t VADTextureConvertFileRPC::ReleaseStage(CallArgument) {
    if (m_locked) {
        Compressing()->GetMipUnlock();
        m_resource->Unlock();
    }
    m_locked = false;
    ReleaseResource();
    return 0;
}

void VADTextureConvertFileRPC::ReleaseResource() {
    if (m_resource) {
        // The description is read afresh by the next conversion of it.
        if (Vek::ResourceSystem* system = Vek::ResourceSystem::GetCurrent()) system->RemoveFromCache(m_resource);
        m_resource->ReleaseReference();
        m_resource = nullptr;
    }
    if (m_database) ReleaseResourceDatabase(m_database);
    m_database = nullptr;
}

VADTextureConvertFileRPC::~VADTextureConvertFileRPC() {
    // A job whose release stage never ran (its chain was dropped) still
    // gives back what it holds.
    if (m_locked) {
        Compressing()->GetMipUnlock();
        m_resource->Unlock();
    }
    ReleaseResource();
}

bool VADTextureConvertFileRPC::Wait() {
    m_chain.Wait();
    return m_ok;
}
