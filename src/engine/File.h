#pragma once
// The engine's file service.
//
// Paths accept '\' and '/' as separators; '/' is used at the OS boundary.
// Names resolve case-insensitively, as on Windows: an exact match first, and
// when a component is missing, a scan of its folder for a name equal under
// ASCII case folding (the first in byte order when several match). A file or
// folder created from a path gets the name as written.
//
// Resolution rules (ResolveOsPath, and through it every call that takes a
// path):
// - A path starting with '/' or '\' is absolute; so is a drive form "X:\"
//   or "X:/", whose drive letter is dropped (there are no drives here, so
//   "C:\a" is "/a"). Every other path is relative to the current directory.
// - "." components and runs of separators are dropped; ".." components are
//   collapsed against the component before them as text, before anything is
//   looked up, as Windows does ("link/../a" is "a" even when "link" is a
//   symbolic link). ".." at the top of an absolute path stays there; leading
//   ".." of a relative path are kept. A trailing separator is dropped.
// - Components are resolved one by one from the left while they exist; from
//   the first missing component on, the rest is taken as written.
//
// Named roots ("data", "local", "scripts", ...) are file-system
// substitutions: a name mapped to a folder or to an archive (see
// engine/FileArchive.h). The root-relative calls take the root name and a
// path inside it. Root names compare exactly (case matters). An empty root
// means the plain file system; an unknown root makes the call fail. A path
// inside a root is always taken relative to it (leading separators are
// ignored), and a path whose ".." components would climb above the root is
// refused.
//
// No call throws; failures are false, zero or empty results.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/PString.h"

namespace Vek {

class FileArchive;

class File {
public:
    static constexpr std::size_t kMaxPath = 260;

    // Open mode bits. 16 reads; 257 (write | create) writes a new file,
    // truncating an old one; 769 adds the sequential hint to that; 0x011
    // reads and writes an existing file. Write without create (0x001) opens
    // an existing file for writing without truncating it. Create implies
    // write access. Unknown bits (such as 0x020) are ignored. A mode with
    // neither read, write nor create fails. Files are opened close-on-exec;
    // new files get mode 0666 less the umask. Only regular files open: a
    // folder, FIFO, socket or device fails. A file created in a folder that
    // does not exist fails: folders are never made implicitly (see Prune).
    enum : uint32_t {
        kModeWrite = 0x001,
        kModeRead = 0x010,
        kModeCreate = 0x100,      // create, or truncate an existing file
        kModeSequential = 0x200,  // access hint; no effect here
    };
    enum Origin : int { kSeekSet = 0, kSeekCurrent = 1, kSeekEnd = 2 };
    // Attribute bits of search entries: directory for folders (and symbolic
    // links to folders), hidden for names starting with '.' (not "." and
    // ".."), normal when neither is set.
    enum : uint32_t { kAttributeHidden = 0x02, kAttributeDirectory = 0x10, kAttributeNormal = 0x80 };

    // A path value. Its text is kept as given; the helpers below edit it.
    // "Separator" means '\' or '/'. A drive form is a letter and ':' at the
    // start ("C:"); a root separator is the one at the start of the path or
    // right after a drive form.
    class Path {
    public:
        Path() = default;
        Path(const char* text) : m_text(text ? text : "") {}
        Path(const std::string& text) : m_text(text) {}
        Path& operator=(const char* text) {
            m_text.assign(text ? text : "");
            return *this;
        }

        const char* c_str() const { return m_text.c_str(); }
        operator const char*() const { return m_text.c_str(); }
        const std::string& Str() const { return m_text; }
        std::size_t Length() const { return m_text.size(); }
        bool IsEmpty() const { return m_text.empty(); }
        void Clear() { m_text.clear(); }

