#include "gsnatives/CustomObjectSource.h"

#include <unistd.h>

#include <fstream>

#include "assetdb/specs/AssetSpec.h"
#include "engine/File.h"
#include "foundation/files/InstallFolders.h"
#include "gscompiler/GSCompileLog.h"
#include "gscompiler/GSCompilerMain.h"
#include "gscompiler/IncludePath.h"
#include "gsruntime/GSLibrary.h"
#include "gsruntime/GSLibraryId.h"
#include "gsruntime/GSMachine.h"

namespace GSNatives {

namespace {

std::string InFolder(const std::string& folder, const std::string& name) {
    Vek::File::Path path(folder);
    path.AddPath(name.c_str());
    return path.Str();
}

}  // namespace

std::string CustomObjectFolder() {
    Vek::File::Path folder = GetUserDataPath();
    if (folder.IsEmpty()) return std::string();
    folder.AddPath("cache");
    return folder.Str();
}

std::string CustomObjectBaseName() { return "temp_object_" + std::to_string(static_cast<long>(::getpid())); }

GSRuntime::GSLibrary* CompileTempObject(const std::string& folder, const Vek::PString& archiveName,
                                        const std::string& assetPath, GSCompileLog* log) {
    const std::string base = CustomObjectBaseName();
    const std::string source = base + ".gs";
    const std::string library = InFolder(folder, base + ".gsl");

    Utils::DoubleLinkList& includes = IncludePaths();
    includes.AddTail(new IncludePath(Vek::File::Path(folder), Vek::PString()));
    includes.AddTail(new IncludePath(Vek::File::Path(assetPath), archiveName));
    includes.AddTail(new IncludePath(Vek::File::Path(""), Vek::PString("scripts")));
    const int errors = CompileScriptToFile(log, source.c_str(), library.c_str());
    ClearIncludePaths(includes);
    if (errors != 0) {
        Vek::File::Unlink(library.c_str());
        return nullptr;
    }

    GSRuntime::GSMachine* machine = GSRuntime::GSMachine::Instance();
    GSRuntime::GSLibraryId id;
    GSRuntime::GSLibrary* loaded = nullptr;
    if (machine->AddLibrary(Vek::PString(), "", library.c_str(), &id)) loaded = machine->GetLibrary(id);
    Vek::File::Unlink(library.c_str());
    return loaded;
}

GSRuntime::GSClass* CompileCustomObjectClass(const Vek::String& text, AssetSpec& spec) {
    const std::string folder = CustomObjectFolder();
    if (!folder.empty() && !Vek::File::IsDirectory(folder.c_str())) Vek::File::MakeDirectory(folder.c_str());
    const std::string source = InFolder(folder, CustomObjectBaseName() + ".gs");
    {
        std::ofstream out(source, std::ios::binary | std::ios::trunc);
        out.write(text.c_str(), static_cast<std::streamsize>(text.Length()));
        if (!out.good()) {
            out.close();
            Vek::File::Unlink(source.c_str());
            return nullptr;
        }
    }

    Vek::File::Path assetPath(spec.GetParentFolder().c_str());
    assetPath.AddPath(spec.GetFolderName().c_str());
    GSCompileLog log;  // the compiler's messages are not kept
    GSRuntime::GSLibrary* library =
        CompileTempObject(folder, spec.GetResourceDatabase().GetName(), assetPath.Str(), &log);
    Vek::File::Unlink(source.c_str());
    return library ? library->FindClass("CustomObject") : nullptr;
}

}  // namespace GSNatives
