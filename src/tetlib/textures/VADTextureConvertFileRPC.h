#pragma once
// One texture description's conversion into its compiled texture, run as a
// chain of three steps: load (main thread), compress and write (a worker
// thread), release (main thread). While it runs, the description carries
// the name ending "convert-tex.txt" instead of "texture.txt"; the write step
// always gives it its own name back.
#include <memory>
#include <string>

#include "engine/File.h"
#include "engine/Options.h"
#include "engine/PString.h"
#include "foundation/callbacks/VorlexWorkerCallChain.h"
#include "tetlib/textures/CompressAsciiResource.h"

class ResultsLog;
class VorlexResourceDatabase;
namespace Vek {
class TextureResource;
}

class VADTextureConvertFileRPC {
public:
    // How long the load stage waits for room in the picture budget.
    static constexpr int kPictureWaitMs = 2000;

    VADTextureConvertFileRPC() = default;
    ~VADTextureConvertFileRPC();
    VADTextureConvertFileRPC(const VADTextureConvertFileRPC&) = delete;
    VADTextureConvertFileRPC& operator=(const VADTextureConvertFileRPC&) = delete;

    // Sets the job up for `filePath` (absolute, or inside the location
    // `location` when that is not empty), moves the description aside and
    // starts the chain; returns at once. Entries go to `log`, which must
    // outlive the job's Wait.
    void Start(const Vek::PString& location, const char* filePath, ResultsLog* log);
    // Waits for the chain, running queued main-thread calls meanwhile;
    // true when every step succeeded.
    bool Wait();

    bool HasChainFailed() const { return m_chain.HasFailed(); }
    const std::string& GetDescriptionPath() const { return m_descriptionPath; }

private:
    void Prepare();
    TETLib::CompressAsciiResource* Compressing() const;
    void ReleaseResource();
    int32_t LoadStage(CallArgument);
    int32_t WriteStage(CallArgument);
    int32_t ReleaseStage(CallArgument);
    void AddError(const char* text, const char* fileName, bool withArchive = false);
    // The description's name as the user knows it, for the messages.
    const char* ShownName() const;
    std::string FullPath(const std::string& path) const;

    Vek::PString m_location;
    std::string m_inputPath;
    ResultsLog* m_log = nullptr;
    bool m_ok = true;
    VorlexWorkerCallChain m_chain;
    VorlexResourceDatabase* m_database = nullptr;
    Vek::TextureResource* m_resource = nullptr;  // with the job's reference
    bool m_locked = false;
    bool m_setAside = false;
    std::string m_temporaryPath;
    std::string m_descriptionPath;
    std::string m_outputPath;
    Vek::Options m_options;
};