        // Appends text as it is (null: nothing).
        Path& Add(const char* text);
        // Appends a path component, putting one separator ('\', or '/' when
        // the path already uses only '/') between the two when neither side
        // has one. An empty component leaves the path as it is; appending to
        // an empty path gives the component. When both sides have one, both
        // stay (Normalise collapses them).
        Path& AddPath(const char* component);
        // Collapses "." components, ".." components (against the component
        // before them; leading ones of a relative path are kept, those at the
        // top of an absolute path are dropped) and runs of separators;
        // separators become '\'. A drive form "C:" or a leading separator is
        // kept (a leading run becomes one '\'), and so is one trailing
        // separator. A relative path that collapses to nothing ("a\..")
        // becomes empty.
        void Normalise();
        // '/' becomes '\'.
        void ReplaceForwardSlashes();
        // '\' becomes '/'.
        void ReplaceBackSlashes();
        // ASCII A-Z to a-z.
        void ToLower();
        // Removes one trailing '\' or '/' (not from a path that is only one,
        // nor from a drive root "C:\").
        void RemoveTrailingSeparator();
        // Makes this path relative to `root` (both compared without case and
        // slash direction, after Normalise): true and the rest below root
        // (empty when equal); false, unchanged, when the path is not below root
        // or root is empty. The rest is taken from this path normalised
        // (its case kept, '\' separators, no trailing separator).
        bool MakeRelativeTo(const char* root);
        // Removes the last component (the name) and the separator before it;
        // a path without a separator becomes empty. A path ending in a
        // separator loses only that separator ("out\" gives "out"). A root
        // separator stays ("\a" gives "\", "C:\a" gives "C:\").
        void DelName();
        // The last component: the text after the last separator (empty when
        // the path ends in one). Valid until the path changes.
        const char* GetName() const;
        // The text after the last '.' of the last component ("" for "a."), or
        // null when it has none. Valid until the path changes.
        const char* GetExt() const;
        // True when the extension equals `extension` (without its '.'; one
        // leading '.' is skipped), ignoring ASCII case. False for a null
        // extension or a path without one.
        bool IsExt(const char* extension) const;
        // Splits off the first component: `first` gets it, this path keeps the
        // rest. Separators around the split (and leading ones) are dropped,
        // so "\a\b\c" gives "a" and leaves "b\c"; a drive form is a component
        // of its own ("C:"). False, with `first` emptied, when the path is
        // empty.
        bool ExtractFirstPath(Path& first);

    private:
        std::string m_text;
    };

    // A folder listing, sorted by name (byte order), with the "." and ".."
    // entries first. The pattern's last component may hold '*' and '?'
    // wildcards (matched without case; "." and ".." are matched too); "*"
    // and "*.*" match every entry. The folder part resolves like any path
    // (an empty one is the current directory, or the root's top folder). A
    // pattern ending in a separator matches nothing. Symbolic links are
    // listed as what they point to (a dangling link as a file of size 0).
    // Sizes are 0 for folders.
    class Find {
    public:
        Find() = default;
        ~Find() = default;
        // Starts a search; true when the folder could be listed and at least
        // one entry matches, and then the first entry is current.
        bool Open(const char* pattern);
        // The same inside the substitution `root` (empty: plain file system).
        bool Open(const char* pattern, const PString& root);
        // Moves to the next entry; false at the end.
        bool Next();
        void Close();

        // The current entry; "", 0 and 0 when there is none.
        const char* GetName() const;
        uint32_t GetAttributes() const;
        bool IsDirectory() const { return (GetAttributes() & kAttributeDirectory) != 0; }
        int64_t GetSize() const;

    private:
        struct Entry {
            std::string name;
            uint32_t attributes;
            int64_t size;
        };
        std::vector<Entry> m_entries;
        std::size_t m_index = 0;
    };

    File();
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Opens `path` (relative paths against the current directory). `flags`
    // is kept for the engine's interface and has no meaning here. An open
    // file is closed first.
    bool Open(const char* path, uint32_t mode, uint32_t flags = 0);
    // Opens `path` inside the substitution `root`; an empty root is Open.
    // In an archive root the whole entry is read into memory and only
    // reading modes open.
    bool Open(const PString& root, const char* path, uint32_t mode, uint32_t flags = 0);
    void Close();
    bool IsValid() const;

    // Raw transfers; they return the byte count moved (0 when closed, or
    // when writing a file opened only for reading or held in memory).
    std::size_t Read(void* destination, std::size_t n);
    std::size_t Write(const void* source, std::size_t n);
    // Moves the position; origin kSeekEnd counts `offset` back from the end
    // when it is positive (so Seek(n, kSeekEnd) stands n bytes before the
    // end) and forward when negative. False when closed, for an unknown
    // origin, or when the position would be negative. A position past the end
    // is allowed (reads there give 0 bytes; a write extends the file).
    bool Seek(int64_t offset, int origin);
    // The position; 0 when closed.
    int64_t Tell() const;
    // True at or past the end of the file (and when closed).
    bool Eof() const;
    // The file's size in bytes; 0 when closed.
    int64_t Length() const;

    const Path& GetPath() const { return m_path; }
    const PString& GetRoot() const { return m_root; }
    uint32_t GetMode() const { return m_mode; }

    // Reads one line of at most size - 1 bytes into `buffer`, keeping its
    // line terminator, and NUL-terminates it. Returns false when nothing
    // was read (end of file). A line ends after '\n' (so "\r\n" is kept
    // whole; a lone '\r' is no terminator). A longer line comes in pieces of
    // size - 1 bytes, nothing lost; the file stands right behind the bytes
    // returned. A size below 2 reads nothing (false).
    static bool ReadLine(File& file, char* buffer, std::size_t size);

    // ---- file-system services (paths as for Open) ----
    // Exists follows symbolic links (a dangling link does not exist); an
    // empty path does not exist; an empty path in a root is the root itself.
    static bool Exists(const char* path);
    static bool Exists(const PString& root, const char* path);
    static bool IsDirectory(const char* path);
    static bool IsDirectory(const PString& root, const char* path);
    // Makes one folder (mode 0777 less the umask); true when it was made or
    // exists as a folder. Its parent must exist.
    static bool MakeDirectory(const char* path);
    // Renames a file or folder. As on Windows it never replaces: false when
    // `to` exists (case-insensitively), unless `to` is `from` itself, which
    // allows a change of letter case. `to` gets its last component as
    // written; its parent must exist.
    static bool Rename(const char* from, const char* to);
    // Deletes one file (not a folder). A symbolic link is removed itself.
    static bool Unlink(const char* path);
    // False in an archive root (archives are read-only).
    static bool Unlink(const PString& root, const char* path);
    // Deletes a folder and everything in it. Symbolic links are removed,
    // never followed. False when `path` is no folder or a part stayed (what
    // could be deleted is deleted). `path` itself must be a real folder, not
    // a link to one; the work never leaves the folder it was given. Refused:
    // a path naming no folder of its own after ".." is collapsed ("", ".",
    // "..", "a\..", "/").
    static bool DeleteTree(const char* path);
    // Makes every missing folder above the file `path` (names as written;
    // existing ones found case-insensitively). True when they all exist
    // afterwards. A relative path whose first component names a folder
    // substitution is taken inside it: "cache/x/y.dat" makes the root
    // "cache"'s folder and its sub-folder "x" when they are missing.
    static bool Prune(const char* path);

    // Maps `name` to `folder` (isFolder true) or to an archive (isFolder
    // false; the archive layer registers itself for those, see
    // engine/FileArchive.h). A null or empty folder removes the
    // substitution (true). A folder mapping needs no existing folder; an
    // archive mapping fails, leaving any old mapping, when no archive layer
    // is registered or it cannot open the file. An empty name fails.
    static bool Subst(const PString& name, const char* folder, bool isFolder);
    // Maps `name` to an archive object directly (null removes the mapping).
    static bool SubstArchive(const PString& name, std::shared_ptr<FileArchive> archive);
    // The folder (or archive file) a substitution stands for, as given, or
    // empty (also for an archive mapped with SubstArchive).
    static std::string GetSubst(const PString& name);

    // The OS path that `path` (in `root`, when not empty) resolves to: the
    // case-insensitive resolution applied to every existing component, the
    // rest as written; '/' separators. Empty when the root is unknown or an
    // archive, when the path climbs out of the root, and for an empty path
    // outside a root. A relative path that collapses to nothing is ".".
    static std::string ResolveOsPath(const PString& root, const char* path);
    static std::string ResolveOsPath(const char* path);

private:
    bool OpenOs(const std::string& osPath, uint32_t mode);

    int m_fd = -1;
    Path m_path;
    PString m_root;
    uint32_t m_mode = 0;
    // An archive entry is read whole and served from memory.
    bool m_inMemory = false;
    std::vector<uint8_t> m_memory;
    int64_t m_memoryPosition = 0;
};

}  // namespace Vek
